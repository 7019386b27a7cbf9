// The profile list and its operations on a temporary user device folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "profiles/json_file.h"
#include "profiles/macro_library.h"
#include "profiles/profile_list.h"
#include "tests/profiles/read_only.h"
#include "tests/profiles/temp_folder.h"

namespace {

class ProfileListTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    WriteDoc("DefaultData/HD.Json", R"({"profilename": "", "profileUUID": "",
      "Device": [{"LightInfo": {"Light": 4}, "CustomEQNameInfo": [],
                  "SystemSetStages": {"EqType": 1}}]})");
    folder_ = PathOf("user/");
    std::filesystem::create_directories(folder_);
    list_.SetFolders(folder_, PathOf("DefaultData/HD.Json"));
  }
  Json::Value List() const { return ReadDoc("user/ProfileList.ini"); }
  Json::Value ProfileFile(int i) const {
    return ReadDoc("user/" + List()["profilelist"][i]["profileUUID"].asString() + ".Json");
  }
  // A list file holding the given names, each with a profile file.
  void MakeList(const std::vector<std::string>& names, int select = 0) {
    Json::Value list;
    for (size_t i = 0; i < names.size(); ++i) {
      Json::Value e;
      e["profilename"] = names[i];
      e["profileUUID"] = "id" + std::to_string(i);
      list["profilelist"].append(e);
      Json::Value doc = ReadDoc("DefaultData/HD.Json");
      doc["profilename"] = names[i];
      doc["profileUUID"] = e["profileUUID"];
      WriteDoc("user/id" + std::to_string(i) + ".Json", doc.toStyledString());
    }
    list["profileselect"] = select;
    WriteDoc("user/ProfileList.ini", list.toStyledString());
    list_.InitProfiles();
  }
  std::vector<std::wstring> Names() const { return list_.Names(); }

  std::string folder_;
  CProfileList list_;
};

TEST_F(ProfileListTest, FirstStartMakesProfileOneFromTheDefault) {
  list_.InitProfiles();
  const Json::Value list = List();
  ASSERT_EQ(list["profilelist"].size(), 1u);
  EXPECT_EQ(list["profilelist"][0]["profilename"].asString(), "profile1");
  EXPECT_EQ(list["profileselect"].asInt(), 0);
  EXPECT_EQ(list["profilelist"][0]["profileislink"].asInt(), 0);
  const Json::Value file = ProfileFile(0);
  EXPECT_EQ(file["profilename"].asString(), "profile1");
  EXPECT_EQ(file["profileUUID"].asString(), list_.GetCurrentUUID());
  EXPECT_EQ(file["Device"][0]["LightInfo"]["Light"].asInt(), 4);
  EXPECT_EQ(list_.CurrentProfilePath(), folder_ + list_.GetCurrentUUID() + ".Json");
}

TEST_F(ProfileListTest, BrokenListsAreReplacedAndSelectionBeyondTheListIsZero) {
  for (const char* text : {"{", "[]", R"({"profilelist": {}})", R"({"profilelist": []})"}) {
    SCOPED_TRACE(text);
    WriteDoc("user/ProfileList.ini", text);
    list_.InitProfiles();
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"profile1"});
  }
  MakeList({"a", "b"}, 7);
  EXPECT_EQ(list_.GetSelectedIndex(), 0);
  EXPECT_EQ(list_.GetCurrentUUID(), "id0");
}

TEST_F(ProfileListTest, IdentifiersThatAreNotFileNamesAreRepaired) {
  WriteDoc("outside.Json", R"({"keep": true})");
  WriteDoc("user/ProfileList.ini", R"({"profileselect": 0, "profilelist": [
      {"profilename": "a", "profileUUID": "../outside"},
      {"profilename": "b", "profileUUID": ""}, {"profilename": "c", "profileUUID": 5},
      {"profilename": "d", "profileUUID": ".."}]})");
  list_.InitProfiles();
  const Json::Value list = List();
  for (Json::ArrayIndex i = 0; i < 4; ++i) {
    const std::string uuid = list["profilelist"][i]["profileUUID"].asString();
    EXPECT_EQ(uuid.find('/'), std::string::npos);
    EXPECT_TRUE(Exists("user/" + uuid + ".Json"));
  }
  ASSERT_EQ(Names().size(), 4u);
  EXPECT_TRUE(list_.DeleteProfile());
  EXPECT_TRUE(list_.ResetProfile());
  EXPECT_EQ(ReadDoc("outside.Json")["keep"].asBool(), true);
}

