// ruvemoctl profile and macro commands on a temporary user data folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <linux/capability.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string SourceDir() { return RUVEMO_SOURCE_DIR; }

std::string BinaryDir() { return RUVEMO_BINARY_DIR; }

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

class DataCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ruvemo-ctl-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ::setenv("XDG_DATA_HOME", (dir_ + "/data").c_str(), 1);
    ::setenv("RUVEMO_DATA_DIR", SourceDir().c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // withoutOverride: the tool runs without the capability that lets root
  // write into read-only folders (when the tests run as root).
  Outcome Run(const std::vector<std::string>& args, bool withoutOverride = false) const {
    const std::string tool = BinaryDir() + "/bin/ruvemoctl";
    const std::string outPath = dir_ + "/out", errPath = dir_ + "/err";
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (withoutOverride && ::geteuid() == 0 &&
          ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0)
        ::_exit(126);
      const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, 1);
      ::dup2(err, 2);
      std::vector<char*> argv{const_cast<char*>(tool.c_str())};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(tool.c_str(), argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(outPath), Slurp(errPath)};
  }
  Outcome Ok(const std::vector<std::string>& args) const {
    Outcome o = Run(args);
    EXPECT_EQ(o.status, 0) << o.err;
    return o;
  }
  void Refused(const std::vector<std::string>& args) const {
    const Outcome o = Run(args);
    EXPECT_EQ(o.status, 2) << o.out;
    EXPECT_FALSE(o.err.empty());
  }
  std::string Folder(const std::string& device) const {
    return dir_ + "/data/Brivo75/" + device + "/";
  }
  Json::Value Read(const std::string& path) const {
    Json::Value v;
    Json::Reader().parse(Slurp(path), v);
    return v;
  }
  void Write(const std::string& path, const std::string& text) const {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  Json::Value List(const std::string& device) const {
    return Read(Folder(device) + "ProfileList.ini");
  }
  // A list with these names; profile files come from the default on first load.
  void MakeList(const std::string& device, const std::vector<std::string>& names, int select = 0) {
    Json::Value list;
    for (size_t i = 0; i < names.size(); ++i) {
      list["profilelist"][static_cast<int>(i)]["profilename"] = names[i];
      list["profilelist"][static_cast<int>(i)]["profileUUID"] = "p" + std::to_string(i);
      Json::Value doc;
      doc["profilename"] = names[i];
      doc["profileUUID"] = "p" + std::to_string(i);
      Write(Folder(device) + "p" + std::to_string(i) + ".Json", doc.toStyledString());
    }
    list["profileselect"] = select;
    Write(Folder(device) + "ProfileList.ini", list.toStyledString());
  }
  std::vector<std::string> Names(const std::string& device) const {
    std::vector<std::string> names;
    const Json::Value entries = List(device)["profilelist"];
    for (const auto& e : entries) names.push_back(e["profilename"].asString());
    return names;
  }

  std::string dir_;
};

TEST_F(DataCommandsTest, FirstStartCreatesProfileOne) {
  const Outcome o = Ok({"profile", "keyboard", "list"});
  EXPECT_NE(o.out.find("profile1"), std::string::npos);
  const Json::Value list = List("keyboard");
  ASSERT_EQ(list["profilelist"].size(), 1u);
  const Json::Value profile =
      Read(Folder("keyboard") + list["profilelist"][0]["profileUUID"].asString() + ".Json");
  EXPECT_EQ(profile["profilename"].asString(), "profile1");
  EXPECT_EQ(profile["Device"][0]["KeyList"].size(), 170u);
}

TEST_F(DataCommandsTest, ProfileNameRulesAndLimits) {
  MakeList("mouse", {"profile1", "profile2", "PROFILE3"});
  Ok({"profile", "mouse", "add"});
  EXPECT_EQ(Names("mouse").back(), "profile4");

  MakeList("mouse", {"Game"});
  Ok({"profile", "mouse", "copy", "0"});
  Ok({"profile", "mouse", "copy", "0"});
  EXPECT_EQ(Names("mouse"), (std::vector<std::string>{"Game", "Game copy", "Game copy copy"}));
  Refused({"profile", "mouse", "rename", "1", "  "});
  Refused({"profile", "mouse", "rename", "1", "GAME"});
  Ok({"profile", "mouse", "rename", "1", "Work"});
  Write(dir_ + "/in/Work.json", R"({"profilename": "x", "profileUUID": "y", "Device": [{}]})");
  Ok({"profile", "mouse", "import", dir_ + "/in/Work.json"});
  Ok({"profile", "mouse", "import", dir_ + "/in/Work.json"});
  EXPECT_EQ(Names("mouse")[3], "Work(1)");
  EXPECT_EQ(Names("mouse")[4], "Work(1)(2)");
  Write(dir_ + "/in/Bad.json", R"({"profilename": "x"})");
  Refused({"profile", "mouse", "import", dir_ + "/in/Bad.json"});

  std::vector<std::string> fifty;
  for (int i = 0; i < 50; ++i) fifty.push_back("n" + std::to_string(i));
  MakeList("mouse", fifty);
  Refused({"profile", "mouse", "add"});
  Ok({"profile", "mouse", "copy", "3"});
  EXPECT_EQ(List("mouse")["profilelist"].size(), 51u);
  Refused({"profile", "mouse", "delete", "99"});
  Refused({"profile", "nowhere", "list"});
  Refused({"profile", "../x", "list"});
}

