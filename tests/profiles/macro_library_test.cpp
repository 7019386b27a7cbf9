// The macro library files, the device event records and macro block, and the
// repair of key assignments after a deletion.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "profiles/macro_events.h"
#include "profiles/macro_library.h"
#include "profiles/profile_list.h"
#include "tests/profiles/temp_folder.h"

namespace {

class MacroLibraryTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    lib_ = std::make_unique<CMacroLibrary>(dir_);
  }
  static Json::Value Events(const std::string& json) { return Parse(json); }
  std::string Text(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  static Json::Value Steps(int n) {
    Json::Value events(Json::arrayValue);
    for (int i = 0; i < n; ++i) {
      Json::Value e;
      e["Type"] = 10;
      e["Action"] = i % 2 ? "up" : "down";
      e["Button"] = 4;
      e["Delay"] = 300;
      events.append(e);
    }
    return events;
  }
  std::unique_ptr<CMacroLibrary> lib_;
};

TEST_F(MacroLibraryTest, NewMacroTakesTheSmallestFreeNameUpToFifty) {
  WriteDoc("macro.config", R"({"MacroInfo": [{"MacroName": "macro_1", "Guid": "g1"},
      {"MacroName": "MACRO_2", "Guid": "g2"}]})");
  EXPECT_EQ(lib_->NewMacro(), 2);
  const auto list = lib_->ListMacros();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2].name, L"macro_3");
  EXPECT_FALSE(Exists(list[2].guid + ".mac"));
  while (lib_->Count() < kMaxMacros) ASSERT_GE(lib_->NewMacro(), 0);
  EXPECT_EQ(lib_->NewMacro(), -1);
  EXPECT_EQ(lib_->Count(), 50);
  std::set<std::string> guids;
  for (const auto& m : lib_->ListMacros()) guids.insert(m.guid);
  EXPECT_EQ(guids.size(), 50u);
}

TEST_F(MacroLibraryTest, SaveRenameAndDeleteWorkOnTheirOwnFilesOnly) {
  ASSERT_EQ(lib_->NewMacro(), 0);
  ASSERT_EQ(lib_->NewMacro(), 1);
  ASSERT_TRUE(lib_->SaveMacroEvents(0, Events(R"([{"Type": 10, "Action": "down", "Button": 4,
      "Delay": 0}, {"Type": 10, "Action": "up", "Button": 4, "Delay": ""}])")));
  const std::string guid0 = lib_->ListMacros()[0].guid;
  const Json::Value file = ReadDoc(guid0 + ".mac");
  EXPECT_EQ(file["Version"].asInt(), 64);
  EXPECT_EQ(file["Events"][0]["Delay"].asString(), "0");
  EXPECT_EQ(file["Events"][1]["Delay"].asString(), "0");
  EXPECT_TRUE(lib_->SaveMacroEvents(1, Json::Value(Json::arrayValue)));
  EXPECT_FALSE(ReadDoc(lib_->ListMacros()[1].guid + ".mac").isMember("Events"));
  EXPECT_EQ(lib_->LoadMacroEvents(1).size(), 0u);

  ASSERT_TRUE(lib_->RenameMacroEntry(0, L"Jump"));
  EXPECT_EQ(lib_->ListMacros()[0].name, L"Jump");
  EXPECT_EQ(ReadDoc(guid0 + ".mac")["MacroName"].asString(), "macro_1");
  EXPECT_FALSE(lib_->RenameMacroEntry(5, L"x"));

  WriteDoc("ProfileList.ini", "{}");
  ASSERT_TRUE(lib_->DeleteMacroEntry(0));
  EXPECT_FALSE(Exists(guid0 + ".mac"));
  EXPECT_TRUE(Exists("ProfileList.ini"));
  ASSERT_EQ(lib_->Count(), 1);
  EXPECT_EQ(lib_->ListMacros()[0].name, L"macro_2");
  EXPECT_FALSE(lib_->DeleteMacroEntry(1));
}

TEST_F(MacroLibraryTest, GuidsThatAreNotFileNamesAreNeverFollowed) {
  WriteDoc("outside/victim.mac", R"({"Events": [{"Type": 1}]})");
  WriteDoc("lib/macro.config", R"({"MacroInfo": [{"MacroName": "a", "Guid": "../outside/victim"},
      {"MacroName": "b", "Guid": ""}, {"MacroName": "c", "Guid": 17}, {"MacroName": "d"}]})");
  CMacroLibrary lib(PathOf("lib"));
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lib.EventFilePath(i), "");
    EXPECT_EQ(lib.LoadMacroEvents(i).size(), 0u);
    EXPECT_FALSE(lib.SaveMacroEvents(i, Steps(1)));
  }
  ASSERT_TRUE(lib.DeleteMacroEntry(0));
  EXPECT_TRUE(Exists("outside/victim.mac"));
  EXPECT_EQ(lib.Count(), 3);
}

