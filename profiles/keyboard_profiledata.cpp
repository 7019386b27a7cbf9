#include "profiles/keyboard_profiledata.h"

#include "profiles/json_access.h"

namespace {

uint16_t U16(const Json::Value& v) { return static_cast<uint16_t>(JInt(v)); }
uint8_t U8(const Json::Value& v) { return static_cast<uint8_t>(JInt(v)); }

}  // namespace

KbSystemStages CKeyboardProfiledata::GetSystemStages() {
  KbSystemStages r;
  const Json::Value& s = JMember(section_, "SystemStages");
  if (!s.isNull()) {
    r.Repeat = U16(JMember(s, "Repeat"));
    r.RepeatDelay = U16(JMember(s, "RepeatDelay"));
    r.Key6Flag = U16(JMember(s, "Key6Flag"));
    r.PollingRate = U16(JMember(s, "PollingRate"));
    r.WFlag = U16(JMember(s, "WFlag"));
    r.WinFlag = U16(JMember(s, "WinFlag"));
    r.Kyelatency = U16(JMember(s, "Kyelatency"));
  }
  systemStages_ = r;
  return r;
}

void CKeyboardProfiledata::SetSystemStages(const KbSystemStages& r) {
  systemStages_ = r;
  Json::Value& s = JSetMember(section_, "SystemStages");
  JSetMember(s, "Repeat") = r.Repeat;
  JSetMember(s, "RepeatDelay") = r.RepeatDelay;
  JSetMember(s, "Key6Flag") = r.Key6Flag;
  JSetMember(s, "PollingRate") = r.PollingRate;
  JSetMember(s, "WFlag") = r.WFlag;
  JSetMember(s, "WinFlag") = r.WinFlag;
  JSetMember(s, "Kyelatency") = r.Kyelatency;
}

bool CKeyboardProfiledata::GetFnKeysetFlag() const {
  return JBool(JMember(section_, "FnKeysetFlag"));
}

void CKeyboardProfiledata::SetFnKeysetFlag(bool flag) {
  JSetMember(section_, "FnKeysetFlag") = flag;
}

std::vector<RgbaColor> CKeyboardProfiledata::GetCustomLightColors(int group, int count) {
  std::vector<RgbaColor> list;
  if (group < 0 || count < 0) {
    customColors_ = list;
    return list;
  }
  const auto g = static_cast<Json::ArrayIndex>(group);
  for (int i = 0; i < count; ++i) {
    const auto k = static_cast<Json::ArrayIndex>(i);
    const Json::Value& c =
        JElement(JElement(JMember(JMember(section_, "CustomLightMode"), "LightColorInfo"), g), k);
    RgbaColor colour;
    if (c.isNull()) {
      Json::Value& place = JSetElement(
          JSetElement(JSetMember(JSetMember(section_, "CustomLightMode"), "LightColorInfo"), g), k);
      JSetMember(place, "Red") = 0;
      JSetMember(place, "Green") = 0;
      JSetMember(place, "Blue") = 0;
      JSetMember(place, "Alpha") = 0;
    } else {
      colour = {U8(JMember(c, "Red")), U8(JMember(c, "Green")), U8(JMember(c, "Blue")),
                U8(JMember(c, "Alpha"))};
    }
    list.push_back(colour);
  }
  customColors_ = list;
  return list;
}

void CKeyboardProfiledata::SetCustomLightColors(const std::vector<RgbaColor>& list, int group) {
  if (group < 0) return;
  Json::Value& colours =
      JSetElement(JSetMember(JSetMember(section_, "CustomLightMode"), "LightColorInfo"),
                  static_cast<Json::ArrayIndex>(group));
  for (size_t i = 0; i < list.size(); ++i) {
    Json::Value& place = JSetElement(colours, static_cast<Json::ArrayIndex>(i));
    JSetMember(place, "Red") = list[i].Red;
    JSetMember(place, "Green") = list[i].Green;
    JSetMember(place, "Blue") = list[i].Blue;
    JSetMember(place, "Alpha") = list[i].Alpha;
  }
}

int CKeyboardProfiledata::GetCustomGroupIndex() {
  customGroupIndex_ =
      JInt(JMember(JMember(section_, "CustomLightMode"), "CustomLightModeGroupIndex"));
  return customGroupIndex_;
}

void CKeyboardProfiledata::SetCustomGroupIndex(int index) {
  customGroupIndex_ = index;
  JSetMember(JSetMember(section_, "CustomLightMode"), "CustomLightModeGroupIndex") = index;
}
