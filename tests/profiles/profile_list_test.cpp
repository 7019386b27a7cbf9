// The profile list and its operations on a temporary user device folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "profiles/json_file.h"
#include "profiles/profile_list.h"
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

TEST_F(ProfileListTest, CountAndPathsFollowTheFile) {
  MakeList({"a", "b"});
  EXPECT_EQ(list_.GetProfileCount(), 2);
  EXPECT_EQ(list_.GetProfilePathAt(1), folder_ + "id1.Json");
  EXPECT_EQ(list_.GetProfilePathAt(2), "");
  EXPECT_EQ(list_.GetProfilePathAt(-1), "");
}

}  // namespace
