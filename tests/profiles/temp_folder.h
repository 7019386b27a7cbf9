#pragma once
// A fresh folder under /tmp for one test, removed afterwards, with helpers to
// put files into it and read them back.

#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ruvemo-profiles-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return dir_ + name; }
  void WriteText(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(PathOf(name)).parent_path());
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  static Json::Value Parse(const std::string& text) {
    Json::Value v;
    Json::Reader().parse(text, v);
    return v;
  }
  void WriteDoc(const std::string& name, const std::string& json) const { WriteText(name, json); }
  Json::Value ReadDoc(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    return Parse(text);
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(PathOf(name)); }

  std::string dir_;
};
