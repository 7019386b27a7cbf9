// Stopping the main window's workers: bounded, and never a deadlock with a
// worker that waits in a blocking call to the UI thread.

#include "shell/worker_slots.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "shell/stop_event.h"
#include "shell/ui_call_queue.h"

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Like the discovery thread: reports to the UI thread with blocking calls
// while it runs, and once more after its stop event is set (a last removal).
void ReportingWorker(CUiCallQueue& ui, std::atomic<int>& uiCalls, const WorkerStartRecord& r) {
  while (!r.stop->Wait(1)) ui.Send([&] { ++uiCalls; });
  ui.Send([&] { uiCalls += 100; });
}

TEST(WorkerSlots, StopServesTheBlockingCallsOfWorkers) {
  CUiCallQueue ui;
  std::atomic<int> uiCalls{0};
  CWorkerSlots slots(nullptr);
  for (int slot : {CWorkerSlots::kDiscoverySlot, CWorkerSlots::kAudioCaptureSlot,
                   CWorkerSlots::kSyncLightingSlot}) {
    ASSERT_TRUE(
        slots.Start(slot, [&](const WorkerStartRecord& r) { ReportingWorker(ui, uiCalls, r); }));
  }
  EXPECT_FALSE(slots.Start(CWorkerSlots::kDiscoverySlot, [](const WorkerStartRecord&) {}));
  // Let them get into their calls.
  while (uiCalls < 3) ui.Serve();

  const auto start = Clock::now();
  const CWorkerSlots::StopResult result = slots.StopAll([&] { ui.Serve(); });
  EXPECT_LT(ElapsedMs(start), 1000);
  EXPECT_EQ(result.stopped, 3);
  EXPECT_EQ(result.late, 0);
  EXPECT_EQ(result.abandoned, 0);
  EXPECT_GE(uiCalls.load(), 300);  // every last report was served
}

TEST(WorkerSlots, AWorkerThatEndsLateIsWaitedForWithinTheGrace) {
  CWorkerSlots slots(nullptr);
  ASSERT_TRUE(slots.Start(3, [](const WorkerStartRecord& r) {
    r.stop->Wait(5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }));
  const auto result = slots.StopAll(nullptr, 50, 2000);
  EXPECT_EQ(result.late, 1);
  EXPECT_EQ(result.stopped, 1);
  EXPECT_EQ(result.abandoned, 0);
  EXPECT_TRUE(slots.Finished(3));
}

TEST(WorkerSlots, WithoutServingTheStopIsStillBounded) {
  auto ui = std::make_unique<CUiCallQueue>();
  std::atomic<bool> ended{false};
  std::atomic<bool> sendResult{true};
  {
    CWorkerSlots slots(nullptr);
    ASSERT_TRUE(slots.Start(0, [&](const WorkerStartRecord& r) {
      r.stop->Wait(5000);
      sendResult = ui->Send([] {});  // nobody serves: blocks until Close
      ended = true;
    }));
    const auto start = Clock::now();
    const auto result = slots.StopAll(nullptr, 50, 100);
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_EQ(result.abandoned, 1);
  }  // the slots object goes; the detached worker keeps its own state
  ui->Close();
  while (!ended) std::this_thread::yield();
  EXPECT_FALSE(sendResult.load());
}

TEST(UiCallQueue, SendAndPostRunOnTheUiThreadOnly) {
  CUiCallQueue ui;
  const auto uiThread = std::this_thread::get_id();
  std::thread::id ranOn;
  int direct = 0;
  EXPECT_TRUE(ui.Send([&] { ++direct; }));  // on the UI thread: at once
  EXPECT_EQ(direct, 1);

  std::atomic<bool> sent{false};
  std::thread worker([&] {
    ui.Post([&] { ++direct; });
    sent = ui.Send([&] { ranOn = std::this_thread::get_id(); });
  });
  while (!sent) ui.Serve();
  worker.join();
  EXPECT_EQ(ranOn, uiThread);
  EXPECT_EQ(direct, 2);  // the post ran before the send, in order
}

TEST(UiCallQueue, APendingSendIsGivenUpWhenItsCancelEventIsSet) {
  CUiCallQueue ui;
  CStopEvent cancel;
  std::atomic<int> result{-1};
  bool ran = false;
  std::thread worker([&] { result = ui.Send([&] { ran = true; }, &cancel) ? 1 : 0; });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  cancel.Set();
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(ui.Serve(), 0);  // the given-up call does not run later
  EXPECT_FALSE(ran);
  ui.Close();
  EXPECT_FALSE(ui.Post([] {}));
}

}  // namespace