TEST_F(ProfileListTest, AddTakesTheSmallestFreeNumberUpToFifty) {
  MakeList({"profile1", "profile2", "PROFILE3"});
  ASSERT_TRUE(list_.AddProfile());
  EXPECT_EQ(Names().back(), L"profile4");
  EXPECT_EQ(List()["profileselect"].asInt(), 3);
  EXPECT_EQ(list_.GetSelectedIndex(), 0);  // the device stays on its profile
  EXPECT_EQ(ProfileFile(3)["profilename"].asString(), "profile4");

  MakeList({"profile1", "Profile3"});
  ASSERT_TRUE(list_.AddProfile());
  EXPECT_EQ(Names().back(), L"profile2");

  while (Names().size() < 50) ASSERT_TRUE(list_.AddProfile());
  EXPECT_FALSE(list_.AddProfile());
  EXPECT_EQ(List()["profilelist"].size(), 50u);
  // Every profile has its own file, even those made within one millisecond.
  std::set<std::string> ids;
  const Json::Value entries = List()["profilelist"];
  for (const auto& e : entries) ids.insert(e["profileUUID"].asString());
  EXPECT_EQ(ids.size(), 50u);
  ASSERT_TRUE(list_.CopyProfile());
  WriteDoc("x.json", R"({"profilename": "x", "profileUUID": "y", "Device": [{}]})");
  ASSERT_TRUE(list_.ImportProfile(PathOf("x.json")));
  EXPECT_EQ(list_.GetProfileCount(), 52);
}

TEST_F(ProfileListTest, DeleteKeepsTheSelectionInRangeAndOnlyRemovesItsFile) {
  struct Case {
    int select;
    int expected;
    std::vector<std::wstring> left;
  };
  for (const Case& c : {Case{0, 0, {L"b", L"c"}}, Case{2, 1, {L"a", L"b"}}}) {
    SCOPED_TRACE(c.select);
    MakeList({"a", "b", "c"}, c.select);
    WriteDoc("user/unrelated.mac", "{}");
    ASSERT_TRUE(list_.DeleteProfile());
    EXPECT_EQ(List()["profileselect"].asInt(), c.expected);
    EXPECT_EQ(Names(), c.left);
    EXPECT_EQ(list_.GetSelectedIndex(), c.expected);
    EXPECT_FALSE(Exists("user/id" + std::to_string(c.select) + ".Json"));
    EXPECT_TRUE(Exists("user/unrelated.mac"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 4);
    EXPECT_EQ(list_.GetCurrentUUID(), List()["profilelist"][c.expected]["profileUUID"].asString());
  }
  MakeList({"only"});
  EXPECT_FALSE(list_.DeleteProfile());
  EXPECT_EQ(List()["profilelist"].size(), 1u);

  // A hand-edited list in which two entries share one file: deleting one
  // keeps the file the other still uses.
  MakeList({"a", "b"});
  Json::Value list = List();
  list["profilelist"][1]["profileUUID"] = "id0";
  WriteDoc("user/ProfileList.ini", list.toStyledString());
  list_.InitProfiles();
  ASSERT_TRUE(list_.DeleteProfile());
  EXPECT_TRUE(Exists("user/id0.Json"));
  EXPECT_EQ(List()["profilelist"][0]["profileUUID"].asString(), "id0");
}

TEST_F(ProfileListTest, CopyAppendsCopyAndCarriesTheSettings) {
  MakeList({"Game"});
  Json::Value doc = ReadDoc("user/id0.Json");
  doc["Device"][0]["LightInfo"]["Light"] = 1;
  WriteDoc("user/id0.Json", doc.toStyledString());
  ASSERT_TRUE(list_.CopyProfile());
  ASSERT_TRUE(list_.CopyProfile());
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Game", L"Game copy", L"Game copy copy"}));
  EXPECT_EQ(ProfileFile(2)["profilename"].asString(), "Game copy copy");
  EXPECT_EQ(ProfileFile(2)["Device"][0]["LightInfo"]["Light"].asInt(), 1);
  EXPECT_NE(List()["profilelist"][1]["profileUUID"], List()["profilelist"][2]["profileUUID"]);
  EXPECT_EQ(List()["profileselect"].asInt(), 0);

  // Without a readable source there is nothing to copy: the copy would
  // silently be the default profile.
  std::filesystem::remove(PathOf("user/id0.Json"));
  EXPECT_FALSE(list_.CopyProfile());
  EXPECT_FALSE(list_.LastError().empty());
  EXPECT_EQ(Names().size(), 3u);
  EXPECT_EQ(List()["profilelist"].size(), 3u);
}

TEST_F(ProfileListTest, RenameRules) {
  MakeList({"Game", "Work"}, 1);
  EXPECT_EQ(list_.RenameProfile(L"  "), RenameResult::kBlank);
  EXPECT_EQ(list_.RenameProfile(L"GAME"), RenameResult::kRefused);
  EXPECT_EQ(list_.RenameProfile(L"Work"), RenameResult::kDone);
  EXPECT_EQ(list_.RenameProfile(L"Büro"), RenameResult::kDone);
  EXPECT_EQ(List()["profilelist"][1]["profilename"].asString(), "Büro");
  EXPECT_EQ(ReadDoc("user/id1.Json")["profilename"].asString(), "Büro");
  EXPECT_EQ(Names()[1], L"Büro");
}

TEST_F(ProfileListTest, ImportNamesTheProfileAfterTheFileAndRefusesNonProfiles) {
  MakeList({"Work"});
  WriteDoc("in/Work.json", R"({"profilename": "ignored", "profileUUID": "../../etc",
      "Device": [{"LightInfo": {"Light": 2}}]})");
  ASSERT_TRUE(list_.ImportProfile(PathOf("in/Work.json")));
  ASSERT_TRUE(list_.ImportProfile(PathOf("in/Work.json")));
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Work", L"Work(1)", L"Work(1)(2)"}));
  const Json::Value imported = ProfileFile(1);
  EXPECT_EQ(imported["profilename"].asString(), "Work(1)");
  EXPECT_EQ(imported["profileUUID"].asString(), List()["profilelist"][1]["profileUUID"].asString());
  EXPECT_EQ(imported["Device"][0]["LightInfo"]["Light"].asInt(), 2);

  for (const char* text : {R"({"profilename": "x"})", R"({"profileUUID": "x"})", "[1]", "{",
                           R"({"profilename": null, "profileUUID": "x"})"}) {
    SCOPED_TRACE(text);
    WriteDoc("in/Bad.json", text);
    EXPECT_FALSE(list_.ImportProfile(PathOf("in/Bad.json")));
  }
  WriteDoc("in/.json", R"({"profilename": "x", "profileUUID": "y"})");
  EXPECT_TRUE(list_.ImportProfile(PathOf("in/.json")));  // the name is ".json"
  EXPECT_EQ(Names().size(), 4u);
}

