#include "profiles/hs6533_profiledata.h"

#include "profiles/json_access.h"
#include "profiles/json_file.h"

HsSystemSetStages CHs6533Profiledata::GetSystemSetStages() {
  HsSystemSetStages r;
  const Json::Value& s = JMember(section_, "SystemSetStages");
  if (!s.isNull()) {
    r.MagicEnable = JInt(JMember(s, "MagicEnable"));
    r.MagicType = JInt(JMember(s, "MagicType"));
    r.EqType = JInt(JMember(s, "EqType"));
    r.CustomEqSeletIndex = JInt(JMember(s, "CustomEqSeletIndex"));
    r.MicInSelect = JInt(JMember(s, "MicInSelect"));
    r.MicInValue = JInt(JMember(s, "MicInValue"));
    r.MicMoniterSelect = JInt(JMember(s, "MicMoniterSelect"));
    r.MicMoniterValue = JInt(JMember(s, "MicMoniterValue"));
  }
  systemSetStages_ = r;
  return r;
}

void CHs6533Profiledata::SetSystemSetStages(int magicEnable, int magicType, int eqType,
                                            int customEqSeletIndex, int micInSelect, int micInValue,
                                            int micMoniterSelect, int micMoniterValue) {
  Json::Value& s = JSetMember(section_, "SystemSetStages");
  JSetMember(s, "MagicEnable") = magicEnable;
  JSetMember(s, "MagicType") = magicType;
  JSetMember(s, "EqType") = eqType;
  JSetMember(s, "CustomEqSeletIndex") = customEqSeletIndex;
  JSetMember(s, "MicInSelect") = micInSelect;
  JSetMember(s, "MicInValue") = micInValue;
  JSetMember(s, "MicMoniterSelect") = micMoniterSelect;
  JSetMember(s, "MicMoniterValue") = micMoniterValue;
}

int CHs6533Profiledata::EqSlotOf(int eqType) {
  if (eqType == kCustomEqType) return -1;
  if (eqType >= 1 && eqType <= 12) return eqType;
  return 1;
}

std::vector<int> CHs6533Profiledata::ReadBands(const char* key, int index) {
  std::vector<int> bands;
  if (index < 0) return bands;
  const auto slot = static_cast<Json::ArrayIndex>(index);
  for (int b = 0; b < kEqBandCount; ++b) {
    const auto band = static_cast<Json::ArrayIndex>(b);
    const Json::Value& e = JElement(JElement(JMember(section_, key), slot), band);
    if (e.isNull()) {
      JSetMember(JSetElement(JSetElement(JSetMember(section_, key), slot), band), "value") = 0;
      bands.push_back(0);
    } else {
      bands.push_back(JInt(JMember(e, "value")));
    }
  }
  return bands;
}

void CHs6533Profiledata::WriteBands(const char* key, int index, const std::vector<int>& bands) {
  if (index < 0) return;
  Json::Value& slot = JSetElement(JSetMember(section_, key), static_cast<Json::ArrayIndex>(index));
  for (size_t b = 0; b < bands.size() && b < kEqBandCount; ++b)
    JSetMember(JSetElement(slot, static_cast<Json::ArrayIndex>(b)), "value") = bands[b];
}

std::vector<int> CHs6533Profiledata::GetEqBands(int eqType) {
  return ReadBands("EQHzValueInfo", EqSlotOf(eqType));
}

void CHs6533Profiledata::SetEqBands(int eqType, const std::vector<int>& bands) {
  WriteBands("EQHzValueInfo", EqSlotOf(eqType), bands);
}

std::vector<std::wstring> CHs6533Profiledata::GetCustomEqNames() const {
  std::vector<std::wstring> names;
  const Json::Value& array = JMember(section_, "CustomEQNameInfo");
  for (Json::ArrayIndex i = 0; i < JSize(array); ++i)
    names.push_back(WideFromUtf8(JString(JMember(array[i], "Name"))));
  return names;
}

void CHs6533Profiledata::SetCustomEqNames(const std::vector<std::wstring>& names) {
  Json::Value array(Json::arrayValue);
  for (const auto& name : names) {
    Json::Value e(Json::objectValue);
    e["Name"] = Utf8FromWide(name);
    array.append(e);
  }
  JSetMember(section_, "CustomEQNameInfo") = array;
}

std::vector<int> CHs6533Profiledata::GetCustomEqBands(int index) {
  return ReadBands("CustomEQHzValueInfo", index);
}

void CHs6533Profiledata::SetCustomEqBands(int index, const std::vector<int>& bands) {
  WriteBands("CustomEQHzValueInfo", index, bands);
}
