// The device object core: preview storage, software lighting, the lighting
// thread's schedule and stop, and the listener threads against the simulator.
#include "devices/usb_device_core.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "devices/device_kind.h"
#include "devices/lighting_tables.h"
#include "sim/simulator.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/debug_capture.h"
#include "tests/support/sim_bus.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts what the lighting thread runs.
class CountingCore : public CUsbDeviceCore {
 public:
  ~CountingCore() override { StopThreads(); }
  std::atomic<int> threshold{2};
  std::atomic<uint32_t> steps{0};
  std::atomic<uint32_t> passes{0};
  std::atomic<uint32_t> ticks{0};
  std::atomic<bool> streams{false};

 protected:
  int LightingThreshold() const override { return threshold.load(); }
  bool StreamsFrames() const override { return streams.load(); }
  void RunEffectStep(uint64_t) override {
    ++steps;
    StepStatic();
  }
  void RunOverlayPass(uint32_t passTicks, uint64_t) override {
    ++passes;
    ticks += passTicks;
  }
};

// Records the timers armed by the listener threads.
class RecordingSink : public IDevicePageSink {
 public:
  void ArmTabTimer(int id, int ms) override {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_.emplace_back(id, ms);
    changed_.notify_all();
  }
  bool WaitForCount(size_t count, int ms = 2000) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [&] { return armed_.size() >= count; });
  }
  std::vector<std::pair<int, int>> Armed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return armed_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<int, int>> armed_;
};

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

}  // namespace

TEST(UsbDeviceCore, PreviewColoursStayInRangeAndLightCountClears) {
  CUsbDeviceCore core;
  core.SetLightCount(3);
  core.SetPreviewColour(2, 0x11223344);
  EXPECT_EQ(core.GetPreviewColour(2), 0x11223344u);
  for (int light : {-1, 3, 1000}) {
    core.SetPreviewColour(light, 0xFFFFFFFF);  // ignored
    EXPECT_EQ(core.GetPreviewColour(light), 0u) << light;
  }
  {
    std::lock_guard<std::recursive_mutex> lock(core.OverlayLock());
    core.Overlays()[1].valid = 1;
  }
  core.SetLightCount(5);
  EXPECT_EQ(core.GetPreviewColour(2), 0u);
  ASSERT_EQ(core.Overlays().size(), 5u);
  for (const LightModeRecord& r : core.Overlays()) EXPECT_EQ(r.valid, 0);
  EXPECT_EQ(core.PreviewSnapshot().size(), 5u);
}

TEST(UsbDeviceCore, IdentitySetsTheKind) {
  CUsbDeviceCore core;
  EXPECT_EQ(core.GetDeviceKind(), 0);
  InterfaceEntry row;
  row.kind = kKindMouse;
  row.productId = 0x024F;
  core.SetIdentity(row);
  EXPECT_EQ(core.GetDeviceKind(), kKindMouse);
  EXPECT_EQ(core.Identity().productId, 0x024F);
  EXPECT_EQ(core.GetDeviceIndex(), -1);
  EXPECT_EQ(core.GetFunctionSwitchMode(), 1);
  EXPECT_TRUE(core.IsSoftwareLighting());
  EXPECT_TRUE(core.IsLightingEnabled());
}

TEST(UsbDeviceCore, StatusTextNeedsABattery) {
  CUsbDeviceCore core;
  core.SetStatusText("42%");
  EXPECT_EQ(core.StatusText(), "");
  core.SetBatteryPresent(true);
  core.SetStatusText("42%");
  EXPECT_EQ(core.StatusText(), "42%");
}

TEST(UsbDeviceCore, LightInfoWordsAreTheRecordsBytes) {
  CUsbDeviceCore core;
  core.SetLightInfo(0x44332211, 0x88776655, 0, 0x0000000C);  // bytes 12-15: group at 12
  const LightInfoRecord info = core.GetLightInfo();
  EXPECT_EQ(info.SelectItem, 0x11);
  EXPECT_EQ(info.Light, 0x22);
  EXPECT_EQ(info.Speed, 0x33);
  EXPECT_EQ(info.Fx, 0x44);
  EXPECT_EQ(info.Blue, 0x88);
  EXPECT_EQ(info.CustomGroup, 0x0C);
}

