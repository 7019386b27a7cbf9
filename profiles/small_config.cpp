#include "profiles/small_config.h"

#include <cstdio>
#include <sstream>

#include "profiles/json_access.h"
#include "profiles/json_file.h"

namespace {

std::wstring Text(const Json::Value& v) { return WideFromUtf8(JString(v)); }

bool IsColourDocument(const Json::Value& doc) { return JMember(doc, "coloroptioninfo").isObject(); }

}  // namespace

void ReadMacroNameList(const std::string& indexPath, LightingNames& names) {
  const Json::Value doc = ReadJson(indexPath);
  const Json::Value& info = JMember(doc, "MacroInfo");
  names.macroNames.clear();
  for (Json::ArrayIndex i = 0; i < JSize(info); ++i)
    names.macroNames.push_back(Text(JMember(info[i], "MacroName")));
}

void ReadDefaultLightNames(const std::string& path, int k, LightingNames& names) {
  if (k < 0) return;
  const Json::Value doc = ReadJson(path);
  const Json::Value& modes =
      JElement(JMember(doc, "DefaultLightName"), static_cast<Json::ArrayIndex>(k));
  if (!modes.isNull()) {
    names.modeNames.clear();
    names.modeVisible.clear();
    names.modeValues.clear();
    for (Json::ArrayIndex i = 0; i < JSize(modes); ++i) {
      names.modeNames.push_back(Text(JMember(modes[i], "LightName")));
      names.modeVisible.push_back(JBool(JMember(modes[i], "visible")));
      names.modeValues.push_back(JInt(JMember(modes[i], "value")));
    }
  }
  const Json::Value& areas =
      JElement(JMember(doc, "AreaLightName"), static_cast<Json::ArrayIndex>(k));
  if (!areas.isNull()) {
    names.areaNames.clear();
    for (Json::ArrayIndex i = 0; i < JSize(areas); ++i)
      names.areaNames.push_back(Text(JMember(areas[i], "LightName")));
  }
}

void ReadCustomEffectNames(const std::string& path, int k, LightingNames& names) {
  if (k < 0) return;
  const Json::Value doc = ReadJson(path);
  const Json::Value& effects =
      JElement(JMember(doc, "LightInfo"), static_cast<Json::ArrayIndex>(k));
  if (effects.isNull()) return;
  names.customEffectNames.clear();
  for (Json::ArrayIndex i = 0; i < JSize(effects); ++i)
    names.customEffectNames.push_back(Text(JMember(effects[i], "LightName")));
}

void RefreshLightingNames(const std::string& userDeviceFolder, const std::string& defaultDataFolder,
                          int k, bool macrosFromTomelIndex, LightingNames& names) {
  ReadMacroNameList(
      userDeviceFolder + (macrosFromTomelIndex ? "tomel_macro.config" : "macro.config"), names);
  ReadDefaultLightNames(defaultDataFolder + "default_light.json", k, names);
  ReadCustomEffectNames(userDeviceFolder + "tomel_light.config", k, names);
}

std::string FormatArgb(uint32_t argb) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", argb);
  return text;
}

uint32_t ParseArgb(const std::string& text) {
  uint32_t value = 0;
  if (text.empty() || text.size() > 8) return 0;
  for (const char c : text) {
    uint32_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    else
      return 0;
    value = value << 4 | digit;
  }
  return value;
}

bool ReadColourOptions(const std::string& path, ColourOptions& options) {
  const Json::Value doc = ReadJson(path);
  if (!IsColourDocument(doc)) return false;
  const Json::Value& info = JMember(doc, "coloroptioninfo");
  const Json::Value& presets = JMember(info, "palletDialogcoloroption");
  const Json::Value& collected = JMember(info, "palletDialogcollectcoloroption");
  for (int i = 0; i < kColourOptionCount; ++i) {
    const auto k = static_cast<Json::ArrayIndex>(i);
    const Json::Value& p = JElement(presets, k);
    if (!p.isNull()) options.presets[i] = ParseArgb(JString(JMember(p, "color")));
    const Json::Value& c = JElement(collected, k);
    if (!c.isNull()) {
      options.collected[i] = ParseArgb(JString(JMember(c, "color")));
      options.collectedUserData[i] = Text(JMember(c, "UserData"));
    }
  }
  options.presetSelect =
      JInt(JMember(info, "palletDialogcoloroption_selectitem"), options.presetSelect);
  options.collectedSelect =
      JInt(JMember(info, "palletDialogcollectcoloroption_selectitem"), options.collectedSelect);
  return true;
}

