// The discovery thread's scan, probe and wait.

#include "devices/discovery_thread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "link/hid_device.h"
#include "platform/data_paths.h"
#include "platform/debug_output.h"
#include "platform/hotplug_watcher.h"

namespace {

// Whether a claimed path still opens. Neither reading nor writing is asked
// for: a bus node is connected to and let go, a hidraw node opened and
// closed. A bus node that does not take the connection in time counts as
// gone, like one that refuses it.
bool StillPresent(const std::string& path) {
  CHidDevice probe;
  const bool present = probe.Open(path, false, false, true, false);
  probe.Close();
  return present;
}

}  // namespace

CDiscoveryThread::CDiscoveryThread(CConnectionTable& table, IDiscoverySink& sink,
                                   DiscoveryOptions options)
    : table_(table), sink_(sink), options_(options) {
  stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CDiscoveryThread::~CDiscoveryThread() {
  Stop();
  if (stopEvent_ >= 0) ::close(stopEvent_);
}

bool CDiscoveryThread::Start() {
  if (thread_.joinable() || stopEvent_ < 0) return false;
  stop_ = false;
  uint64_t pending = 0;
  while (::read(stopEvent_, &pending, sizeof pending) > 0) {
  }
  running_ = true;
  thread_ = std::thread([this] {
    Run();
    running_ = false;
  });
  return true;
}

void CDiscoveryThread::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  const uint64_t one = 1;
  if (::write(stopEvent_, &one, sizeof one) != sizeof one)
    DebugOutputF("discovery: cannot signal the stop event: %s", std::strerror(errno));
  sink_.OnStopRequested();
  thread_.join();
}

bool CDiscoveryThread::Scan(bool& firstScan, bool& openFailed, bool& released) {
  if (options_.scanCounter != nullptr) options_.scanCounter->fetch_add(1);
  if (!table_.AllInterfacesClaimed()) {
    CHidDevice enumerator;
    if (!enumerator.BeginEnumeration()) {
      DebugOutput("discovery: the list of HID interfaces cannot be read; discovery ends");
      // The window still waits for the first scan to show itself.
      if (firstScan) {
        firstScan = false;
        sink_.OnFirstScanComplete();
      }
      return false;
    }
    while (auto path = enumerator.NextDevicePath()) {
      if (StopRequested()) return false;
      InterfaceEntry identity = IdentityOfPath(*path);
      if (!table_.Admit(identity)) continue;
      CHidDevice probe;
      if (!probe.Open(*path, true, false, true, false)) {
        openFailed = true;
        continue;
      }
      identity.vendorId = probe.VendorId();
      identity.productId = probe.ProductId();
      identity.usagePage = probe.UsagePage();
      identity.usage = probe.Usage();
      probe.Close();
      int index = -1;
      if (table_.Claim(identity, index) && !sink_.OnInterfaceArrived(index)) return false;
    }
    enumerator.FreeDevicePaths();
    if (firstScan) {
      firstScan = false;
      sink_.OnFirstScanComplete();
    }
  }
  for (int index : table_.ClaimedRows()) {
    if (StopRequested()) return false;
    if (StillPresent(table_.Row(index).path)) continue;
    table_.Release(index);
    released = true;
    if (!sink_.OnInterfaceRemoved(index)) return false;
  }
  return true;
}

void CDiscoveryThread::Run() {
  // The watcher is made and used on this thread only.
  struct {
    std::unique_ptr<CHotplugWatcher> watcher;
  } watch;
  const std::string busFolder = options_.watchBus ? VhidBusFolder() : std::string();
  if (options_.watchHidraw || options_.watchBus) {
    watch.watcher = std::make_unique<CHotplugWatcher>(busFolder, options_.watchHidraw);
    if (!watch.watcher->Start()) watch.watcher.reset();
  }
  watcher_ = watch.watcher.get();
  // Every source asked for must be had, or changes of the others would go
  // unnoticed: the interval stands in then (the watcher still wakes early).
  auto fullyWatched = [&] {
    return watcher_ != nullptr && (!options_.watchHidraw || watcher_->HasUdev()) &&
           (!options_.watchBus || watcher_->HasBusWatch());
  };
  eventDriven_ = fullyWatched();
  if (!eventDriven_)
    DebugOutputF("discovery: not every hot-plug source can be watched; scanning every %d ms",
                 options_.fallbackIntervalMs);

  bool firstScan = true;
  int retriesLeft = options_.retryCount;
  int retryDelay = options_.retryFirstMs;
  bool listAgain = false;
  while (!StopRequested()) {
    bool openFailed = false;
    bool released = false;
    if (!Scan(firstScan, openFailed, released)) break;
    // A freed row may be taken at once by another interface of the same
    // identity that was present all along (a second pad): list again, once,
    // so that a path that claims but never probes cannot keep the thread busy.
    listAgain = released && !listAgain;
    if (listAgain) continue;
    int timeout = -1;
    eventDriven_ = fullyWatched();  // the bus watch may be lost and found again
    if (!eventDriven_) {
      timeout = options_.fallbackIntervalMs;
    } else if (openFailed && retriesLeft > 0) {
      timeout = retryDelay;
      retryDelay *= 2;
      --retriesLeft;
    }
    const WaitResult result = WaitForChange(timeout);
    if (result == WaitResult::Stop) break;
    if (result == WaitResult::Change) {
      retriesLeft = options_.retryCount;
      retryDelay = options_.retryFirstMs;
    }
  }
  watcher_ = nullptr;
  DebugOutput("抓取设备线程设定退出");
}

CDiscoveryThread::WaitResult CDiscoveryThread::WaitForChange(int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  std::vector<pollfd> fds{{stopEvent_, POLLIN, 0}};
  if (watcher_ != nullptr)
    for (int fd : watcher_->Fds()) fds.push_back({fd, POLLIN, 0});
  while (true) {
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    for (auto& p : fds) p.revents = 0;
    const int n = ::poll(fds.data(), fds.size(), wait);
    if (StopRequested()) return WaitResult::Stop;
    if (n < 0) {
      if (errno == EINTR) continue;
      DebugOutputF("discovery: poll failed: %s", std::strerror(errno));
      return WaitResult::Stop;
    }
    if (n == 0) return WaitResult::Timeout;
    if ((fds[0].revents & POLLIN) != 0) return WaitResult::Stop;
    if (watcher_ != nullptr && watcher_->Drain()) break;
    for (size_t i = 1; i < fds.size(); ++i) {
      if ((fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) == 0) continue;
      // A source that fails would wake the poll forever: give the watcher
      // up, scan now and go on with the interval.
      DebugOutput("discovery: the hot-plug watcher failed; scanning on the interval");
      watcher_ = nullptr;
      return WaitResult::Change;
    }
  }
  // Quiet time: let the rest of the burst arrive, then take it in one scan.
  pollfd stop{stopEvent_, POLLIN, 0};
  if (::poll(&stop, 1, options_.debounceMs) != 0 || StopRequested()) return WaitResult::Stop;
  if (watcher_ != nullptr) watcher_->Drain();
  return WaitResult::Change;
}
