#pragma once
// A private virtual HID bus folder for one test: created in the temporary
// folder, made the bus folder of this process (RUVEMO_VHID_DIR) and removed
// with everything in it afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

class BusFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ruvemo-link-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    ::setenv("RUVEMO_VHID_DIR", folder_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("RUVEMO_VHID_DIR");
    std::filesystem::remove_all(folder_);
  }
  const std::string& Folder() const { return folder_; }

  static bool WaitFor(const std::function<bool()>& condition, int ms = 2000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
  }

 private:
  std::string folder_;
};