TEST_F(MacroLibraryTest, ImportNamesTheMacroLikeANewOneAndExportCopiesTheFile) {
  WriteDoc("in.mac", R"({"MacroName": "Imported", "Guid": "x", "Events": [{"Type": 1,
      "Action": "down", "Button": 1, "Delay": "5"}], "Version": 64})");
  ASSERT_EQ(lib_->ImportMacroFile(PathOf("in.mac")), 0);
  EXPECT_EQ(lib_->ListMacros()[0].name, L"macro_1");
  EXPECT_EQ(lib_->LoadMacroEvents(0).size(), 1u);
  ASSERT_TRUE(lib_->ExportMacroFile(0, PathOf("out.mac")));
  EXPECT_EQ(Text("out.mac"), Text("in.mac"));
  EXPECT_EQ(Text(lib_->ListMacros()[0].guid + ".mac"), Text("in.mac"));

  WriteDoc("bad.mac", "[1, 2]");
  EXPECT_EQ(lib_->ImportMacroFile(PathOf("bad.mac")), -1);
  EXPECT_EQ(lib_->ImportMacroFile(""), -1);
  EXPECT_EQ(lib_->Count(), 1);

  ASSERT_EQ(lib_->NewMacro(), 1);  // never saved: no file, an empty copy
  WriteDoc("empty.mac", "old");
  ASSERT_TRUE(lib_->ExportMacroFile(1, PathOf("empty.mac")));
  EXPECT_TRUE(Exists("empty.mac"));
  EXPECT_EQ(Text("empty.mac"), "");
  EXPECT_FALSE(lib_->ExportMacroFile(1, ""));

  // A file the editor cannot read is still copied as it is.
  const std::string odd = "{\"Events\": [1, 2\n";
  WriteDoc(lib_->ListMacros()[1].guid + ".mac", odd);
  ASSERT_TRUE(lib_->ExportMacroFile(1, PathOf("odd.mac")));
  EXPECT_EQ(Text("odd.mac"), odd);
  // A copy that cannot be written, or an event file that cannot be read, is
  // reported.
  EXPECT_FALSE(lib_->ExportMacroFile(1, PathOf("no/such/folder.mac")));
  EXPECT_FALSE(lib_->LastError().empty());
  std::filesystem::remove(PathOf(lib_->ListMacros()[1].guid + ".mac"));
  std::filesystem::create_directory(PathOf(lib_->ListMacros()[1].guid + ".mac"));
  EXPECT_FALSE(lib_->ExportMacroFile(1, PathOf("dir.mac")));
  EXPECT_FALSE(Exists("dir.mac"));
}

