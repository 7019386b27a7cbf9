#include "shell/worker_slots.h"

#include <chrono>

#include "platform/debug_output.h"

CWorkerSlots::CWorkerSlots(CMainWnd* owner) {
  for (auto& slot : slots_) {
    slot = std::make_shared<Slot>();
    slot->record.owner = owner;
    slot->record.stop = &slot->stop;
  }
}

CWorkerSlots::~CWorkerSlots() { StopAll(nullptr); }

bool CWorkerSlots::Start(int i, Body body) {
  if (i < 0 || i >= kSlotCount || threads_[i].joinable() || !body) return false;
  std::shared_ptr<Slot> slot = slots_[i];
  slot->finished = false;
  threads_[i] = std::thread([slot, body = std::move(body)] {
    body(slot->record);
    slot->finished = true;
  });
  return true;
}

bool CWorkerSlots::Started(int i) const {
  return i >= 0 && i < kSlotCount && threads_[i].joinable();
}

bool CWorkerSlots::Finished(int i) const {
  return i >= 0 && i < kSlotCount && slots_[i]->finished.load();
}

CStopEvent* CWorkerSlots::StopEvent(int i) {
  return (i >= 0 && i < kSlotCount) ? &slots_[i]->stop : nullptr;
}

bool CWorkerSlots::WaitFinished(int i, const std::function<void()>& serve, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!slots_[i]->finished.load()) {
    if (serve) serve();
    if (std::chrono::steady_clock::now() >= end) return slots_[i]->finished.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

CWorkerSlots::StopResult CWorkerSlots::StopAll(const std::function<void()>& serve, int boundMs,
                                               int graceMs) {
  StopResult result;
  for (auto& slot : slots_) slot->stop.Set();
  for (int i = 0; i < kSlotCount; ++i) {
    if (!threads_[i].joinable()) continue;
    if (WaitFinished(i, serve, boundMs)) {
      DebugOutputF("工作线程 %d：所有对象处于激发状态", i);
    } else {
      DebugOutputF("工作线程 %d：所有对象处于非激发状态，超时", i);
      ++result.late;
      if (!WaitFinished(i, serve, graceMs)) {
        DebugOutputF("工作线程 %d 没有结束，不再等待", i);
        threads_[i].detach();  // its Slot stays alive through the thread's copy
        ++result.abandoned;
        continue;
      }
    }
    threads_[i].join();
    ++result.stopped;
  }
  return result;
}
