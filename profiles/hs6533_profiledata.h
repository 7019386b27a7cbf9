#pragma once
// The headset's profile document: audio options and the equaliser slots.
// Slots 1 to 12 of "EQHzValueInfo" hold the fixed presets; equaliser type 13
// is the custom equaliser and has no slot there.

#include <string>
#include <vector>

#include "profiles/basic_profiledata.h"

inline constexpr int kEqBandCount = 10;
inline constexpr int kCustomEqType = 13;

class CHs6533Profiledata : public CBasicProfiledata {
 public:
  HsSystemSetStages GetSystemSetStages();
  void SetSystemSetStages(int magicEnable, int magicType, int eqType, int customEqSeletIndex,
                          int micInSelect, int micInValue, int micMoniterSelect,
                          int micMoniterValue);
  // Ten bands of the slot for eqType (0 and unknown types use slot 1; 13 has
  // none and gives an empty list). Missing bands read as 0 and are written as
  // 0 into the section.
  std::vector<int> GetEqBands(int eqType);
  void SetEqBands(int eqType, const std::vector<int>& bands);
  std::vector<std::wstring> GetCustomEqNames() const;
  void SetCustomEqNames(const std::vector<std::wstring>& names);
  std::vector<int> GetCustomEqBands(int index);
  void SetCustomEqBands(int index, const std::vector<int>& bands);

  // The "EQHzValueInfo" index of an equaliser type, -1 for the custom one.
  static int EqSlotOf(int eqType);

  const HsSystemSetStages& CurrentSystemSetStages() const { return systemSetStages_; }

 private:
  std::vector<int> ReadBands(const char* key, int index);
  void WriteBands(const char* key, int index, const std::vector<int>& bands);

  HsSystemSetStages systemSetStages_;
};