ColourOptions LoadUserColourOptions(const std::string& userPath, const std::string& shippedPath) {
  ColourOptions options;
  if (!IsColourDocument(ReadJson(userPath))) {
    const Json::Value shipped = ReadJson(shippedPath);
    if (IsColourDocument(shipped)) WriteJson(userPath, shipped);
  }
  ReadColourOptions(userPath, options);
  return options;
}

Json::Value ColourOptionsDocument(const ColourOptions& options) {
  Json::Value doc(Json::objectValue);
  Json::Value& info = doc["coloroptioninfo"];
  for (int i = 0; i < kColourOptionCount; ++i) {
    info["palletDialogcoloroption"][i]["color"] = FormatArgb(options.presets[i]);
    info["palletDialogcollectcoloroption"][i]["color"] = FormatArgb(options.collected[i]);
    info["palletDialogcollectcoloroption"][i]["UserData"] =
        Utf8FromWide(options.collectedUserData[i]);
  }
  info["palletDialogcoloroption_selectitem"] = options.presetSelect;
  info["palletDialogcollectcoloroption_selectitem"] = options.collectedSelect;
  return doc;
}

bool SaveColourPresets(const std::string& path, const ColourOptions& options) {
  Json::Value doc = ReadJson(path);
  Json::Value& info = JSetMember(doc, "coloroptioninfo");
  Json::Value& presets = JSetMember(info, "palletDialogcoloroption");
  for (int i = 0; i < kColourOptionCount; ++i)
    JSetMember(JSetElement(presets, static_cast<Json::ArrayIndex>(i)), "color") =
        FormatArgb(options.presets[i]);
  JSetMember(info, "palletDialogcoloroption_selectitem") = options.presetSelect;
  return WriteJson(path, doc) == 0;
}

bool SaveCollectedColours(const std::string& path, const ColourOptions& options) {
  Json::Value doc = ReadJson(path);
  Json::Value& info = JSetMember(doc, "coloroptioninfo");
  Json::Value& slots = JSetMember(info, "palletDialogcollectcoloroption");
  for (int i = 0; i < kColourOptionCount; ++i) {
    Json::Value& slot = JSetElement(slots, static_cast<Json::ArrayIndex>(i));
    JSetMember(slot, "color") = FormatArgb(options.collected[i]);
    JSetMember(slot, "UserData") = Utf8FromWide(options.collectedUserData[i]);
  }
  JSetMember(info, "palletDialogcollectcoloroption_selectitem") = options.collectedSelect;
  return WriteJson(path, doc) == 0;
}

std::string FormatUpdateDate(int year, int month, int day) {
  return std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
}

std::string ReadUpdateDate(const std::string& path) {
  return JString(JMember(JMember(ReadJson(path), "updatelasttime"), "value"));
}

bool WriteUpdateDate(const std::string& path, int year, int month, int day) {
  Json::Value doc(Json::objectValue);
  doc["updatelasttime"]["value"] = FormatUpdateDate(year, month, day);
  return WriteJson(path, doc) == 0;
}

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text;
  if (!ReadFileBytes(path, text)) return lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  const size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

bool IsSection(const std::string& line, std::string* name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  if (name) *name = t.substr(1, t.size() - 2);
  return true;
}

bool SameAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

SkinImage ReadSkinImage(const std::string& path) {
  SkinImage skin;
  bool inSection = false;
  for (const auto& line : ReadLines(path)) {
    std::string name;
    if (IsSection(line, &name)) {
      inSection = SameAscii(name, "SKINIMAGE");
      continue;
    }
    const size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    if (SameAscii(key, "FLAGS")) skin.flags = line.substr(eq + 1);
    if (SameAscii(key, "IMAGE")) skin.image = line.substr(eq + 1);
  }
  return skin;
}