TEST_F(ProfileListTest, ExportWritesTheStoredFile) {
  MakeList({"a"});
  ASSERT_TRUE(list_.ExportProfile(PathOf("out.json")));
  EXPECT_EQ(ReadDoc("out.json"), ReadDoc("user/id0.Json"));
  std::filesystem::remove(PathOf("user/id0.Json"));
  EXPECT_FALSE(list_.ExportProfile(PathOf("out2.json")));
  EXPECT_FALSE(Exists("out2.json"));
}

TEST_F(ProfileListTest, HeadsetResetKeepsTheCustomEqualisers) {
  list_.SetDeviceType(kHeadsetDeviceType);
  MakeList({"a", "mine"}, 1);
  Json::Value doc = ReadDoc("user/id1.Json");
  doc["Device"][0]["CustomEQNameInfo"][0]["Name"] = "Bass";
  doc["Device"][0]["CustomEQHzValueInfo"][1][0]["value"] = 6;
  doc["Device"][0]["LightInfo"]["Light"] = 1;
  doc["Device"][0]["SystemSetStages"]["EqType"] = 13;
  WriteDoc("user/id1.Json", doc.toStyledString());
  ASSERT_TRUE(list_.ResetProfile());
  const Json::Value reset = ReadDoc("user/id1.Json");
  EXPECT_EQ(reset["profilename"].asString(), "mine");
  EXPECT_EQ(reset["profileUUID"].asString(), "id1");
  EXPECT_EQ(reset["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "Bass");
  EXPECT_EQ(reset["Device"][0]["CustomEQHzValueInfo"][1][0]["value"].asInt(), 6);
  EXPECT_EQ(reset["Device"][0]["LightInfo"]["Light"].asInt(), 4);
  EXPECT_EQ(reset["Device"][0]["SystemSetStages"]["EqType"].asInt(), 1);

  list_.SetDeviceType(1);
  ASSERT_TRUE(list_.ResetProfile());
  EXPECT_EQ(ReadDoc("user/id1.Json")["Device"][0]["CustomEQNameInfo"].size(), 0u);
}

// The files of a folder and their contents.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(e.path(), std::ios::binary);
    files[e.path().filename()] = std::string((std::istreambuf_iterator<char>(in)), {});
  }
  return files;
}