TEST(MacroEventTest, EncodesDelayTypeAndButton) {
  struct Case {
    const char* event;
    std::array<uint8_t, 4> record;
  };
  const Case cases[] = {
      {R"({"Type": 10, "Action": "down", "Button": 4, "Delay": "300"})", {0x2C, 0x01, 0x8A, 0x04}},
      {R"({"Type": 10, "Action": "up", "Button": 4, "Delay": "70000"})", {0x70, 0x11, 0x0A, 0x04}},
      {R"({"Type": 1, "Action": "down", "Button": 258, "Delay": 0})", {0, 0, 0x81, 0x02}},
      {R"({"Type": 5, "Action": "up", "Button": 20, "Delay": "12ms"})", {12, 0, 0x05, 20}},
      {R"({"Type": "9", "Action": 1, "Button": [], "Delay": {}})", {0, 0, 0, 0}},
      {R"({"Delay": "-5"})", {0, 0, 0, 0}},
      {"7", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    Json::Value event;
    Json::Reader().parse(c.event, event);
    EXPECT_EQ(EncodeMacroEvent(event), c.record);
  }
  EXPECT_EQ(MacroEventDelay(Json::Value("70000")) & 0xFFFF, 4464u);
}

TEST_F(MacroLibraryTest, BlockOfAThreeStepAndAnEmptyMacro) {
  ASSERT_EQ(lib_->NewMacro(), 0);
  ASSERT_EQ(lib_->NewMacro(), 1);
  ASSERT_TRUE(lib_->SaveMacroEvents(0, Steps(3)));
  const MacroBlockResult r = BuildMacroBlock(*lib_, {0, 1}, 1);
  ASSERT_EQ(r.result, 0);
  const std::vector<uint8_t> expected = {
      0xAA, 0x55, 40, 0, 2,    0,    0,    0, 0,    0,    0,    0, 0,    0,    0,    0,  // header
      20,   0,    36, 0,                                                                 // offsets
      3,    0,    0,  0, 0x2C, 0x01, 0x8A, 4, 0x2C, 0x01, 0x0A, 4, 0x2C, 0x01, 0x8A, 4, 0, 0, 0, 0};
  EXPECT_EQ(r.block, expected);

  // The list order decides the record order.
  const MacroBlockResult swapped = BuildMacroBlock(*lib_, {1, 0}, 1);
  ASSERT_EQ(swapped.result, 0);
  EXPECT_EQ(swapped.block[16], 20);
  EXPECT_EQ(swapped.block[18], 24);
}

TEST_F(MacroLibraryTest, BlockCapacityAndEmptyLibraries) {
  EXPECT_EQ(BuildMacroBlock(*lib_, {0}, 4).result, 0);  // no library
  EXPECT_TRUE(BuildMacroBlock(*lib_, {0}, 4).block.empty());
  ASSERT_EQ(lib_->NewMacro(), 0);
  EXPECT_EQ(BuildMacroBlock(*lib_, {}, 4).result, 0);
  ASSERT_TRUE(lib_->SaveMacroEvents(0, Steps(60)));  // 16 + 2 + 4 + 240 = 262 bytes
  struct Case {
    int units;
    int result;
  };
  for (const Case c : {Case{3, 0}, Case{2, (262 - 256) / 4 + 1}, Case{1, (262 - 128) / 4 + 1},
                       Case{0, 262 / 4 + 1}}) {
    SCOPED_TRACE(c.units);
    const MacroBlockResult r = BuildMacroBlock(*lib_, {0}, c.units);
    EXPECT_EQ(r.result, c.result);
    EXPECT_EQ(r.block.empty(), c.result != 0);
  }
  // A used index beyond the library counts as an empty macro.
  EXPECT_EQ(BuildMacroBlock(*lib_, {0, 9}, 3).block.size(), 16u + 4 + 4 + 240 + 4);
}

KeyAssignmentRecord Key(AssignmentCode normal, AssignmentCode fn, AssignmentCode def) {
  KeyAssignmentRecord k;
  k.Normal.code = normal;
  k.Fn.code = fn;
  k.Default.code = def;
  return k;
}

TEST(MacroUseTest, CollectsDistinctMacrosInOrderOfFirstUse) {
  const std::vector<KeyAssignmentRecord> keys = {
      Key({0x20, 0, 4}, {0x70, 2, 0}, {}), Key({0x71, 0, 3}, {0x70, 2, 0}, {}),
      Key({0x70, 7, 0}, {0x70, 0, 1}, {}), Key({0x70, 1, 0}, {0x30, 1, 0}, {})};
  EXPECT_EQ(CollectUsedMacros(keys, 5), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(CollectUsedMacros(keys, 1), (std::vector<int>{0}));
}

TEST_F(MacroLibraryTest, DeletingMacroOneRepairsEveryProfile) {
  WriteDoc("DefaultData/keyboard.Json", R"({"Device": [{"KeyList": []}]})");
  const std::string keyList = R"({"Device": [{"KeyList": [
      {"Assignment": 7340288, "FnAssignment": 7340544, "DefaultAssignment": 2097156},
      {"Assignment": 7340544, "FnAssignment": 7406080, "DefaultAssignment": 2097157},
      {"Assignment": 2097158, "FnAssignment": 7340032, "DefaultAssignment": 2097158}]}]})";
  // 0x700100 runs macro 1, 0x700200 macro 2, 0x710200 macro 2, 0x700000 macro 0.
  WriteDoc("ProfileList.ini", R"({"profileselect": 0, "profilelist": [
      {"profilename": "a", "profileUUID": "p0"}, {"profilename": "b", "profileUUID": "p1"}]})");
  WriteDoc("p0.Json", keyList);
  WriteDoc("p1.Json", keyList);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(lib_->NewMacro(), i);

  CProfileList profiles;
  profiles.SetFolders(dir_, PathOf("DefaultData/keyboard.Json"));
  profiles.InitProfiles();
  for (int i = 0; i < profiles.GetProfileCount(); ++i)
    EXPECT_TRUE(RepairMacroReferencesInProfile(profiles.GetProfilePathAt(i),
                                               PathOf("DefaultData/keyboard.Json"), 1));
  ASSERT_TRUE(lib_->DeleteMacroEntry(1));
  EXPECT_EQ(lib_->Count(), 2);
  for (const char* name : {"p0.Json", "p1.Json"}) {
    SCOPED_TRACE(name);
    const Json::Value keys = ReadDoc(name)["Device"][0]["KeyList"];
    EXPECT_EQ(keys[0]["Assignment"].asInt(), 0x200004);    // ran macro 1: default
    EXPECT_EQ(keys[0]["FnAssignment"].asInt(), 0x700100);  // ran macro 2: now 1
    EXPECT_EQ(keys[1]["Assignment"].asInt(), 0x700100);
    EXPECT_EQ(keys[1]["FnAssignment"].asInt(), 0x710100);
    EXPECT_EQ(keys[2]["FnAssignment"].asInt(), 0x700000);  // macro 0 stays
    EXPECT_EQ(keys[1]["DefaultAssignment"].asInt(), 0x200005);
  }
  EXPECT_FALSE(RepairMacroReferencesInProfile(PathOf("p0.Json"), "", 5));
}

TEST_F(MacroLibraryTest, NameListsComeFromTheIndexFile) {
  WriteDoc("macro.config", R"({"MacroInfo": [{"MacroName": "Ä"}, {"MacroName": 3}, 5]})");
  EXPECT_EQ(ReadMacroNames(PathOf("macro.config")), (std::vector<std::wstring>{L"Ä", L"", L""}));
  EXPECT_TRUE(ReadMacroNames(PathOf("tomel_macro.config")).empty());
}

}  // namespace
