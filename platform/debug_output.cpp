#include "platform/debug_output.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::atomic<int> g_enabled{-1};  // -1: not yet read from the environment
std::mutex g_sinkMutex;
DebugSink g_sink;

bool ReadEnabled() {
  int state = g_enabled.load(std::memory_order_relaxed);
  if (state < 0) {
    const char* env = std::getenv("RUVEMO_DEBUG");
    state = (env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0) ? 1 : 0;
    int expected = -1;
    g_enabled.compare_exchange_strong(expected, state);
    state = g_enabled.load(std::memory_order_relaxed);
  }
  return state == 1;
}

}  // namespace

bool DebugOutputEnabled() { return ReadEnabled(); }

void SetDebugOutputEnabled(bool enabled) { g_enabled.store(enabled ? 1 : 0); }

void SetDebugSink(DebugSink sink) {
  std::lock_guard<std::mutex> lock(g_sinkMutex);
  if (sink) g_enabled.store(1);
  g_sink = std::move(sink);
}

void DebugOutput(std::string_view text) {
  if (!ReadEnabled()) return;
  std::lock_guard<std::mutex> lock(g_sinkMutex);
  if (g_sink) {
    g_sink(text);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
}

void DebugOutputF(const char* format, ...) {
  if (!ReadEnabled()) return;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (size < 0) {
    va_end(args);
    return;
  }
  std::vector<char> buffer(static_cast<size_t>(size) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  va_end(args);
  DebugOutput(std::string_view(buffer.data(), static_cast<size_t>(size)));
}
