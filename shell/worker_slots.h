#pragma once
// The main window's worker slots: 20 places for long-running threads, each
// with its manual-reset stop event and its start record {owner, stop event}.
// Slot 0 holds the device discovery, slot 1 the audio capture watch and slot
// 8 the synchronised lighting.

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "shell/stop_event.h"

class CMainWnd;

// What a worker receives when it starts.
struct WorkerStartRecord {
  CMainWnd* owner = nullptr;
  CStopEvent* stop = nullptr;
};

class CWorkerSlots {
 public:
  static constexpr int kSlotCount = 20;
  static constexpr int kDiscoverySlot = 0;
  static constexpr int kAudioCaptureSlot = 1;
  static constexpr int kSyncLightingSlot = 8;

  using Body = std::function<void(const WorkerStartRecord&)>;

  // Every slot gets its stop event (not set) and its start record.
  explicit CWorkerSlots(CMainWnd* owner);
  // Stops what still runs, with the default bounds and no serving.
  ~CWorkerSlots();

  // Starts body on a new thread in the slot; false for a slot out of range or
  // a slot whose thread is still there.
  bool Start(int slot, Body body);
  bool Started(int slot) const;
  bool Finished(int slot) const;
  CStopEvent* StopEvent(int slot);

  struct StopResult {
    int stopped = 0;    // threads that ended and were joined
    int late = 0;       // threads that needed more than the bound
    int abandoned = 0;  // threads still running after bound + grace (detached)
  };
  // Sets every stop event, then waits for each started thread: at most
  // boundMs, calling serve() all the while (the UI thread runs the calls the
  // workers wait for). A thread still running after the bound is reported and
  // waited for up to graceMs more, still serving; one that never ends is
  // detached and keeps its slot's state alive. A thread is never killed: it
  // may hold a device channel lock.
  StopResult StopAll(const std::function<void()>& serve, int boundMs = 1000, int graceMs = 4000);

 private:
  struct Slot {
    CStopEvent stop;
    WorkerStartRecord record;
    std::atomic<bool> finished{false};
  };
  // Waits for slot i while serving; true when it finished.
  bool WaitFinished(int i, const std::function<void()>& serve, int ms);

  std::array<std::shared_ptr<Slot>, kSlotCount> slots_;
  std::array<std::thread, kSlotCount> threads_;
};