TEST(UsbDeviceCoreThreads, FastEffectIsCoalescedPerFrameAtTheCountersSpeed) {
  CountingCore core;
  core.SetLightCount(2);
  core.SetLightInfo(0x0300, 0x1E140A00, 0, 0);  // level 3, colour 10,20,30
  core.Channel().SetOpen(true);
  core.StartLightingThread();
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const uint32_t steps = core.steps.load();
  const uint32_t passes = core.passes.load();
  const long elapsed = ElapsedMs(start);
  // Threshold 2: one step every 2 ms, run in batches at the 10 ms frame period.
  EXPECT_GE(steps, static_cast<uint32_t>((elapsed - 40) / 2));
  EXPECT_LE(steps, static_cast<uint32_t>(elapsed / 2 + 1));
  EXPECT_LE(passes, static_cast<uint32_t>(elapsed / 10 + 3));
  EXPECT_GE(core.ticks.load(), static_cast<uint32_t>(elapsed - 40));
  EXPECT_EQ(core.GetPreviewColour(1), 0x001E140Au | uint32_t{kBrightnessLevels[3]} << 24);
  DebugCapture capture;
  const auto stopAt = Clock::now();
  core.StopThreads();
  EXPECT_LT(ElapsedMs(stopAt), 200);
  EXPECT_TRUE(capture.Contains("MS灯光线程设定退出"));
  EXPECT_TRUE(capture.Contains("线程退出：：对象处于激发状态\n"));
  EXPECT_FALSE(core.IsLightingThreadRunning());
}

TEST(UsbDeviceCoreThreads, SlowEffectWakesOnlyWhenAStepIsDue) {
  CountingCore core;
  core.threshold = 100;
  core.SetLightCount(1);
  core.Channel().SetOpen(true);
  core.StartLightingThread();
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  EXPECT_GE(core.steps.load(), 3u);
  EXPECT_LE(core.steps.load(), 5u);
  EXPECT_LE(core.passes.load(), 6u);  // one wake per step, not one per frame
}