bool WriteSkinImage(const std::string& path, const SkinImage& skin) {
  // Line breaks would start new keys.
  for (const auto* v : {&skin.flags, &skin.image})
    if (v->find_first_of("\r\n") != std::string::npos) return false;
  std::vector<std::string> out;
  bool inSection = false, sawSection = false, wroteFlags = false, wroteImage = false;
  auto finishSection = [&] {
    if (!wroteFlags) out.push_back("FLAGS=" + skin.flags);
    if (!wroteImage) out.push_back("IMAGE=" + skin.image);
    wroteFlags = wroteImage = true;
  };
  for (const auto& line : ReadLines(path)) {
    std::string name;
    if (IsSection(line, &name)) {
      if (inSection) finishSection();
      inSection = SameAscii(name, "SKINIMAGE");
      sawSection = sawSection || inSection;
      out.push_back(line);
      continue;
    }
    const size_t eq = line.find('=');
    if (inSection && eq != std::string::npos) {
      const std::string key = Trim(line.substr(0, eq));
      if (SameAscii(key, "FLAGS")) {
        if (!wroteFlags) out.push_back("FLAGS=" + skin.flags);
        wroteFlags = true;
        continue;
      }
      if (SameAscii(key, "IMAGE")) {
        if (!wroteImage) out.push_back("IMAGE=" + skin.image);
        wroteImage = true;
        continue;
      }
    }
    out.push_back(line);
  }
  if (inSection) finishSection();
  if (!sawSection) {
    out.push_back("[SKINIMAGE]");
    finishSection();
  }
  std::string text;
  for (const auto& line : out) text += line + "\n";
  return WriteFileAtomic(path, text) == 0;
}

std::vector<LanguageEntry> ReadLanguageList(const std::string& path) {
  std::vector<LanguageEntry> list;
  const Json::Value doc = ReadJson(path);
  const Json::Value& entries = JMember(doc, "Language");
  for (Json::ArrayIndex i = 0; i < JSize(entries); ++i) {
    const Json::Value& e = entries[i];
    list.push_back({Text(JMember(e, "Language_name")), Text(JMember(e, "Language_file")),
                    Text(JMember(e, "Language_text")), JInt(JMember(e, "Language_ID"))});
  }
  return list;
}

AudioStyles ReadAudioStyles(const Json::Value& device) {
  AudioStyles out;
  const Json::Value& info = JMember(device, "AudioLightInfo");
  out.selected = JInt(JMember(info, "nAudioStyle"));
  for (int s = 0; s < 4; ++s) {
    const std::string n = std::to_string(s);
    out.styles[s].name = Text(JMember(info, ("nStyleName" + std::to_string(s + 1)).c_str()));
    out.styles[s].red = JInt(JMember(info, ("nStyleR" + n).c_str()));
    out.styles[s].green = JInt(JMember(info, ("nStyleG" + n).c_str()));
    out.styles[s].blue = JInt(JMember(info, ("nStyleB" + n).c_str()));
  }
  return out;
}

void WriteAudioStyles(Json::Value& device, const AudioStyles& styles) {
  Json::Value& info = JSetMember(device, "AudioLightInfo");
  JSetMember(info, "nAudioStyle") = styles.selected;
  for (int s = 0; s < 4; ++s) {
    const std::string n = std::to_string(s);
    JSetMember(info, ("nStyleName" + std::to_string(s + 1)).c_str()) =
        Utf8FromWide(styles.styles[s].name);
    JSetMember(info, ("nStyleR" + n).c_str()) = styles.styles[s].red;
    JSetMember(info, ("nStyleG" + n).c_str()) = styles.styles[s].green;
    JSetMember(info, ("nStyleB" + n).c_str()) = styles.styles[s].blue;
  }
}

Json::Value LoadAudioFile(const std::string& userPath, const std::string& shippedPath) {
  Json::Value user = ReadJson(userPath);
  if (!JMember(user, "Device").isObject()) {
    user = ReadJson(shippedPath);
    if (!JMember(user, "Device").isObject()) return Json::Value(Json::objectValue);
    WriteJson(userPath, user);
  }
  return JMember(user, "Device");
}

bool SaveAudioFile(const std::string& userPath, const Json::Value& device) {
  Json::Value doc = ReadJson(userPath);
  JSetMember(doc, "Device") = device;
  return WriteJson(userPath, doc) == 0;
}
