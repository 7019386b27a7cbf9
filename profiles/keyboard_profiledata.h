#pragma once
// The keyboard's profile document: system options, the Fn-layer flag and the
// per-key colours of the custom lighting groups.

#include <vector>

#include "profiles/basic_profiledata.h"

class CKeyboardProfiledata : public CBasicProfiledata {
 public:
  KbSystemStages GetSystemStages();
  void SetSystemStages(const KbSystemStages& record);
  bool GetFnKeysetFlag() const;
  void SetFnKeysetFlag(bool flag);
  // count colours of custom group; missing places are written as zero
  // colours into the section.
  std::vector<RgbaColor> GetCustomLightColors(int group, int count);
  void SetCustomLightColors(const std::vector<RgbaColor>& list, int group);
  int GetCustomGroupIndex();
  void SetCustomGroupIndex(int index);

  const KbSystemStages& CurrentSystemStages() const { return systemStages_; }
  const std::vector<RgbaColor>& CurrentCustomColors() const { return customColors_; }

 private:
  KbSystemStages systemStages_;
  std::vector<RgbaColor> customColors_;
  int customGroupIndex_ = 0;
};