TEST(UsbDeviceCoreThreads, AnUnseenPreviewRunsNoPassesUnlessItsFramesAreStreamed) {
  struct Case {
    bool streams;
    bool runsUnseen;
  };
  for (const Case c : {Case{false, false}, Case{true, true}}) {
    SCOPED_TRACE(c.streams);
    CountingCore core;
    core.streams = c.streams;
    core.SetLightCount(1);
    core.Channel().SetOpen(true);
    core.StartLightingThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_GT(core.LightingPasses(), 0u);
    core.SetPreviewVisible(false);  // the page went out of sight
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint64_t unseen = core.LightingPasses();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    if (c.runsUnseen)
      EXPECT_GE(core.LightingPasses(), unseen + 5);  // the frame period keeps its rate
    else
      EXPECT_EQ(core.LightingPasses(), unseen);
    // Shown again: the thread wakes at once and runs the effect again.
    const uint32_t steps = core.steps.load();
    core.SetPreviewVisible(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_GT(core.steps.load(), steps);
    const auto stopAt = Clock::now();
    core.StopThreads();
    EXPECT_LT(ElapsedMs(stopAt), 200);
  }
}

TEST(UsbDeviceCoreThreads, IdleWhileClosedOrPausedUntilWoken) {
  CountingCore core;
  core.SetLightCount(1);
  core.StartLightingThread();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(core.passes.load(), 0u);
  core.Channel().SetOpen(true);
  core.WakeLightingThread();  // the device connected
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GT(core.steps.load(), 0u);
  core.SetLightingPaused(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const uint32_t paused = core.passes.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(core.passes.load(), paused);
  core.SetLightingPaused(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_GT(core.passes.load(), paused);
  // Stopping an idle thread is prompt too.
  core.SetLightingPaused(true);
  const auto stopAt = Clock::now();
  core.StopThreads();
  EXPECT_LT(ElapsedMs(stopAt), 200);
}

class UsbDeviceCoreSimTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    sim_ = MakeQuickSimulator(Folder());
  }
  void TearDown() override {
    sim_.reset();
    BusFolderTest::TearDown();
  }
  // The path of one collection of the keyboard's cable node.
  std::string KeyboardPath(const char* collection) {
    EXPECT_TRUE(sim_->Plug(SimProduct::Keyboard));
    return SimCollectionPath(*sim_, SimProduct::Keyboard, collection);
  }
  bool OpenCommandChannel(CUsbDeviceCore& core) {
    return OpenWiredChannel(core.Channel(), KeyboardPath("&col04"));
  }
  std::unique_ptr<CSimulator> sim_;
};

TEST_F(UsbDeviceCoreSimTest, SoftwareLightingIsAnnouncedOnlyByAKeyboard) {
  struct Case {
    int kind;
    int on;
    uint64_t requests;
  };
  for (const Case& c : {Case{kKindKeyboard, 1, 1}, Case{kKindKeyboard, 0, 0},
                        Case{kKindMouse, 1, 0}, Case{0, 1, 0}}) {
    CUsbDeviceCore core;
    ASSERT_TRUE(OpenCommandChannel(core));
    core.SetProductKind(c.kind, 0);
    const uint64_t before = sim_->SoftwareLightingRequests(SimProduct::Keyboard);
    EXPECT_EQ(core.SetSoftwareLighting(c.on), 1);
    EXPECT_EQ(core.IsSoftwareLighting(), c.on != 0);
    EXPECT_EQ(sim_->SoftwareLightingRequests(SimProduct::Keyboard) - before, c.requests)
        << c.kind << "/" << c.on;
  }
}

TEST_F(UsbDeviceCoreSimTest, SyncEventsArmTheSyncTimer) {
  RecordingSink sink;
  CUsbDeviceCore core;
  core.SetPageSink(&sink);
  const std::string path = KeyboardPath("&col03");
  ASSERT_FALSE(path.empty());
  DebugCapture capture;
  SetDebugOutputEnabled(true);
  ASSERT_TRUE(core.AttachListener(path, kKindKeyboard));
  EXPECT_TRUE(core.IsListenerOpen(CUsbDeviceCore::kWiredListener));
  ASSERT_TRUE(WaitFor([&] { return sim_->ConnectionCount(SimProduct::Keyboard, false) >= 1; }));
  TakeProfileReloadRequest();

  ASSERT_TRUE(sim_->SendEvent(SimProduct::Keyboard, 1025));
  ASSERT_TRUE(sink.WaitForCount(1));
  EXPECT_FALSE(TakeProfileReloadRequest());
  ASSERT_TRUE(sim_->SendEvent(SimProduct::Keyboard, 0x0777));  // not a common code
  ASSERT_TRUE(sim_->SendEvent(SimProduct::Keyboard, 1026));
  ASSERT_TRUE(sink.WaitForCount(2));
  EXPECT_TRUE(TakeProfileReloadRequest());
  const auto armed = sink.Armed();
  ASSERT_EQ(armed.size(), 2u);
  for (const auto& [id, ms] : armed) {
    EXPECT_EQ(id, IDevicePageSink::kSyncTimer);
    EXPECT_EQ(ms, 50);
  }
  EXPECT_TRUE(capture.Contains("接收到自动添加设备的同步信息要求"));

  // The thread is blocked in its read: detaching cancels it at once.
  const auto start = Clock::now();
  core.DetachListener(kKindKeyboard);
  EXPECT_LT(ElapsedMs(start), 200);
  EXPECT_FALSE(core.IsListenerAttached(kKindKeyboard));
  EXPECT_FALSE(core.IsListenerOpen(CUsbDeviceCore::kWiredListener));
  EXPECT_TRUE(capture.Contains("MS 设备同步线程设定退出"));
  EXPECT_TRUE(capture.Contains("线程退出：：对象处于激发状态\n"));
}

TEST_F(UsbDeviceCoreSimTest, ListenerOnAMissingInterfaceIdlesAndStopsPromptly) {
  CUsbDeviceCore core;
  EXPECT_FALSE(core.AttachListener(Folder() + "/nothing-here", kKindKeyboardReceiver));
  EXPECT_TRUE(core.IsListenerAttached(kKindKeyboardReceiver));
  EXPECT_FALSE(core.IsListenerAttached(kKindKeyboard));
  // Reattaching on a real path replaces the idle thread.
  const std::string path = KeyboardPath("&col03");
  EXPECT_TRUE(core.ReattachListener(path, kKindKeyboardReceiver));
  EXPECT_TRUE(core.IsListenerOpen(CUsbDeviceCore::kReceiverListener));
  const auto start = Clock::now();
  core.StopThreads();
  EXPECT_LT(ElapsedMs(start), 200);
  EXPECT_FALSE(core.IsListenerAttached(kKindKeyboardReceiver));
}

TEST_F(UsbDeviceCoreSimTest, DestroyingTheCoreStopsEveryThread) {
  const std::string path = KeyboardPath("&col03");
  const auto start = Clock::now();
  {
    CountingCore core;
    core.SetLightCount(4);
    core.Channel().SetOpen(true);
    core.StartLightingThread();
    core.AttachListener(path, kKindKeyboard);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  EXPECT_LT(ElapsedMs(start), 400);
}

TEST(UsbDeviceCoreThreads, AThreadPastItsStopWaitIsReportedAndStillWaitedFor) {
  class SlowCore : public CUsbDeviceCore {
   public:
    ~SlowCore() override { StopThreads(); }
    std::atomic<bool> inStep{false};
    std::atomic<bool> stepEnded{false};

   protected:
    int LightingThreshold() const override { return 1; }
    void RunEffectStep(uint64_t) override {
      if (stepEnded) return;
      inStep = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // beyond the 1000 ms wait
      stepEnded = true;
    }
  };
  SlowCore core;
  core.SetLightCount(1);
  core.Channel().SetOpen(true);
  core.StartLightingThread();
  while (!core.inStep) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  DebugCapture capture;
  core.StopThreads();
  EXPECT_TRUE(core.stepEnded);  // never abandoned mid-step
  EXPECT_TRUE(capture.Contains("线程退出：：对象处于非激发状态，超时\n"));
  EXPECT_FALSE(core.IsLightingThreadRunning());
}
