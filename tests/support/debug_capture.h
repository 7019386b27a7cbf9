#pragma once
// Collects the debug-output lines written while it lives.

#include <mutex>
#include <string>
#include <vector>

#include "platform/debug_output.h"

class DebugCapture {
 public:
  DebugCapture() {
    SetDebugSink([this](std::string_view line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.emplace_back(line);
    });
  }
  ~DebugCapture() {
    SetDebugSink({});
    SetDebugOutputEnabled(false);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  bool Contains(const std::string& text) const {
    for (const auto& line : Lines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};
