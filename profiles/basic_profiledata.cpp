#include "profiles/basic_profiledata.h"

#include "profiles/json_access.h"
#include "profiles/json_file.h"

namespace {

uint8_t U8(const Json::Value& v) { return static_cast<uint8_t>(JInt(v)); }
uint8_t Flag(const Json::Value& v) { return JBool(v) ? 1 : 0; }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

KeyValue KeyValueOf(uint16_t key, const Json::Value& packed) {
  KeyValue value;
  value.key = key;
  value.code = AssignmentCode::Unpack(JInt(packed));
  return value;
}

}  // namespace

void CBasicProfiledata::SetProfilePath(const std::string& path) {
  if (!path.empty()) profilePath_ = path;
}

void CBasicProfiledata::SetDefaultProfilePath(const std::string& path) {
  if (!path.empty()) defaultProfilePath_ = path;
}

void CBasicProfiledata::SetLightLibraryPath(const std::string& path) {
  if (!path.empty()) lightLibraryPath_ = path;
}

void CBasicProfiledata::SetDeviceIndex(int index) {
  deviceIndex_ = (index < 0 || index >= 64) ? 0 : index;
}

Json::Value CBasicProfiledata::LoadInto(Json::Value& target, const std::string& path) {
  Json::Value doc = ReadJson(path);
  Json::Value section = JElement(JMember(doc, "Device"), Index());
  if (!section.isObject()) {
    const Json::Value def = ReadJson(defaultProfilePath_);
    section = JElement(JMember(def, "Device"), Index());
    if (!JMember(doc, "Device").isArray())
      JSetMember(doc, "Device") = Json::Value(Json::arrayValue);
    JSetElement(JSetMember(doc, "Device"), Index()) = section;
    WriteJson(path, doc);
  }
  target = section;
  return section;
}

Json::Value CBasicProfiledata::Load(const std::string& path) { return LoadInto(section_, path); }

Json::Value CBasicProfiledata::LoadSecondary(const std::string& path) {
  return LoadInto(secondary_, path);
}

LightInfoRecord CBasicProfiledata::ReadLightInfo() {
  LightInfoRecord r;
  const Json::Value& info = JMember(section_, "LightInfo");
  if (!info.isNull()) {
    r.SelectItem = U8(JMember(info, "SelectItem"));
    r.Light = U8(JMember(info, "Light"));
    r.Speed = U8(JMember(info, "Speed"));
    r.Fx = U8(JMember(info, "Fx"));
    r.MultiColor = Flag(JMember(info, "MultiColor"));
    r.Red = U8(JMember(info, "Red"));
    r.Green = U8(JMember(info, "Green"));
    r.Blue = U8(JMember(info, "Blue"));
    r.ZZCCLedMode = U8(JMember(info, "ZZCCLedMode"));
    r.CustomGroup = U8(JMember(info, "CustomGroup"));
    r.OldLedmode = U8(JMember(info, "OldLedmode"));
  }
  lightInfo_ = r;
  return r;
}

void CBasicProfiledata::WriteLightInfo(const LightInfoRecord& r) {
  lightInfo_ = r;
  Json::Value info(Json::objectValue);
  info["SelectItem"] = r.SelectItem;
  info["Light"] = r.Light;
  info["Speed"] = r.Speed;
  info["Fx"] = r.Fx;
  info["MultiColor"] = r.MultiColor ? 1 : 0;
  info["Red"] = r.Red;
  info["Green"] = r.Green;
  info["Blue"] = r.Blue;
  info["ZZCCLedMode"] = r.ZZCCLedMode;
  info["CustomGroup"] = r.CustomGroup;
  info["OldLedmode"] = r.OldLedmode;
  JSetMember(section_, "LightInfo") = info;
}

AudioLightRecord CBasicProfiledata::ReadAudioLightInfo() {
  AudioLightRecord r;
  const Json::Value& info = JMember(section_, "AudioLightInfo");
  if (!info.isNull()) {
    r.AudioMode = U8(JMember(info, "AudioMode"));
    r.BkColorR = U8(JMember(info, "BkColorR"));
    r.BkColorG = U8(JMember(info, "BkColorG"));
    r.BkColorB = U8(JMember(info, "BkColorB"));
    r.FgColorR = U8(JMember(info, "FgColorR"));
    r.FgColorG = U8(JMember(info, "FgColorG"));
    r.FgColorB = U8(JMember(info, "FgColorB"));
    r.SevenColorFlags = Flag(JMember(info, "7ColorFlags"));
    r.ColorTypeFlags = Flag(JMember(info, "ColorTypeFlags"));
  }
  audioLightInfo_ = r;
  return r;
}

void CBasicProfiledata::WriteAudioLightInfo(const AudioLightRecord& r) {
  audioLightInfo_ = r;
  Json::Value info(Json::objectValue);
  info["AudioMode"] = r.AudioMode;
  info["BkColorR"] = r.BkColorR;
  info["BkColorG"] = r.BkColorG;
  info["BkColorB"] = r.BkColorB;
  info["FgColorR"] = r.FgColorR;
  info["FgColorG"] = r.FgColorG;
  info["FgColorB"] = r.FgColorB;
  info["7ColorFlags"] = r.SevenColorFlags ? 1 : 0;
  info["ColorTypeFlags"] = r.ColorTypeFlags ? 1 : 0;
  JSetMember(section_, "AudioLightInfo") = info;
}