TEST_F(DataCommandsTest, DeleteKeepsTheSelectionRight) {
  MakeList("keyboard", {"a", "b", "c"}, 0);
  Ok({"profile", "keyboard", "delete", "0"});
  EXPECT_EQ(List("keyboard")["profileselect"].asInt(), 0);
  EXPECT_FALSE(fs::exists(Folder("keyboard") + "p0.Json"));
  MakeList("keyboard", {"a", "b", "c"}, 2);
  Ok({"profile", "keyboard", "delete", "2"});
  EXPECT_EQ(List("keyboard")["profileselect"].asInt(), 1);
  Ok({"profile", "keyboard", "delete", "0"});
  Refused({"profile", "keyboard", "delete", "0"});
  EXPECT_EQ(Names("keyboard"), std::vector<std::string>{"b"});
}

TEST_F(DataCommandsTest, HeadsetResetKeepsCustomEqualisersAndExportWritesTheFile) {
  MakeList("HD", {"a"});
  Write(Folder("HD") + "p0.Json", R"({"profilename": "a", "profileUUID": "p0", "Device": [{
      "CustomEQNameInfo": [{"Name": "Mine"}], "CustomEQHzValueInfo": [[{"value": 3}]],
      "SystemSetStages": {"EqType": 13}}]})");
  Ok({"profile", "HD", "reset", "0"});
  const Json::Value reset = Read(Folder("HD") + "p0.Json");
  EXPECT_EQ(reset["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "Mine");
  EXPECT_EQ(reset["Device"][0]["SystemSetStages"]["EqType"].asInt(), 5);
  EXPECT_EQ(reset["Device"][0]["EQHzValueInfo"][12].size(), 10u);
  Ok({"profile", "headset", "export", "0", dir_ + "/out.json"});
  EXPECT_EQ(Read(dir_ + "/out.json"), reset);
}

TEST_F(DataCommandsTest, MacroNamesLimitsRepairAndBlock) {
  const std::string folder = Folder("keyboard");
  Write(folder + "macro.config", R"({"MacroInfo": [{"MacroName": "macro_1", "Guid": "g0"},
      {"MacroName": "MACRO_2", "Guid": "g1"}]})");
  Ok({"macro", "keyboard", "add"});
  const Json::Value index = Read(folder + "macro.config");
  EXPECT_EQ(index["MacroInfo"][2]["MacroName"].asString(), "macro_3");

  Write(folder + "g0.mac", R"({"Events": [
      {"Type": 10, "Action": "down", "Button": 4, "Delay": "300"},
      {"Type": 10, "Action": "up", "Button": 4, "Delay": "70000"},
      {"Type": 1, "Action": "down", "Button": 1, "Delay": "0"}]})");
  const Outcome block = Ok({"macro", "keyboard", "block", "0", "1"});
  EXPECT_EQ(block.out,
            "AA 55 28 00 02 00 00 00 00 00 00 00 00 00 00 00\n"
            "14 00 24 00 03 00 00 00 2C 01 8A 04 70 11 0A 04\n"
            "00 00 81 01 00 00 00 00\n");
  const Outcome small = Run({"macro", "keyboard", "block", "0", "--units=0"});
  EXPECT_EQ(small.status, 2);
  // 16 + 2 + 4 + 12 = 34 bytes against none: 34 / 4 + 1.
  EXPECT_NE(small.err.find(": 9"), std::string::npos) << small.err;

  // Keys running macro 1 fall back to their default; macro 2 becomes 1.
  MakeList("keyboard", {"a", "b"});
  Ok({"profile", "keyboard", "list"});
  for (const char* name : {"p0.Json", "p1.Json"}) {
    Json::Value doc = Read(SourceDir() + "/DefaultData/keyboard.Json");
    doc["Device"][0]["KeyList"][0]["Assignment"] = 0x700100;
    doc["Device"][0]["KeyList"][1]["FnAssignment"] = 0x700200;
    Write(folder + name, doc.toStyledString());
  }
  Write(folder + "g1.mac", "{}");
  Ok({"macro", "keyboard", "delete", "1"});
  EXPECT_FALSE(fs::exists(folder + "g1.mac"));
  EXPECT_TRUE(fs::exists(folder + "g0.mac"));
  for (const char* name : {"p0.Json", "p1.Json"}) {
    const Json::Value keys = Read(folder + name)["Device"][0]["KeyList"];
    EXPECT_EQ(keys[0]["Assignment"].asInt(), 0x200029) << name;
    EXPECT_EQ(keys[1]["FnAssignment"].asInt(), 0x700100) << name;
  }

  Json::Value full = Read(folder + "macro.config");
  for (int i = full["MacroInfo"].size(); i < 50; ++i)
    full["MacroInfo"][i]["Guid"] = "f" + std::to_string(i);
  Write(folder + "macro.config", full.toStyledString());
  Refused({"macro", "keyboard", "add"});
  Write(dir_ + "/in.mac", R"({"Events": []})");
  Refused({"macro", "keyboard", "import", dir_ + "/in.mac"});
  Refused({"macro", "keyboard", "rename", "60", "x"});
  Ok({"macro", "keyboard", "rename", "0", "Jump"});
  Ok({"macro", "keyboard", "export", "0", dir_ + "/jump.mac"});
  EXPECT_EQ(Read(dir_ + "/jump.mac")["Events"].size(), 3u);
}

