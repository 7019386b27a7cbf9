// The profile document classes on small profile files.

#include <gtest/gtest.h>

#include "profiles/hs6533_profiledata.h"
#include "profiles/json_file.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"
#include "tests/profiles/temp_folder.h"

namespace {

class ProfileDocumentTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    WriteDoc("default.Json", R"({"profilename": "default", "profileUUID": "default",
      "Device": [{"LightInfo": {"SelectItem": 3, "Light": 4}, "KeyList": [
        {"FnAssignment": 0, "Assignment": 2097193, "DefaultAssignment": 2097193}]}]})");
  }
  template <typename Doc>
  void Open(Doc& doc, const std::string& profileJson) {
    WriteDoc("p.Json", profileJson);
    doc.SetDefaultProfilePath(PathOf("default.Json"));
    doc.SetDeviceIndex(0);
    doc.SetProfilePath(PathOf("p.Json"));
    doc.Load(PathOf("p.Json"));
  }
};

TEST_F(ProfileDocumentTest, LoadFillsAMissingSectionFromTheDefaultAndKeepsTheNames) {
  CBasicProfiledata doc;
  Open(doc, R"({"profilename": "Game", "profileUUID": "2024_10_10_08_54_17_123"})");
  EXPECT_EQ(doc.ReadLightInfo().SelectItem, 3);
  const Json::Value file = ReadDoc("p.Json");
  EXPECT_EQ(file["profilename"].asString(), "Game");
  EXPECT_EQ(file["profileUUID"].asString(), "2024_10_10_08_54_17_123");
  EXPECT_EQ(file["Device"][0]["LightInfo"]["Light"].asInt(), 4);
}

TEST_F(ProfileDocumentTest, LoadOfBrokenOrWrongKindSectionsUsesTheDefault) {
  for (const char* text :
       {"", "{", "[1,2]", R"({"Device": 5})", R"({"Device": [7]})", R"({"Device": {"0": {}}})"}) {
    SCOPED_TRACE(text);
    CBasicProfiledata doc;
    Open(doc, text);
    EXPECT_EQ(doc.ReadLightInfo().Light, 4);
    EXPECT_EQ(ReadDoc("p.Json")["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
  }
}

TEST_F(ProfileDocumentTest, WithoutADefaultProfileEverythingReadsAsDefaults) {
  CKeyboardProfiledata doc;
  doc.SetDefaultProfilePath(PathOf("missing.Json"));
  doc.Load(PathOf("p.Json"));
  EXPECT_TRUE(doc.Section().isNull());
  EXPECT_EQ(doc.ReadLightInfo().Light, 0);
  EXPECT_TRUE(doc.GetKeyList().empty());
  EXPECT_EQ(doc.GetSystemStages().PollingRate, 0);
  EXPECT_TRUE(ReadDoc("p.Json")["Device"][0].isNull());
}

TEST_F(ProfileDocumentTest, ValuesOfTheWrongKindReadAsDefaults) {
  CMouseProfiledata doc;
  Open(doc, R"({"Device": [{
    "LightInfo": {"SelectItem": "7", "Light": [1], "Speed": {"a": 1}, "Fx": 2.9, "MultiColor": "yes",
                  "Red": 4294967295, "Green": 1e300, "Blue": true},
    "KeyList": [7, {"Assignment": "x"}, null],
    "LightList": {"LEDREGMode": 1},
    "DPIStages": {"StageActive": "2", "StageDPIs": [{"StageDPIX": "12000"}, 3]},
    "SystemStages": [1, 2],
    "ReportStages": "fast",
    "CorrectInfo": [{"CorrectName": 5, "CorrectMinSq": -1}]}]})");
  const LightInfoRecord info = doc.ReadLightInfo();
  EXPECT_EQ(info.SelectItem, 0);
  EXPECT_EQ(info.Light, 0);
  EXPECT_EQ(info.Speed, 0);
  EXPECT_EQ(info.Fx, 2);
  EXPECT_EQ(info.MultiColor, 0);
  EXPECT_EQ(info.Red, 0xFF);
  EXPECT_EQ(info.Green, 0);
  EXPECT_EQ(info.Blue, 1);
  const auto keys = doc.GetKeyList();
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[1].Normal.code.Pack(), 0);
  EXPECT_TRUE(doc.GetLightList().empty());
  const auto stages = doc.GetDpiStages();
  ASSERT_EQ(stages.size(), 2u);
  EXPECT_EQ(stages[0].StageDPIX, 0);
  EXPECT_EQ(doc.GetActiveDpiStage(), 0);
  EXPECT_EQ(doc.GetMouseSystemStages().ReportStage, 0);
  const auto correct = doc.GetCorrectList();
  ASSERT_EQ(correct.size(), 1u);
  EXPECT_TRUE(correct[0].CorrectName.empty());
  EXPECT_EQ(correct[0].CorrectMinSq, 0xFF);
  // Setters on a section of the wrong shape replace the offending parts.
  doc.SetMouseSystemStages({1, 2, 3, 4, 5, 6});
  EXPECT_EQ(doc.GetMouseSystemStages().ReportStage, 6);
  EXPECT_TRUE(doc.SaveProfile());
}

