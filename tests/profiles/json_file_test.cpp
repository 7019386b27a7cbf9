#include "profiles/json_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/support/debug_capture.h"

namespace fs = std::filesystem;

namespace {

class JsonFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ruvemo-json-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    ::chmod(dir_.c_str(), 0700);
    fs::remove_all(dir_);
  }
  std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
  void WriteBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir_;
};

TEST_F(JsonFileTest, ReadsUpToTheFirstZeroByte) {
  WriteBytes("zero.json", std::string("{\"A\": 1}\0{\"B\": 2}", 17));
  EXPECT_EQ(readjsonFile(PathOf("zero.json")), "{\"A\": 1}");
  const Json::Value doc = ReadJson(PathOf("zero.json"));
  ASSERT_TRUE(doc.isObject());
  EXPECT_EQ(doc["A"].asInt(), 1);
  EXPECT_FALSE(doc.isMember("B"));
}

TEST_F(JsonFileTest, EmptyMissingAndBrokenFilesReadAsNull) {
  WriteBytes("empty.json", "");
  WriteBytes("broken.json", "{\"A\": [1, 2");
  // Nesting deeper than the parser allows makes it throw.
  WriteBytes("deep.json", std::string(5000, '[') + std::string(5000, ']'));
  for (const char* name : {"empty.json", "missing.json", "broken.json", "deep.json"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(ReadJson(PathOf(name)).isNull());
  }
  EXPECT_EQ(readjsonFile(PathOf("missing.json")), "");
}

TEST_F(JsonFileTest, EveryReadLeavesTheErrorLineAndAnEmptyReadThePath) {
  WriteBytes("good.json", "{}");
  DebugCapture capture;
  ReadJson(PathOf("good.json"));
  EXPECT_TRUE(capture.Contains("readjsonFile 错误吗：：0"));
  EXPECT_FALSE(capture.Contains(PathOf("good.json")));

  DebugCapture missing;
  ReadJson(PathOf("missing.json"));
  EXPECT_TRUE(missing.Contains("readjsonFile 错误吗：：" + std::to_string(ENOENT)));
  EXPECT_TRUE(missing.Contains(PathOf("missing.json")));
}

TEST_F(JsonFileTest, WritesTheStyledFormFollowedByAnEndOfLine) {
  Json::Value doc;
  doc["Name"] = "profile1";
  doc["List"].append(1);
  doc["List"].append(2);
  ASSERT_EQ(WriteJson(PathOf("out.json"), doc), 0);
  EXPECT_EQ(Slurp(PathOf("out.json")), doc.toStyledString() + "\n");
  EXPECT_EQ(ReadJson(PathOf("out.json")), doc);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(JsonFileTest, RewriteKeepsTheFileModeAndWritesThroughALink) {
  Json::Value doc;
  doc["A"] = 1;
  ASSERT_EQ(WriteJson(PathOf("real.json"), doc), 0);
  ::chmod(PathOf("real.json").c_str(), 0640);
  fs::create_symlink(PathOf("real.json"), PathOf("link.json"));
  doc["A"] = 2;
  ASSERT_EQ(WriteJson(PathOf("link.json"), doc), 0);
  EXPECT_TRUE(fs::is_symlink(PathOf("link.json")));
  EXPECT_EQ(ReadJson(PathOf("real.json"))["A"].asInt(), 2);
  struct stat st {};
  ASSERT_EQ(::stat(PathOf("real.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(JsonFileTest, AWriteThatCannotCompleteLeavesTheOldFile) {
  Json::Value old;
  old["Keep"] = "me";
  ASSERT_EQ(WriteJson(PathOf("p.json"), old), 0);
  const std::string before = Slurp(PathOf("p.json"));

  Json::Value big;
  big["Blob"] = std::string(64 * 1024, 'x');

  // The disk fills during the write: limit the file size below the document's.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::_Exit(WriteJson(PathOf("p.json"), big) == -1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a short write must be reported";
  EXPECT_EQ(Slurp(PathOf("p.json")), before);

  // The folder refuses new files (read-only): the write fails, the file stays.
  if (::geteuid() != 0) {
    ::chmod(dir_.c_str(), 0500);
    EXPECT_EQ(WriteJson(PathOf("p.json"), big), -1);
    ::chmod(dir_.c_str(), 0700);
    EXPECT_EQ(Slurp(PathOf("p.json")), before);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(JsonFileTest, FoldersPipesAndOversizedFilesReadAsNullWithoutWaitingOrAllocating) {
  ASSERT_EQ(::mkfifo(PathOf("pipe.json").c_str(), 0600), 0);
  fs::create_directory(PathOf("folder.json"));
  // Sparse: a size far beyond any stored document, without using the disk.
  WriteBytes("huge.json", "");
  ASSERT_EQ(::truncate(PathOf("huge.json").c_str(), std::int64_t{1} << 33), 0);
  WriteBytes("over.json", "[" + std::string(kMaxStoredFileSize, ' ') + "]");
  for (const std::string& path : {dir_, PathOf("folder.json"), PathOf("pipe.json"),
                                  PathOf("huge.json"), PathOf("over.json")}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(ReadJson(path).isNull());
    EXPECT_EQ(readjsonFile(path), "");
    std::string bytes = "x";
    EXPECT_FALSE(ReadFileBytes(path, bytes));
    EXPECT_TRUE(bytes.empty());
  }
  // A regular file that reports no size (as /proc files do) is still read whole.
  std::string status;
  EXPECT_TRUE(ReadFileBytes("/proc/self/status", status));
  EXPECT_NE(status.find("Pid:"), std::string::npos);
}

TEST_F(JsonFileTest, TargetsWithTheLongestAllowedNameCanBeWritten) {
  const std::string name = std::string(250, 'n') + ".json";
  ASSERT_EQ(name.size(), 255u);
  Json::Value doc;
  doc["A"] = 1;
  ASSERT_EQ(WriteJson(PathOf(name), doc), 0);
  EXPECT_EQ(ReadJson(PathOf(name)), doc);
  EXPECT_EQ(WriteFileAtomic(PathOf(name), std::string_view("raw\0bytes", 9)), 0);
  EXPECT_EQ(Slurp(PathOf(name)), std::string("raw\0bytes", 9));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(JsonFileTest, StaleTemporaryFilesOfGoneWritersGoOnTheNextWrite) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) std::_Exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string gone = std::to_string(child);
  const std::string self = std::to_string(::getpid());
  const std::string running = std::to_string(::getppid());
  struct Case {
    std::string name;
    bool removed;
  } cases[] = {
      {".ruvemo-" + gone + "-3.tmp", true},
      {"p.Json.tmp-" + gone + "-1", true},  // names of earlier versions
      {"macro.config.tmp-" + gone + "-12", true},
      {"main.ini.tmp-" + gone, true},
      {".ruvemo-" + self + "-1.tmp", false},  // this process may be writing it
      {".ruvemo-" + running + "-1.tmp", false},
      {"notes.txt.tmp-" + gone + "-1", false},  // not a file of this program
      {".ruvemo-" + gone + "-3.tmpx", false},
      {".ruvemo-x-3.tmp", false},
      {"p.Json", false},
  };
  for (const auto& c : cases) WriteBytes(c.name, "{}");
  // A running process whose pid an old writer had: left for a day, then removed.
  WriteBytes(".ruvemo-" + running + "-9.tmp", "{}");
  const timeval old[2] = {{::time(nullptr) - 2 * 86400, 0}, {::time(nullptr) - 2 * 86400, 0}};
  ASSERT_EQ(::utimes(PathOf(".ruvemo-" + running + "-9.tmp").c_str(), old), 0);

  ASSERT_EQ(WriteJson(PathOf("other.json"), Json::Value(1)), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fs::exists(PathOf(c.name)), !c.removed);
  }
  EXPECT_FALSE(fs::exists(PathOf(".ruvemo-" + running + "-9.tmp")));
}

TEST(JsonHelpers, IsBlank) {
  struct Case {
    const wchar_t* text;
    bool blank;
  } cases[] = {{L"", true}, {L"    ", true}, {L" \t\r\n ", true}, {L"  a  ", false}, {L"a", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8FromWide(c.text));
    EXPECT_EQ(IsBlank(std::wstring_view(c.text)), c.blank);
    EXPECT_EQ(IsBlank(std::string_view(Utf8FromWide(c.text))), c.blank);
  }
}

TEST(JsonHelpers, TimestampIdHasTheIdentifierFormat) {
  const std::string id = MakeTimestampId();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      id, m, std::regex(R"((\d{4})_(\d{2})_(\d{2})_(\d{2})_(\d{2})_(\d{2})_(\d{3}))")))
      << id;
  EXPECT_GE(std::stoi(m[2]), 1);
  EXPECT_LE(std::stoi(m[2]), 12);
  EXPECT_LE(std::stoi(m[4]), 23);
}

TEST(JsonHelpers, WideAndUtf8RoundTrip) {
  const std::wstring text = L"配置 Profile é \U0001F3AE";
  const std::string utf8 = Utf8FromWide(text);
  EXPECT_EQ(utf8, "配置 Profile é \xF0\x9F\x8E\xAE");
  EXPECT_EQ(WideFromUtf8(utf8), text);
  // Broken sequences do not swallow the text after them.
  EXPECT_EQ(WideFromUtf8("a\xC3"
                         "b\xF0\x9F"),
            std::wstring(L"a\uFFFDb\uFFFD\uFFFD"));
  EXPECT_EQ(WideFromUtf8("\xED\xA0\x80"), std::wstring(L"\uFFFD\uFFFD\uFFFD"));
}

}  // namespace