TEST_F(DataCommandsTest, FoldersAndOtherNonFilesAreRefusedAsImports) {
  Ok({"profile", "keyboard", "list"});
  for (const char* kind : {"profile", "macro"}) {
    SCOPED_TRACE(kind);
    const Outcome o = Run({kind, "keyboard", "import", "/tmp"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("/tmp"), std::string::npos) << o.err;
  }
  EXPECT_EQ(Names("keyboard"), std::vector<std::string>{"profile1"});
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(folder)) files[e.path().filename()] = Slurp(e.path());
  return files;
}

TEST_F(DataCommandsTest, WritesIntoAReadOnlyFolderFailWithTheReason) {
  MakeList("keyboard", {"a", "b"}, 0);
  Ok({"profile", "keyboard", "list"});  // profile files filled from the default
  Ok({"macro", "keyboard", "add"});
  Write(dir_ + "/in/Work.json", R"({"profilename": "x", "profileUUID": "y", "Device": [{}]})");
  Write(dir_ + "/in.mac", R"({"Events": []})");
  const std::string folder = Folder("keyboard");
  const auto before = Snapshot(folder);
  ::chmod(folder.c_str(), 0555);
  // Root writes anyway unless it can give up the capability to.
  const pid_t probe = ::fork();
  if (probe == 0) {
    if (::geteuid() == 0) ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
    const std::string path = folder + "probe";
    ::execl("/bin/mkdir", "mkdir", path.c_str(), static_cast<char*>(nullptr));
    ::_exit(0);  // no probe: take the folder as writable
  }
  int probeStatus = 0;
  ::waitpid(probe, &probeStatus, 0);
  if (!WIFEXITED(probeStatus) || WEXITSTATUS(probeStatus) == 0) {
    ::chmod(folder.c_str(), 0700);
    fs::remove(folder + "probe");
    GTEST_SKIP() << "cannot make a folder read-only here";
  }
  const std::vector<std::vector<std::string>> commands = {
      {"profile", "keyboard", "add"},
      {"profile", "keyboard", "delete", "0"},
      {"profile", "keyboard", "delete", "1"},
      {"profile", "keyboard", "copy", "0"},
      {"profile", "keyboard", "rename", "0", "New"},
      {"profile", "keyboard", "select", "1"},
      {"profile", "keyboard", "reset", "0"},
      {"profile", "keyboard", "import", dir_ + "/in/Work.json"},
      {"macro", "keyboard", "add"},
      {"macro", "keyboard", "rename", "0", "m"},
      {"macro", "keyboard", "delete", "0"},
      {"macro", "keyboard", "import", dir_ + "/in.mac"},
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command[2] + " " + command[0]);
    const Outcome o = Run(command, true);
    EXPECT_EQ(o.status, 2) << o.out;
    EXPECT_NE(o.err.find(folder), std::string::npos) << o.err;
  }
  // Reading still works, and nothing changed.
  const Outcome list = Run({"profile", "keyboard", "list"}, true);
  EXPECT_EQ(list.status, 0) << list.err;
  ::chmod(folder.c_str(), 0700);
  EXPECT_EQ(Snapshot(folder), before);
}

TEST_F(DataCommandsTest, CraftedFilesStayInsideTheFolder) {
  const std::string folder = Folder("MousePad");
  Write(dir_ + "/data/Brivo75/victim.Json", R"({"keep": 1})");
  Write(dir_ + "/data/Brivo75/victim.mac", R"({"keep": 1})");
  Write(folder + "ProfileList.ini", R"({"profileselect": "x", "profilelist": [
      {"profilename": "a", "profileUUID": "../victim"}, {"profilename": 5, "profileUUID": [1]}]})");
  Write(folder + "macro.config", R"({"MacroInfo": [{"MacroName": "m", "Guid": "../victim"}]})");
  Ok({"profile", "MousePad", "list"});
  Ok({"profile", "MousePad", "delete", "0"});
  Ok({"profile", "MousePad", "reset", "0"});
  Ok({"macro", "MousePad", "delete", "0"});
  EXPECT_EQ(Read(dir_ + "/data/Brivo75/victim.Json")["keep"].asInt(), 1);
  EXPECT_EQ(Read(dir_ + "/data/Brivo75/victim.mac")["keep"].asInt(), 1);
  for (const auto& e : fs::directory_iterator(dir_ + "/data/Brivo75"))
    EXPECT_TRUE(e.is_directory() || e.path().filename().string().rfind("victim", 0) == 0)
        << e.path();
}

}  // namespace
