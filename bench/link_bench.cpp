// Throughput of the device link against the simulator over the virtual HID
// bus: single exchanges, a 384-byte key-table read, a full macro memory write
// and the software lighting frame stream, wired and through the receiver,
// with the simulator's timing model off and on. Each figure is printed beside
// the limit the timing model allows (one report per interval each way, and an
// exchange waits for its reply before the next request goes out).
//
//   ruvemo-link-bench [--seconds S] [--receiver-interval MS]

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/command_result.h"
#include "link/device_channel.h"
#include "link/hid_device.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Setup {
  bool receiver;
  bool timing;
};

double g_seconds = 1.0;
unsigned g_receiverIntervalMs = 4;

// Runs op repeatedly for the configured time; returns operations per second.
double Rate(const std::function<bool()>& op) {
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration<double>(g_seconds);
  long count = 0;
  while (Clock::now() < end) {
    if (!op()) return -1;
    ++count;
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  return count / elapsed;
}

bool OpenCommandInterface(CDeviceChannel& channel, const CSimulator& sim, bool receiver) {
  const std::string node = sim.SocketPath(SimProduct::Keyboard, receiver);
  CHidDevice enumerator;
  if (!enumerator.BeginEnumeration()) return false;
  std::string path;
  while (auto p = enumerator.NextDevicePath())
    if (p->rfind(node, 0) == 0 && p->find("&col04") != std::string::npos) path = *p;
  enumerator.FreeDevicePaths();
  if (path.empty()) return false;
  return channel.OpenRecord(receiver, path, receiver ? 2 : 1);
}

int Chunks(size_t bytes, size_t payload) {
  return static_cast<int>((bytes + payload - 1) / payload);
}

void Row(const char* what, const Setup& s, double measured, double limit, const char* unit) {
  char limitText[32] = "-";
  if (s.timing) std::snprintf(limitText, sizeof limitText, "%.1f", limit);
  std::printf("%-24s %-9s %-6s %12.1f %12s  %s\n", what, s.receiver ? "receiver" : "wired",
              s.timing ? "on" : "off", measured, limitText, unit);
}

bool RunSetup(const Setup& s, const std::string& busFolder) {
  SimulatorOptions options;
  options.busFolder = busFolder;
  options.timing = s.timing;
  options.receiverIntervalMs = g_receiverIntervalMs;
  CSimulator sim(options);
  if (s.receiver) sim.SetConnection(SimProduct::Keyboard, true);
  if (!sim.Plug(SimProduct::Keyboard)) return false;

  CDeviceChannel channel;
  if (!OpenCommandInterface(channel, sim, s.receiver)) return false;

  const double intervalMs = s.receiver ? g_receiverIntervalMs : 1.0;
  const size_t payload = channel.PayloadPerPacket();
  const size_t macroBytes = sim.Memory(SimProduct::Keyboard, SimArea::Macro).size();
  const size_t frameBytes = sim.Memory(SimProduct::Keyboard, SimArea::Info)[5] * 3u;

  const double exchanges = Rate([&] { return channel.BeginConfig() == kCommandSuccess; });
  Row("exchanges", s, exchanges, 1000.0 / intervalMs, "exchanges/s");

  channel.SetBlockSize(384);
  std::vector<uint8_t> table(384);
  const double tableReads =
      Rate([&] { return channel.ReadKeyTable(table.data()) == kCommandSuccess; });
  Row("key table read 384 B", s, 1000.0 / tableReads, Chunks(384, payload) * intervalMs, "ms/read");

  std::vector<uint8_t> macro(macroBytes, 0x5A);
  const double macroWrites = Rate([&] {
    return channel.WriteMacroData(macro.data(), static_cast<uint32_t>(macro.size())) ==
           kCommandSuccess;
  });
  char label[48];
  std::snprintf(label, sizeof label, "macro write %zu B", macroBytes);
  Row(label, s, 1000.0 / macroWrites, Chunks(macroBytes, payload) * intervalMs, "ms/write");

  std::vector<uint8_t> frame(frameBytes, 0x40);
  const double frames = Rate([&] {
    return channel.StreamLightFrame(frame.data(), static_cast<uint32_t>(frame.size())) ==
           kCommandSuccess;
  });
  std::snprintf(label, sizeof label, "light frames %zu B", frameBytes);
  Row(label, s, frames, 1000.0 / (Chunks(frameBytes, payload) * intervalMs), "frames/s");
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--seconds") == 0) g_seconds = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--receiver-interval") == 0)
      g_receiverIntervalMs = static_cast<unsigned>(std::atoi(argv[i + 1]));
  }
  char pattern[] = "/tmp/ruvemo-bench-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const std::string bus = pattern;
  ::setenv("RUVEMO_VHID_DIR", bus.c_str(), 1);

  std::printf("receiver interval %u ms, %.1f s per figure\n\n", g_receiverIntervalMs, g_seconds);
  std::printf("%-24s %-9s %-6s %12s %12s  %s\n", "measure", "link", "timing", "measured", "limit",
              "unit");
  int status = 0;
  for (bool timing : {false, true})
    for (bool receiver : {false, true})
      if (!RunSetup({receiver, timing}, bus)) {
        std::fprintf(stderr, "bench: set-up failed (%s, timing %s)\n",
                     receiver ? "receiver" : "wired", timing ? "on" : "off");
        status = 1;
      }
  std::filesystem::remove_all(bus);
  return status;
}