std::vector<LightModeRecord> CBasicProfiledata::GetLightList() {
  std::vector<LightModeRecord> list;
  const Json::Value& array = JMember(section_, "LightList");
  for (Json::ArrayIndex i = 0; i < JSize(array); ++i) {
    const Json::Value& e = array[i];
    LightModeRecord r;
    if (!e.isNull()) {
      r.mode = U8(JMember(e, "LEDREGMode"));
      r.brightness = U8(JMember(e, "LEDBrightness"));
      r.speed = U8(JMember(e, "LEDSpeed"));
      r.direction = Flag(JMember(e, "LEDDirection"));
      r.multicolour = Flag(JMember(e, "LEDMultiColor"));
      r.red = U8(JMember(e, "red"));
      r.green = U8(JMember(e, "green"));
      r.blue = U8(JMember(e, "blue"));
      r.valid = 1;
    }
    list.push_back(r);
  }
  lightList_ = list;
  return list;
}

Json::Value CBasicProfiledata::LoadLightLibrary(const std::string& path) {
  lightLibrary_ = ReadJson(path);
  return lightLibrary_;
}

std::vector<EffectStepRecord> CBasicProfiledata::GetCustomEffect() {
  std::vector<EffectStepRecord> steps;
  if (!lightLibrary_.isNull()) {
    const Json::Value& entry =
        JElement(JElement(JMember(lightLibrary_, "LightInfo"), Index()), lightInfo_.SelectItem);
    const std::string name = JString(JMember(entry, "Guid")) + ".light";
    if (IsPlainFileName(name)) {
      const Json::Value doc = ReadJson(FolderOf(lightLibraryPath_) + name);
      const Json::Value& list = JMember(doc, "LEDEffectList");
      for (Json::ArrayIndex i = 0; i < JSize(list); ++i) {
        const Json::Value& e = list[i];
        EffectStepRecord s;
        s.mode = U8(JMember(e, "LEDREGMode"));
        s.direction = U8(JMember(e, "LEDDirection"));
        s.brightness = U8(JMember(e, "LEDBrightness"));
        s.speed = U8(JMember(e, "LEDSpeed"));
        s.multicolour = U8(JMember(e, "LEDMultiColor"));
        s.red = U8(JMember(e, "red"));
        s.green = U8(JMember(e, "green"));
        s.blue = U8(JMember(e, "blue"));
        s.Time = JInt(JMember(e, "Time"));
        s.Cyle = JInt(JMember(e, "Cyle"));
        steps.push_back(s);
      }
    }
  }
  effectSteps_ = steps;
  return steps;
}

std::vector<KeyAssignmentRecord> CBasicProfiledata::ReadKeyList(const Json::Value& section) {
  std::vector<KeyAssignmentRecord> list;
  const Json::Value& keys = JMember(section, "KeyList");
  list.reserve(JSize(keys));
  for (Json::ArrayIndex i = 0; i < JSize(keys); ++i) {
    const Json::Value& e = keys[i];
    const auto key = static_cast<uint16_t>(i);
    list.push_back({KeyValueOf(key, JMember(e, "FnAssignment")),
                    KeyValueOf(key, JMember(e, "Assignment")),
                    KeyValueOf(key, JMember(e, "DefaultAssignment"))});
  }
  return list;
}

void CBasicProfiledata::WriteKeyList(Json::Value& section,
                                     const std::vector<KeyAssignmentRecord>& list) {
  Json::Value& keys = JSetMember(section, "KeyList");
  for (size_t i = 0; i < list.size(); ++i) {
    Json::Value& e = JSetElement(keys, static_cast<Json::ArrayIndex>(i));
    JSetMember(e, "Assignment") = list[i].Normal.code.Pack();
    JSetMember(e, "FnAssignment") = list[i].Fn.code.Pack();
  }
}

std::vector<KeyAssignmentRecord> CBasicProfiledata::GetKeyList() {
  keyList_ = ReadKeyList(section_);
  return keyList_;
}

std::vector<KeyAssignmentRecord> CBasicProfiledata::GetSecondaryKeyList() {
  secondaryKeyList_ = ReadKeyList(secondary_);
  return secondaryKeyList_;
}

void CBasicProfiledata::SetKeyList(const std::vector<KeyAssignmentRecord>& list) {
  WriteKeyList(section_, list);
}

void CBasicProfiledata::SetSecondaryKeyList(const std::vector<KeyAssignmentRecord>& list) {
  WriteKeyList(secondary_, list);
}

bool CBasicProfiledata::SaveProfile() { return SaveSection(section_, profilePath_); }

bool CBasicProfiledata::SaveSection(const Json::Value& value, const std::string& path) {
  if (path.empty()) return false;
  Json::Value doc = ReadJson(path);
  if (!JMember(doc, "Device").isArray()) JSetMember(doc, "Device") = Json::Value(Json::arrayValue);
  JSetElement(JSetMember(doc, "Device"), Index()) = value;
  return WriteJson(path, doc) == 0;
}

bool CBasicProfiledata::SaveSecondary(const std::string& path) {
  return SaveSection(secondary_, path);
}

bool CBasicProfiledata::WriteDocument(const Json::Value& value, const std::string& path) {
  if (path.empty()) return false;
  return WriteJson(path, value) == 0;
}