TEST_F(ProfileDocumentTest, FlagsReadAsBooleans) {
  CKeyboardProfiledata doc;
  Open(doc, R"({"Device": [{"LightInfo": {"MultiColor": 2},
      "AudioLightInfo": {"7ColorFlags": 5, "ColorTypeFlags": 0, "FgColorB": 300},
      "FnKeysetFlag": 1}]})");
  EXPECT_EQ(doc.ReadLightInfo().MultiColor, 1);
  const AudioLightRecord audio = doc.ReadAudioLightInfo();
  EXPECT_EQ(audio.SevenColorFlags, 1);
  EXPECT_EQ(audio.ColorTypeFlags, 0);
  EXPECT_EQ(audio.FgColorB, 300 & 0xFF);
  EXPECT_TRUE(doc.GetFnKeysetFlag());
}

TEST_F(ProfileDocumentTest, RecordSettersReplaceOrMergeTheirObjects) {
  CKeyboardProfiledata doc;
  Open(doc, R"({"Device": [{"LightInfo": {"Extra": 1},
      "SystemStages": {"Repeat": 1, "Other": 9}}]})");
  LightInfoRecord info;
  info.SelectItem = 5;
  info.MultiColor = 1;
  doc.WriteLightInfo(info);
  doc.SetSystemStages({2, 3, 1, 3, 0, 1, 1});
  ASSERT_TRUE(doc.SaveProfile());
  const Json::Value section = ReadDoc("p.Json")["Device"][0];
  EXPECT_FALSE(section["LightInfo"].isMember("Extra"));
  EXPECT_EQ(section["LightInfo"]["SelectItem"].asInt(), 5);
  EXPECT_EQ(section["LightInfo"].size(), 11u);
  EXPECT_EQ(section["SystemStages"]["Other"].asInt(), 9);
  EXPECT_EQ(section["SystemStages"]["PollingRate"].asInt(), 3);
}

TEST_F(ProfileDocumentTest, SetKeyListChangesOnlyTheGivenEntriesAndNeverTheDefaults) {
  Json::Value file;
  for (int i = 0; i < 104; ++i) {
    Json::Value e;
    e["FnAssignment"] = 0;
    e["Assignment"] = 0x200000 + i;
    e["DefaultAssignment"] = 0x200000 + i;
    file["Device"][0]["KeyList"].append(e);
  }
  CKeyboardProfiledata doc;
  Open(doc, file.toStyledString());
  auto keys = doc.GetKeyList();
  ASSERT_EQ(keys.size(), 104u);
  EXPECT_EQ(keys[5].Default.code, (AssignmentCode{0x20, 0, 5}));
  keys.resize(3);
  for (auto& k : keys) {
    k.Normal.code = {0x70, 1, 0};
    k.Fn.code = {0x30, 0, 0xE9};
    k.Default.code = {0x10, 1, 0};
  }
  doc.SetKeyList(keys);
  ASSERT_TRUE(doc.SaveProfile());
  const Json::Value list = ReadDoc("p.Json")["Device"][0]["KeyList"];
  EXPECT_EQ(list[2]["Assignment"].asInt(), 0x700100);
  EXPECT_EQ(list[2]["FnAssignment"].asInt(), 0x3000E9);
  EXPECT_EQ(list[2]["DefaultAssignment"].asInt(), 0x200002);
  EXPECT_EQ(list[3]["Assignment"].asInt(), 0x200003);
}

