#pragma once
// The mouse's profile document: DPI stages, system options with the report
// rate, and the movement-correction choices.

#include <vector>

#include "profiles/basic_profiledata.h"

class CMouseProfiledata : public CBasicProfiledata {
 public:
  // Merges the stages of the file over the stored list (a stored stage beyond
  // the file's stays) and returns the stored list.
  std::vector<DpiStageRecord> GetDpiStages();
  void SetDpiStages(const std::vector<DpiStageRecord>& list);
  void SetActiveDpiStage(int stage);
  int GetActiveDpiStage() const { return activeDpiStage_; }
  MouseSystemStages GetMouseSystemStages();
  void SetMouseSystemStages(const MouseSystemStages& record);
  std::vector<CorrectRecord> GetCorrectList();

  const MouseSystemStages& CurrentMouseSystemStages() const { return systemStages_; }

 private:
  std::vector<DpiStageRecord> dpiStages_;
  int activeDpiStage_ = 0;
  MouseSystemStages systemStages_;
  std::vector<CorrectRecord> correctList_;
};
