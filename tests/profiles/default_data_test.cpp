// Every shipped DefaultData file, loaded through the library.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "profiles/hs6533_profiledata.h"
#include "profiles/json_access.h"
#include "profiles/json_file.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/macro_events.h"
#include "profiles/mouse_profiledata.h"
#include "profiles/small_config.h"
#include "tests/profiles/temp_folder.h"

namespace {

std::string Shipped(const std::string& name) {
  return std::string(RUVEMO_SOURCE_DIR) + "/DefaultData/" + name;
}

// Opens a fresh profile of the product: a file holding only the names, so
// Load fills it from the shipped default profile.
class DefaultDataTest : public TempFolderTest {
 protected:
  template <typename Doc>
  void Open(Doc& doc, const std::string& product) {
    WriteDoc("p.Json", R"({"profilename": "profile1", "profileUUID": "p"})");
    doc.SetDefaultProfilePath(Shipped(product + ".Json"));
    doc.SetDeviceIndex(0);
    doc.SetProfilePath(PathOf("p.Json"));
    ASSERT_TRUE(doc.Load(PathOf("p.Json")).isObject()) << product;
  }
};

TEST_F(DefaultDataTest, KeyboardProfileHoldsEveryKeyWithItsLayoutCode) {
  CKeyboardProfiledata doc;
  Open(doc, "keyboard");
  const auto keys = doc.GetKeyList();
  ASSERT_EQ(keys.size(), 170u);
  struct Case {
    int key;
    AssignmentCode code;
  };
  for (const Case c :
       {Case{0, {0x20, 0, 0x29}}, Case{16, {0xA0, 0x1B, 0}}, Case{84, {0x20, 2, 0}},
        Case{110, {0xA0, 1, 0}}, Case{120, {0xD0, 0xA2, 1}}, Case{125, {0x20, 0x80, 0}},
        Case{126, {0x20, 0, 0}}, Case{169, {0x20, 0, 0}}}) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(keys[c.key].Default.code, c.code);
    EXPECT_EQ(keys[c.key].Normal.code, c.code);
    EXPECT_EQ(keys[c.key].Fn.code, c.code);
  }
  EXPECT_EQ(doc.ReadLightInfo().SelectItem, 4);
  EXPECT_EQ(doc.ReadAudioLightInfo().FgColorR, 255);
  const auto lights = doc.GetLightList();
  ASSERT_EQ(lights.size(), 170u);
  EXPECT_EQ(lights[0].valid, 0);  // no light overrides the running effect
  EXPECT_EQ(doc.GetSystemStages().RepeatDelay, 1);
  EXPECT_FALSE(doc.GetFnKeysetFlag());
  EXPECT_EQ(doc.GetCustomGroupIndex(), 0);
  EXPECT_EQ(doc.GetCustomLightColors(3, 170)[169].Alpha, 255);
  EXPECT_EQ(CollectUsedMacros(keys, 50).size(), 0u);
}

TEST_F(DefaultDataTest, MouseProfileHoldsButtonsStagesAndCorrections) {
  CMouseProfiledata doc;
  Open(doc, "mouse");
  const auto keys = doc.GetKeyList();
  ASSERT_EQ(keys.size(), 11u);
  EXPECT_EQ(keys[0].Default.code, (AssignmentCode{0x10, 1, 0}));
  EXPECT_EQ(keys[3].Default.code, (AssignmentCode{0x10, 0x10, 0}));
  EXPECT_EQ(keys[9].Default.code, (AssignmentCode{0x16, 0x90, 1}));
  EXPECT_EQ(keys[10].Default.code, (AssignmentCode{0x14, 0x78, 2}));
  const auto stages = doc.GetDpiStages();
  ASSERT_EQ(stages.size(), 5u);
  for (const auto& s : stages) EXPECT_EQ(s.StageActive, 1);
  EXPECT_EQ(stages[4].StageColorB, 255);
  EXPECT_EQ(doc.GetActiveDpiStage(), 1);
  EXPECT_EQ(doc.GetMouseSystemStages().ReportStage, 3);
  EXPECT_EQ(doc.GetMouseSystemStages().WheelScorlllinse, 3);
  const auto correct = doc.GetCorrectList();
  ASSERT_EQ(correct.size(), 3u);
  EXPECT_EQ(correct[0].CorrectSelect, 1);
  EXPECT_EQ(correct[2].CorrectName, L"mouse_correct_strong");
  EXPECT_EQ(doc.GetLightList().size(), 15u);
}