TEST_F(ProfileDocumentTest, EqualiserSlots) {
  CHs6533Profiledata doc;
  Open(doc, R"({"Device": [{"EQHzValueInfo": [null, [{"value": 7}, {"value": 11}]]}]})");
  EXPECT_TRUE(doc.GetEqBands(13).empty());
  const Json::Value before = doc.Section();
  doc.SetEqBands(13, std::vector<int>(10, 5));
  EXPECT_EQ(doc.Section(), before);
  EXPECT_EQ(doc.GetEqBands(0)[1], 11);
  EXPECT_EQ(doc.GetEqBands(200)[0], 7);
  EXPECT_EQ(CHs6533Profiledata::EqSlotOf(12), 12);
  EXPECT_EQ(CHs6533Profiledata::EqSlotOf(-4), 1);

  EXPECT_EQ(doc.GetEqBands(4), std::vector<int>(10, 0));
  const Json::Value& slot = doc.Section()["EQHzValueInfo"][4];
  ASSERT_EQ(slot.size(), 10u);
  EXPECT_EQ(slot[9]["value"].asInt(), 0);

  doc.SetCustomEqNames({L"Bass", L"Voix"});
  doc.SetCustomEqBands(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(doc.GetCustomEqNames()[1], L"Voix");
  EXPECT_EQ(doc.GetCustomEqBands(1)[9], 10);
  // An absurd custom index from a damaged file reads as zeros and grows nothing.
  EXPECT_EQ(doc.GetCustomEqBands(2000000000), std::vector<int>(10, 0));
  EXPECT_LT(doc.Section()["CustomEQHzValueInfo"].size(), 10u);
  doc.SetSystemSetStages(1, 2, 3, 4, 5, 6, 7, 8);
  EXPECT_EQ(doc.GetSystemSetStages().MicMoniterValue, 8);
}

TEST_F(ProfileDocumentTest, CustomLightColoursOfAMissingGroupAreCreatedAsZeros) {
  CKeyboardProfiledata doc;
  Open(doc, R"({"Device": [{}]})");
  const auto colours = doc.GetCustomLightColors(2, 5);
  ASSERT_EQ(colours.size(), 5u);
  EXPECT_EQ(colours[4].Alpha, 0);
  const Json::Value& groups = doc.Section()["CustomLightMode"]["LightColorInfo"];
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_TRUE(groups[0].isNull());
  EXPECT_TRUE(groups[1].isNull());
  EXPECT_EQ(groups[2].size(), 5u);
  doc.SetCustomLightColors({{1, 2, 3, 4}}, 2);
  EXPECT_EQ(doc.GetCustomLightColors(2, 1)[0].Blue, 3);
  doc.SetCustomGroupIndex(2);
  EXPECT_EQ(doc.GetCustomGroupIndex(), 2);
}

TEST_F(ProfileDocumentTest, DpiStagesMergeOverTheHeldListAndKeepSixteenBits) {
  CMouseProfiledata doc;
  Json::Value six;
  for (int i = 0; i < 6; ++i) six["Device"][0]["DPIStages"]["StageDPIs"][i]["StageDPIX"] = 100 + i;
  Open(doc, six.toStyledString());
  ASSERT_EQ(doc.GetDpiStages().size(), 6u);
  Json::Value four;
  four["Device"][0]["DPIStages"]["StageActive"] = 2;
  for (int i = 0; i < 4; ++i) four["Device"][0]["DPIStages"]["StageDPIs"][i]["StageDPIX"] = 12000;
  WriteDoc("q.Json", four.toStyledString());
  doc.Load(PathOf("q.Json"));
  const auto stages = doc.GetDpiStages();
  ASSERT_EQ(stages.size(), 6u);
  EXPECT_EQ(stages[3].StageDPIX, 12000);
  EXPECT_EQ(stages[3].StageDPIX & 0xFF, 0xE0);
  EXPECT_EQ(stages[3].StageDPIX >> 8, 0x2E);
  EXPECT_EQ(stages[4].StageDPIX, 104);
  EXPECT_EQ(doc.GetActiveDpiStage(), 2);
  doc.SetDpiStages(stages);
  doc.SetActiveDpiStage(1);
  EXPECT_EQ(doc.Section()["DPIStages"]["StageDPIs"][0]["StageDPIX"].asInt(), 12000);
  EXPECT_EQ(doc.Section()["DPIStages"]["StageActive"].asInt(), 1);
}

TEST_F(ProfileDocumentTest, CustomEffectsResolveOnlyPlainNamesBesideTheLibrary) {
  WriteDoc("good.light",
           R"({"LEDEffectList": [{"LEDREGMode": 2, "red": 9, "Time": 500, "Cyle": 3}]})");
  WriteDoc("sub/evil.light", R"({"LEDEffectList": [{"LEDREGMode": 1}]})");
  WriteDoc(".light", R"({"LEDEffectList": [{"LEDREGMode": 4}]})");
  WriteDoc("tomel_light.config", R"({"LightInfo": [[{"LightName": "a", "Guid": "good"},
      {"LightName": "b", "Guid": "sub/evil"}, {"LightName": "c", "Guid": ".."},
      {"LightName": "d"}]]})");
  struct Case {
    int select;
    size_t steps;
  };
  for (const Case c : {Case{0, 1}, Case{1, 0}, Case{2, 0}, Case{3, 1}, Case{9, 1}}) {
    SCOPED_TRACE(c.select);
    CBasicProfiledata doc;
    doc.SetLightLibraryPath(PathOf("tomel_light.config"));
    doc.LoadLightLibrary(doc.GetLightLibraryPath());
    LightInfoRecord info;
    info.SelectItem = static_cast<uint8_t>(c.select);
    doc.WriteLightInfo(info);
    EXPECT_EQ(doc.GetCustomEffect().size(), c.steps);
  }
  CBasicProfiledata doc;
  doc.SetLightLibraryPath(PathOf("tomel_light.config"));
  doc.LoadLightLibrary(doc.GetLightLibraryPath());
  const auto steps = doc.GetCustomEffect();
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0].mode, 2);
  EXPECT_EQ(steps[0].Time, 500);
  EXPECT_EQ(steps[0].Cyle, 3);
}

TEST_F(ProfileDocumentTest, SaveSectionKeepsTheRestOfTheFile) {
  WriteDoc("p.Json", R"({"profilename": "Work", "Extra": [1], "Device": [{"A": 1}, {"B": 2}]})");
  CBasicProfiledata doc;
  Json::Value section;
  section["C"] = 3;
  ASSERT_TRUE(doc.SaveSection(section, PathOf("p.Json")));
  const Json::Value file = ReadDoc("p.Json");
  EXPECT_EQ(file["profilename"].asString(), "Work");
  EXPECT_EQ(file["Device"][0]["C"].asInt(), 3);
  EXPECT_EQ(file["Device"][1]["B"].asInt(), 2);
  ASSERT_TRUE(doc.SaveSection(section, PathOf("new.Json")));
  EXPECT_EQ(ReadDoc("new.Json").getMemberNames(), std::vector<std::string>{"Device"});
}

}  // namespace
