#pragma once
// The small files beside the profiles: lighting names (default_light.json,
// tomel_light.config, the macro index files), the colour picker's options
// (color_option_info.config), the last update check (updatetime.config), the
// skin picture (main.ini), the language list (Language.config) and the music
// styles (AudioFile.json). Readers never fail: a missing or broken file leaves
// the caller's values as they were or gives defaults.

#include <json/json.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The lighting-name lists of a device object.
struct LightingNames {
  std::vector<std::wstring> macroNames;
  std::vector<std::wstring> modeNames;  // language ids or plain text
  std::vector<bool> modeVisible;
  std::vector<int> modeValues;  // effect codes sent to the device
  std::vector<std::wstring> areaNames;
  std::vector<std::wstring> customEffectNames;
};

// macro.config (keyboard, mouse) or tomel_macro.config (headset, pad):
// replaces the macro names when the file has "MacroInfo".
void ReadMacroNameList(const std::string& indexPath, LightingNames& names);
// default_light.json: "DefaultLightName"[k] replaces the three mode lists and
// "AreaLightName"[k] the area list, each only when present.
void ReadDefaultLightNames(const std::string& path, int lightTableIndex, LightingNames& names);
// tomel_light.config: "LightInfo"[k] replaces the custom effect names.
void ReadCustomEffectNames(const std::string& path, int lightTableIndex, LightingNames& names);
// All three, from the user device folder and the DefaultData folder.
void RefreshLightingNames(const std::string& userDeviceFolder, const std::string& defaultDataFolder,
                          int lightTableIndex, bool macrosFromTomelIndex, LightingNames& names);

// color_option_info.config.
inline constexpr int kColourOptionCount = 20;
struct ColourOptions {
  std::array<uint32_t, kColourOptionCount> presets{};  // ARGB
  int presetSelect = -1;
  std::array<uint32_t, kColourOptionCount> collected{};
  std::array<std::wstring, kColourOptionCount> collectedUserData;
  int collectedSelect = -1;
};
// Eight upper-case hex digits, alpha first; and back (a broken text gives 0).
std::string FormatArgb(uint32_t argb);
uint32_t ParseArgb(const std::string& text);
// Reads the file into options (missing entries keep their values). False
// when the file is missing or not a document with "coloroptioninfo".
bool ReadColourOptions(const std::string& path, ColourOptions& options);
// The user copy: read it; when it is missing or broken, seed it from the
// shipped copy first. Returns what was read.
ColourOptions LoadUserColourOptions(const std::string& userPath, const std::string& shippedPath);
// Rewrite the preset colours and their selection, or the collected colours,
// their user data and their selection, keeping the rest of the file.
bool SaveColourPresets(const std::string& path, const ColourOptions& options);
bool SaveCollectedColours(const std::string& path, const ColourOptions& options);
Json::Value ColourOptionsDocument(const ColourOptions& options);

// updatetime.config: "updatelasttime"."value" as "%d-%d-%d".
std::string FormatUpdateDate(int year, int month, int day);
std::string ReadUpdateDate(const std::string& path);
bool WriteUpdateDate(const std::string& path, int year, int month, int day);

// main.ini, section SKINIMAGE: FLAGS and IMAGE. Other lines are kept.
struct SkinImage {
  std::string flags;
  std::string image;
};
inline constexpr const char* kResetSkinImage = "common/background.png";
SkinImage ReadSkinImage(const std::string& path);
bool WriteSkinImage(const std::string& path, const SkinImage& skin);

// Language.config.
struct LanguageEntry {
  std::wstring name;  // "Language_name"
  std::wstring file;  // "Language_file"
  std::wstring text;  // "Language_text"
  int id = 0;         // "Language_ID"
};
std::vector<LanguageEntry> ReadLanguageList(const std::string& path);

// AudioFile.json: "Device"."AudioLightInfo" with "nAudioStyle", the four
// style names and their red, green and blue levels.
struct AudioStyle {
  std::wstring name;
  int red = 0;
  int green = 0;
  int blue = 0;
};
struct AudioStyles {
  int selected = 0;
  std::array<AudioStyle, 4> styles;
};
AudioStyles ReadAudioStyles(const Json::Value& device);
void WriteAudioStyles(Json::Value& device, const AudioStyles& styles);
// The "Device" object of the user copy; a missing or broken user copy is
// rebuilt from the shipped one first.
Json::Value LoadAudioFile(const std::string& userPath, const std::string& shippedPath);
bool SaveAudioFile(const std::string& userPath, const Json::Value& device);
