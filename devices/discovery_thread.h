#pragma once
// The discovery thread: claims every catalogue interface that is present,
// notices when a claimed one disappears, and hands both to the sink.
//
// It scans once at start, then sleeps until something may have changed: a
// hidraw node came or went (udev), a file of the virtual HID bus folder came
// or went (inotify), or the stop was requested. A change is followed by a
// short quiet time before the scan, since a bus node's two files and udev's
// events come in bursts. Only where neither watcher can be had does it fall
// back to scanning on a fixed interval. A present catalogue interface that
// could not be opened (no permission yet, a node still being set up) is tried
// again a few times with growing pauses, then only on the next change.
//
// A scan: while some row is free, list the interface paths, admit those
// whose path names a catalogue identity, open each for reading, complete the
// identity from the interface's attributes and capabilities and claim a row;
// each claim is handed over (OnInterfaceArrived). Then every claimed row's
// path is opened once (a connect for a bus node, an open for hidraw); a row
// whose path no longer opens is freed and handed over (OnInterfaceRemoved).

#include <atomic>
#include <thread>

#include "devices/connection_table.h"
#include "devices/discovery_sink.h"

class CHotplugWatcher;

struct DiscoveryOptions {
  bool watchHidraw = true;       // udev monitor on hidraw nodes
  bool watchBus = true;          // inotify on the virtual HID bus folder
  int debounceMs = 30;           // quiet time between a change and its scan
  int fallbackIntervalMs = 100;  // scan interval when no watcher can be had
  int retryFirstMs = 100;        // first pause before retrying an interface that did not open
  int retryCount = 5;            // retries (pauses doubling) before waiting for a change
  std::atomic<int>* scanCounter = nullptr;  // counts scans (tests, benchmarks)
};

class CDiscoveryThread {
 public:
  // The table and the sink must outlive the thread. The owner reads the
  // table only inside a hand-over or after Stop().
  CDiscoveryThread(CConnectionTable& table, IDiscoverySink& sink, DiscoveryOptions options = {});
  ~CDiscoveryThread();  // stops
  CDiscoveryThread(const CDiscoveryThread&) = delete;
  CDiscoveryThread& operator=(const CDiscoveryThread&) = delete;

  // Starts the thread; false when it runs already or cannot be started.
  bool Start();
  // Ends the thread and waits for it: a pending hand-over is abandoned
  // (IDiscoverySink::OnStopRequested), a scan stops at its next path, a
  // probe of a bus node takes at most its connect time-out.
  void Stop();
  bool Running() const { return running_.load(); }
  // Whether a watcher wakes the thread (false: the fixed interval does).
  bool EventDriven() const { return eventDriven_.load(); }

 private:
  void Run();
  // One scan; false when the thread must end (enumeration refused, hand-over
  // refused). openFailed tells whether an admitted interface did not open,
  // released whether a claimed row was freed.
  bool Scan(bool& firstScan, bool& openFailed, bool& released);
  // Sleeps until a change (after the quiet time), the time-out (-1 none) or
  // the stop; false on stop.
  enum class WaitResult { Change, Timeout, Stop };
  WaitResult WaitForChange(int timeoutMs);
  bool StopRequested() const { return stop_.load(); }

  CConnectionTable& table_;
  IDiscoverySink& sink_;
  DiscoveryOptions options_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> eventDriven_{false};
  int stopEvent_ = -1;                  // eventfd
  CHotplugWatcher* watcher_ = nullptr;  // the thread's own; null without watcher
};
