// The key spellings of the stored files, as other programs and earlier files
// have them (misspellings included). Each record is written with a distinct
// value per field and the file's text must hold every key with its value, so
// a key misspelt the same way on reading and writing cannot pass.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "profiles/hs6533_profiledata.h"
#include "profiles/json_file.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/macro_library.h"
#include "profiles/mouse_profiledata.h"
#include "profiles/profile_list.h"
#include "tests/profiles/temp_folder.h"

namespace {

struct StoredKey {
  const char* key;
  const char* value;  // as the styled writer prints it
};

class StoredKeysTest : public TempFolderTest {
 protected:
  std::string Text(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  void ExpectKeys(const std::string& name, std::initializer_list<StoredKey> keys) const {
    const std::string text = Text(name);
    for (const auto& k : keys)
      EXPECT_NE(text.find("\"" + std::string(k.key) + "\" : " + k.value), std::string::npos)
          << name << " lacks \"" << k.key << "\" : " << k.value;
  }
  template <typename Doc>
  void Save(Doc& doc, const std::function<void(Doc&)>& set) {
    WriteDoc("p.Json", R"({"profilename": "p", "profileUUID": "p", "Device": [{}]})");
    doc.SetDeviceIndex(0);
    doc.SetProfilePath(PathOf("p.Json"));
    doc.Load(PathOf("p.Json"));
    set(doc);
    ASSERT_TRUE(doc.SaveProfile());
  }
};

TEST_F(StoredKeysTest, ProfileSections) {
  CKeyboardProfiledata keyboard;
  Save<CKeyboardProfiledata>(keyboard, [](CKeyboardProfiledata& d) {
    LightInfoRecord light;
    light.SelectItem = 11, light.Light = 12, light.Speed = 13, light.Fx = 14;
    light.MultiColor = 1, light.Red = 16, light.Green = 17, light.Blue = 18;
    light.ZZCCLedMode = 19, light.CustomGroup = 20, light.OldLedmode = 21;
    d.WriteLightInfo(light);
    d.WriteAudioLightInfo({31, 32, 33, 34, 35, 36, 37, 1, 0});
    d.SetSystemStages({41, 42, 43, 44, 45, 46, 47});
    d.SetFnKeysetFlag(true);
    d.SetCustomLightColors({{51, 52, 53, 54}}, 0);
    d.SetCustomGroupIndex(55);
    KeyAssignmentRecord key;
    key.Fn.code = {0x10, 0x01, 0x02};
    key.Normal.code = {0x20, 0x00, 0x04};
    d.SetKeyList({key});
  });
  ExpectKeys("p.Json", {{"SelectItem", "11"},
                        {"Light", "12"},
                        {"Speed", "13"},
                        {"Fx", "14"},
                        {"MultiColor", "1"},
                        {"Red", "16"},
                        {"Green", "17"},
                        {"Blue", "18"},
                        {"ZZCCLedMode", "19"},
                        {"CustomGroup", "20"},
                        {"OldLedmode", "21"},
                        {"AudioMode", "31"},
                        {"BkColorR", "32"},
                        {"BkColorG", "33"},
                        {"BkColorB", "34"},
                        {"FgColorR", "35"},
                        {"FgColorG", "36"},
                        {"FgColorB", "37"},
                        {"7ColorFlags", "1"},
                        {"ColorTypeFlags", "0"},
                        {"Repeat", "41"},
                        {"RepeatDelay", "42"},
                        {"Key6Flag", "43"},
                        {"PollingRate", "44"},
                        {"WFlag", "45"},
                        {"WinFlag", "46"},
                        {"Kyelatency", "47"},
                        {"FnKeysetFlag", "true"},
                        {"Red", "51"},
                        {"Green", "52"},
                        {"Blue", "53"},
                        {"Alpha", "54"},
                        {"CustomLightModeGroupIndex", "55"},
                        {"LightInfo", ""},
                        {"AudioLightInfo", ""},
                        {"SystemStages", ""},
                        {"CustomLightMode", ""},
                        {"LightColorInfo", ""},
                        {"KeyList", ""},
                        {"FnAssignment", "1048834"},
                        {"Assignment", "2097156"},
                        {"profilename", "\"p\""},
                        {"profileUUID", "\"p\""},
                        {"Device", ""}});
  // What was written reads back the same.
  CKeyboardProfiledata again;
  again.SetDeviceIndex(0);
  again.Load(PathOf("p.Json"));
  const AudioLightRecord audio = again.ReadAudioLightInfo();
  EXPECT_EQ(audio.AudioMode, 31);
  EXPECT_EQ(audio.BkColorB, 34);
  EXPECT_EQ(audio.FgColorR, 35);
  EXPECT_EQ(audio.FgColorB, 37);
  EXPECT_EQ(audio.SevenColorFlags, 1);
  EXPECT_EQ(audio.ColorTypeFlags, 0);
  EXPECT_EQ(again.GetSystemStages().Kyelatency, 47);
  EXPECT_EQ(again.ReadLightInfo().OldLedmode, 21);

  CMouseProfiledata mouse;
  Save<CMouseProfiledata>(mouse, [](CMouseProfiledata& d) {
    d.SetDpiStages({{61, 62, 12000, 13000, 63, 64, 65}});
    d.SetActiveDpiStage(3);
    d.SetMouseSystemStages({71, 72, 73, 74, 75, 76});
  });
  ExpectKeys("p.Json", {{"DPIStages", ""},
                        {"StageDPIs", ""},
                        {"StageActive", "61"},
                        {"StageXY", "62"},
                        {"StageDPIX", "12000"},
                        {"StageDPIY", "13000"},
                        {"StageColorR", "63"},
                        {"StageColorG", "64"},
                        {"StageColorB", "65"},
                        {"StageActive", "3"},
                        {"DoubleClickTime", "71"},
                        {"MouseSpeed", "72"},
                        {"PointerPrecision", "73"},
                        {"ScorllPage", "74"},
                        {"WheelScorlllinse", "75"},
                        {"ReportStages", ""},
                        {"StageActive", "76"}});

  CHs6533Profiledata headset;
  Save<CHs6533Profiledata>(headset, [](CHs6533Profiledata& d) {
    d.SetSystemSetStages(81, 82, 83, 84, 85, 86, 87, 88);
    d.SetEqBands(2, {91, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    d.SetCustomEqNames({L"Mine"});
    d.SetCustomEqBands(0, {92, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  });
  ExpectKeys("p.Json", {{"SystemSetStages", ""},
                        {"MagicEnable", "81"},
                        {"MagicType", "82"},
                        {"EqType", "83"},
                        {"CustomEqSeletIndex", "84"},
                        {"MicInSelect", "85"},
                        {"MicInValue", "86"},
                        {"MicMoniterSelect", "87"},
                        {"MicMoniterValue", "88"},
                        {"EQHzValueInfo", ""},
                        {"value", "91"},
                        {"CustomEQNameInfo", ""},
                        {"Name", "\"Mine\""},
                        {"CustomEQHzValueInfo", ""},
                        {"value", "92"}});
}

TEST_F(StoredKeysTest, ProfileListAndMacroFiles) {
  CProfileList list;
  list.SetFolders(dir_, PathOf("none.Json"));
  ASSERT_TRUE(list.InitProfiles());
  ASSERT_TRUE(list.AddProfile());
  ExpectKeys("ProfileList.ini", {{"profilelist", ""},
                                 {"profilename", "\"profile2\""},
                                 {"profileUUID", "\""},
                                 {"profileislink", "0"},
                                 {"profilelinkmame", "\"\""},
                                 {"profileselect", "1"}});

  CMacroLibrary library(dir_);
  ASSERT_EQ(library.NewMacro(), 0);
  ASSERT_TRUE(library.SaveMacroEvents(
      0, Parse(R"([{"Type": 10, "Action": "down", "Button": 4, "Delay": 300}])")));
  ExpectKeys("macro.config", {{"MacroInfo", ""}, {"MacroName", "\"macro_1\""}, {"Guid", "\""}});
  ExpectKeys(library.ListMacros()[0].guid + ".mac", {{"MacroName", "\"macro_1\""},
                                                     {"Guid", "\""},
                                                     {"Events", ""},
                                                     {"Version", "64"},
                                                     {"Type", "10"},
                                                     {"Action", "\"down\""},
                                                     {"Button", "4"},
                                                     {"Delay", "\"300\""}});
}

}  // namespace