TEST_F(ProfileListTest, FailedWritesAreReportedAndChangeNothing) {
  struct Op {
    const char* name;
    std::function<bool(CProfileList&)> run;
  };
  WriteDoc("in/Work.json", R"({"profilename": "w", "profileUUID": "w", "Device": [{}]})");
  const std::string import = PathOf("in/Work.json");
  const Op ops[] = {
      {"add", [](CProfileList& l) { return l.AddProfile(); }},
      {"delete", [](CProfileList& l) { return l.DeleteProfile(); }},
      {"copy", [](CProfileList& l) { return l.CopyProfile(); }},
      {"rename", [](CProfileList& l) { return l.RenameProfile(L"New") != RenameResult::kFailed; }},
      {"import", [&](CProfileList& l) { return l.ImportProfile(import); }},
      {"reset", [](CProfileList& l) { return l.ResetProfile(); }},
      {"select", [](CProfileList& l) { return l.SelectProfile(0); }},
  };
  for (const Op& op : ops) {
    SCOPED_TRACE(op.name);
    MakeList({"a", "b"}, 1);
    const std::map<std::string, std::string> before = Snapshot(folder_);
    {
      ReadOnlyFolder readOnly(folder_);
      if (!readOnly.Effective()) GTEST_SKIP() << "cannot make a folder read-only here";
      EXPECT_FALSE(op.run(list_));
      EXPECT_NE(list_.LastError().find(folder_), std::string::npos) << list_.LastError();
    }
    EXPECT_EQ(Snapshot(folder_), before);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(list_.GetSelectedIndex(), 1);
    EXPECT_EQ(list_.GetCurrentUUID(), "id1");

    // The folder is gone altogether.
    std::filesystem::rename(folder_, PathOf("away"));
    EXPECT_FALSE(op.run(list_));
    EXPECT_FALSE(list_.LastError().empty());
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"a", L"b"}));
    std::filesystem::rename(PathOf("away"), folder_);
  }
  // Without a folder there is no first profile either.
  std::filesystem::remove_all(folder_);
  EXPECT_FALSE(list_.InitProfiles());
  EXPECT_TRUE(Names().empty());
  EXPECT_EQ(list_.GetSelectedIndex(), -1);
}

// Crash tests: a child process runs one operation and ends itself (as a
// crash or a kill would) at the n-th step of a file write or removal, for
// every n until the operation completes. After every ending the folder must
// be consistent, and the next write must remove the temporary file the child
// left.
int stepsLeft = 0;
void EndAtThisStep() {
  if (--stepsLeft == 0) ::_exit(0);
}
constexpr int kCompleted = 42;

class CrashTest : public ProfileListTest {
 protected:
  // Returns the number of steps the operation took.
  int CrashAtEveryStep(const std::function<void()>& setUp, const std::function<void()>& op,
                       const std::function<void()>& check) {
    const bool failedBefore = HasFailure();
    for (int n = 1; n < 200; ++n) {
      SCOPED_TRACE("ended at step " + std::to_string(n));
      setUp();
      const pid_t child = ::fork();
      if (child == 0) {
        stepsLeft = n;
        SetFileStepHook(&EndAtThisStep);
        op();
        ::_exit(kCompleted);
      }
      int status = 0;
      if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        ADD_FAILURE() << "the child did not end normally";
        return n;
      }
      check();
      EXPECT_EQ(WriteJson(folder_ + "probe.json", Json::Value(1)), 0);
      std::filesystem::remove(folder_ + "probe.json");
      for (const auto& e : std::filesystem::directory_iterator(folder_))
        EXPECT_EQ(e.path().filename().string().find("tmp"), std::string::npos) << e.path();
      if (WEXITSTATUS(status) == kCompleted) return n;
      if (!failedBefore && HasFailure()) return n;
    }
    return 200;
  }

  // Every entry names a complete profile file of its own identifier.
  void ExpectEveryEntryHasItsFile() const {
    const Json::Value list = ReadDoc("user/ProfileList.ini");
    ASSERT_GE(list["profilelist"].size(), 1u);
    for (const auto& e : list["profilelist"]) {
      const std::string uuid = e["profileUUID"].asString();
      const Json::Value file = ReadDoc("user/" + uuid + ".Json");
      EXPECT_EQ(file["profileUUID"].asString(), uuid);
      EXPECT_TRUE(file["Device"][0].isObject()) << uuid;
      // The sources carry Light 9; only a reset or a new profile has the
      // default's 4 (a copy never does).
      const std::string name = e["profilename"].asString();
      if (name != "reset" && name.rfind("profile", 0) != 0) {
        EXPECT_EQ(file["Device"][0]["LightInfo"]["Light"].asInt(), 9) << uuid;
      }
    }
  }
  void MakeMarkedList() {
    MakeList({"a", "b", "reset"}, 1);
    for (int i = 0; i < 3; ++i) {
      Json::Value doc = ReadDoc("user/id" + std::to_string(i) + ".Json");
      doc["Device"][0]["LightInfo"]["Light"] = 9;
      WriteDoc("user/id" + std::to_string(i) + ".Json", doc.toStyledString());
    }
  }
};