TEST_F(DefaultDataTest, HeadsetProfileHoldsTheTwelvePresets) {
  CHs6533Profiledata doc;
  Open(doc, "HD");
  EXPECT_EQ(doc.GetSystemSetStages().EqType, 5);
  EXPECT_EQ(doc.GetEqBands(1), (std::vector<int>{7, 11, 2, -3, -1, 4, 9, 12, 9, 5}));
  EXPECT_EQ(doc.GetEqBands(2)[4], -11);
  EXPECT_EQ(doc.GetEqBands(5), std::vector<int>(10, 0));
  EXPECT_EQ(doc.GetEqBands(6)[2], -13);
  EXPECT_EQ(doc.GetEqBands(12), (std::vector<int>{2, 1, -2, -4, -8, 4, 12, 16, 18, 15}));
  EXPECT_TRUE(doc.GetCustomEqNames().empty());
  EXPECT_EQ(doc.GetLightList().size(), 13u);
  CBasicProfiledata pad;
  Open(pad, "MousePad");
  EXPECT_EQ(pad.ReadLightInfo().Light, 4);
  EXPECT_EQ(pad.GetLightList().size(), 15u);
}

TEST_F(DefaultDataTest, LightTablesOfEveryProduct) {
  struct Case {
    int index;
    size_t modes;
  };
  for (const Case c : {Case{0, 10}, Case{1, 31}, Case{2, 9}, Case{3, 9}}) {
    SCOPED_TRACE(c.index);
    LightingNames names;
    ReadDefaultLightNames(Shipped("default_light.json"), c.index, names);
    ASSERT_EQ(names.modeNames.size(), c.modes);
    ASSERT_EQ(names.modeVisible.size(), c.modes);
    for (size_t i = 0; i < c.modes; ++i) EXPECT_EQ(names.modeValues[i], static_cast<int>(i));
    EXPECT_EQ(names.modeNames[0].rfind(L"light_mode_", 0), 0u);
    EXPECT_FALSE(names.areaNames.empty());
  }
}

TEST_F(DefaultDataTest, SmallShippedFiles) {
  const auto languages = ReadLanguageList(Shipped("Language.config"));
  ASSERT_GE(languages.size(), 2u);
  EXPECT_TRUE(std::any_of(languages.begin(), languages.end(),
                          [](const LanguageEntry& e) { return e.id == 520; }));
  for (const auto& e : languages) EXPECT_FALSE(e.file.empty());

  ColourOptions colours;
  ASSERT_TRUE(ReadColourOptions(Shipped("color_option_info.config"), colours));
  EXPECT_EQ(colours.presets[0], 0xFFFF0000u);
  EXPECT_EQ(colours.presets[19], 0xFF000080u);
  EXPECT_EQ(colours.collected[19], 0u);

  const AudioStyles styles =
      ReadAudioStyles(LoadAudioFile(PathOf("a.json"), Shipped("AudioFile.json")));
  for (const auto& s : styles.styles) {
    EXPECT_FALSE(s.name.empty());
    EXPECT_LE(std::max({s.red, s.green, s.blue}), 9);
  }
}

TEST_F(DefaultDataTest, ShootingFilesHoldThirtyBulletsEach) {
  std::vector<Json::Value> guns;
  for (int gun = 0; gun < 4; ++gun) {
    const Json::Value doc = ReadJson(Shipped("ShootData_" + std::to_string(gun) + ".Shoot"));
    const Json::Value& events = JMember(doc, "Events");
    ASSERT_EQ(JSize(events), 180u) << gun;
    EXPECT_EQ(events[6]["Type"].asInt(), 1);
    EXPECT_EQ(events[6]["Action"].asString(), "down");
    EXPECT_EQ(events[9]["Type"].asInt(), 5);
    guns.push_back(events);
  }
  EXPECT_EQ(BuildEventBlock(guns).size(), 16u + 24 + 4 * 720);
}

}  // namespace
