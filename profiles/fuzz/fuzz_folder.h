#pragma once
// A scratch folder for one fuzz run: /dev/shm/ruvemo-fuzz-<pid>/ (or under
// $RUVEMO_FUZZ_DIR, or /tmp) with the
// folder under test inside it ("user/"). Reset() empties it before every
// input; Escaped() is true when anything other than "user" appeared beside
// the folder under test, that is when an input made the code write outside.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class FuzzFolder {
 public:
  FuzzFolder() {
    // Memory-backed when possible: every stored write is flushed to disk.
    const char* tmp = std::getenv("RUVEMO_FUZZ_DIR");
    std::string base = tmp && *tmp ? tmp : "";
    if (base.empty()) base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    root_ = base + "/ruvemo-fuzz-" + std::to_string(::getpid());
    std::filesystem::create_directories(root_);
  }
  ~FuzzFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  void Reset() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    std::filesystem::create_directories(User(), ec);
  }
  std::string User() const { return root_ + "/user/"; }
  std::string Root() const { return root_ + "/"; }
  void Put(const std::string& path, const uint8_t* data, size_t size) const {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  bool Escaped() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(root_, ec))
      if (entry.path().filename() != "user" && entry.path().filename() != "in") return true;
    return false;
  }

 private:
  std::string root_;
};

// A profile file the loaders fall back to, with every section in place.
inline const char* kFuzzDefaultProfile = R"({"profilename": "d", "profileUUID": "d",
  "Device": [{"LightInfo": {"SelectItem": 1}, "KeyList": [{"Assignment": 7340288,
  "FnAssignment": 7340544, "DefaultAssignment": 2097156}], "EQHzValueInfo": [null, []],
  "DPIStages": {"StageDPIs": [{"StageDPIX": 100}]}}]})";