TEST_F(CrashTest, ProfileOperationsLeaveAConsistentFolderAtEveryStep) {
  WriteDoc("in/Work.json", R"({"profilename": "w", "profileUUID": "w",
      "Device": [{"LightInfo": {"Light": 9}}]})");
  const std::string import = PathOf("in/Work.json");
  struct Op {
    const char* name;
    int select;
    std::function<void(CProfileList&)> run;
  };
  const Op ops[] = {
      {"copy", 1, [](CProfileList& l) { l.CopyProfile(); }},
      {"rename", 1, [](CProfileList& l) { l.RenameProfile(L"renamed"); }},
      {"reset", 2, [](CProfileList& l) { l.ResetProfile(); }},
      {"delete", 1, [](CProfileList& l) { l.DeleteProfile(); }},
      {"add", 1, [](CProfileList& l) { l.AddProfile(); }},
      {"import", 1, [&](CProfileList& l) { l.ImportProfile(import); }},
      {"select", 1, [](CProfileList& l) { l.SelectProfile(0); }},
  };
  for (const Op& op : ops) {
    SCOPED_TRACE(op.name);
    const int steps = CrashAtEveryStep(
        [&] {
          MakeMarkedList();
          list_.SelectProfile(op.select);
        },
        [&] {
          CProfileList list;
          list.SetFolders(folder_, PathOf("DefaultData/HD.Json"));
          list.InitProfiles();
          op.run(list);
        },
        [&] { ExpectEveryEntryHasItsFile(); });
    EXPECT_GT(steps, 1);
  }
  // A first start, from an empty folder.
  CrashAtEveryStep(
      [&] {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
      },
      [&] {
        CProfileList list;
        list.SetFolders(folder_, PathOf("DefaultData/HD.Json"));
        list.InitProfiles();
      },
      [&] {
        const Json::Value list = ReadDoc("user/ProfileList.ini");
        for (const auto& e : list["profilelist"])
          EXPECT_TRUE(
              ReadDoc("user/" + e["profileUUID"].asString() + ".Json")["Device"][0].isObject());
      });
}

TEST_F(CrashTest, MacroImportAndDeleteLeaveAConsistentFolderAtEveryStep) {
  WriteDoc("in.mac", R"({"Events": [{"Type": 1, "Action": "down", "Button": 1, "Delay": "5"}]})");
  auto setUp = [&] {
    std::filesystem::remove_all(folder_);
    WriteDoc("user/macro.config", R"({"MacroInfo": [{"MacroName": "macro_1", "Guid": "g0"},
        {"MacroName": "macro_2", "Guid": "g1"}]})");
    WriteDoc("user/g0.mac", R"({"Events": [{"Type": 1}]})");
    WriteDoc("user/g1.mac", R"({"Events": [{"Type": 1}]})");
  };
  auto check = [&] {
    const Json::Value index = ReadDoc("user/macro.config");
    ASSERT_TRUE(index["MacroInfo"].isArray());
    for (const auto& e : index["MacroInfo"])
      EXPECT_EQ(ReadDoc("user/" + e["Guid"].asString() + ".mac")["Events"].size(), 1u)
          << e["Guid"].asString();
  };
  EXPECT_GT(CrashAtEveryStep(
                setUp, [&] { CMacroLibrary(folder_).ImportMacroFile(PathOf("in.mac")); }, check),
            1);
  EXPECT_GT(CrashAtEveryStep(
                setUp, [&] { CMacroLibrary(folder_).DeleteMacroEntry(0); }, check),
            1);
}

TEST_F(ProfileListTest, CountAndPathsFollowTheFile) {
  MakeList({"a", "b"});
  EXPECT_EQ(list_.GetProfileCount(), 2);
  EXPECT_EQ(list_.GetProfilePathAt(1), folder_ + "id1.Json");
  EXPECT_EQ(list_.GetProfilePathAt(2), "");
  EXPECT_EQ(list_.GetProfilePathAt(-1), "");
}

}  // namespace
