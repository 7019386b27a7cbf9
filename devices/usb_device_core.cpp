#include "devices/usb_device_core.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "devices/device_kind.h"
#include "devices/preview_steps.h"
#include "platform/debug_output.h"
#include "profiles/data_folders.h"

namespace {

std::atomic<bool> g_reloadProfileOnSync{false};

uint64_t SteadyMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace

void RequestProfileReloadOnNextSync() { g_reloadProfileOnSync.store(true); }
bool TakeProfileReloadRequest() { return g_reloadProfileOnSync.exchange(false); }

CUsbDeviceCore::CUsbDeviceCore() : clock_(SteadyMs) {}

CUsbDeviceCore::~CUsbDeviceCore() { StopThreads(); }

// ---- Preview ----

uint32_t CUsbDeviceCore::Pack(const PreviewColour& c) {
  return uint32_t{c.red} | uint32_t{c.green} << 8 | uint32_t{c.blue} << 16 |
         uint32_t{c.brightness} << 24;
}

PreviewColour CUsbDeviceCore::Unpack(uint32_t packed) {
  return {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
          static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 24)};
}

void CUsbDeviceCore::StepBreathing() { ::StepBreathing(frame_, passInfo_, counters_, NowMs()); }
void CUsbDeviceCore::StepBreathingFourColour() {
  ::StepBreathingFourColour(frame_, passInfo_, counters_, NowMs());
}
void CUsbDeviceCore::StepStatic() { ::StepStatic(frame_, passInfo_, counters_, NowMs()); }
void CUsbDeviceCore::StepSpectrum() { ::StepSpectrum(frame_, passInfo_, counters_, NowMs()); }
void CUsbDeviceCore::StepBlink() { ::StepBlink(frame_, passInfo_, counters_, NowMs()); }
void CUsbDeviceCore::StepBlinkFourColour() {
  ::StepBlinkFourColour(frame_, passInfo_, counters_, NowMs());
}
void CUsbDeviceCore::StepOff() { ::StepOff(frame_, passInfo_, counters_, NowMs()); }

void CUsbDeviceCore::SetPreviewColour(int light, uint32_t packed) {
  std::lock_guard<std::mutex> lock(previewLock_);
  if (light < 0 || static_cast<size_t>(light) >= preview_.size()) return;
  preview_[static_cast<size_t>(light)] = packed;
}

uint32_t CUsbDeviceCore::GetPreviewColour(int light) const {
  std::lock_guard<std::mutex> lock(previewLock_);
  if (light < 0 || static_cast<size_t>(light) >= preview_.size()) return 0;
  return preview_[static_cast<size_t>(light)];
}

PreviewFrame CUsbDeviceCore::PreviewSnapshot() const {
  std::lock_guard<std::mutex> lock(previewLock_);
  PreviewFrame frame;
  frame.reserve(preview_.size());
  for (uint32_t packed : preview_) frame.push_back(Unpack(packed));
  return frame;
}

void CUsbDeviceCore::PublishFrame() {
  std::lock_guard<std::mutex> lock(previewLock_);
  const size_t count = std::min(preview_.size(), frame_.size());
  for (size_t i = 0; i < count; ++i) preview_[i] = Pack(frame_[i]);
}

// ---- Reactive helpers ----

uint8_t CUsbDeviceCore::DecayKeyBrightness(int position, int mode) {
  return ::DecayKeyBrightness(reactive_, position, mode);
}
void CUsbDeviceCore::LightPressedColumns() { ::LightPressedColumns(reactive_); }
void CUsbDeviceCore::RotateColumns(bool upward) { ::RotateColumns(reactive_, upward); }
void CUsbDeviceCore::ClearReactiveBuffers() { ::ClearReactiveBuffers(reactive_); }
void CUsbDeviceCore::RotateColumnRange(int count, bool upward) {
  ::RotateColumnRange(reactive_, count, upward);
}

// ---- Parameters and identity ----

void CUsbDeviceCore::SetLightInfo(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
  const uint32_t words[4] = {w0, w1, w2, w3};
  uint8_t bytes[sizeof(words)];
  std::memcpy(bytes, words, sizeof(words));
  {
    std::lock_guard<std::mutex> lock(infoLock_);
    std::memcpy(&lightInfo_, bytes, sizeof(lightInfo_));
  }
  WakeLightingThread();  // effect or speed may have changed
}

LightInfoRecord CUsbDeviceCore::GetLightInfo() const {
  std::lock_guard<std::mutex> lock(infoLock_);
  return lightInfo_;
}

void CUsbDeviceCore::SetAudioLightInfo(uint32_t w0, uint32_t w1, uint32_t w2) {
  const uint32_t words[3] = {w0, w1, w2};
  std::memcpy(&audioLight_, words, sizeof(audioLight_));
}

void CUsbDeviceCore::SetKeyCount(int count) { keyCount_ = std::max(count, 0); }

void CUsbDeviceCore::SetLightCount(int count) {
  count = std::max(count, 0);
  {
    std::lock_guard<std::mutex> frame(frameLock_);
    frame_.assign(static_cast<size_t>(count), PreviewColour{});
  }
  {
    std::lock_guard<std::mutex> preview(previewLock_);
    preview_.assign(static_cast<size_t>(count), 0);
  }
  {
    std::lock_guard<std::recursive_mutex> overlay(overlayLock_);
    overlays_.assign(static_cast<size_t>(count), LightModeRecord{});
  }
  lightCount_ = count;
}

void CUsbDeviceCore::SetProductKind(int kind, int variant) {
  deviceKind_.store(kind);
  kindVariant_ = variant;
}

void CUsbDeviceCore::SetIdentity(const InterfaceEntry& identity) {
  identity_ = identity;
  deviceKind_.store(identity.kind);
}

void CUsbDeviceCore::SetStatusText(const std::string& text) {
  if (batteryPresent_) statusText_ = text;
}

int CUsbDeviceCore::SetSoftwareLighting(int on) {
  softwareLighting_.store(on);
  if (on != 0 && deviceKind_.load() == kKindKeyboard) return channel_.EnableSoftwareLighting();
  return 1;
}

std::string CUsbDeviceCore::GetUserDeviceFolder() const {
  return UserDeviceFolder(deviceFolderName_);
}
std::string CUsbDeviceCore::GetDefaultDataFolder() const { return DefaultDataFolder(); }
std::string CUsbDeviceCore::GetDefaultProfilePath() const {
  return DefaultProfilePath(deviceFolderName_);
}

void CUsbDeviceCore::ArmTabTimer(int id, int ms) {
  if (IDevicePageSink* sink = sink_.load()) sink->ArmTabTimer(id, ms);
}

// ---- Stopping threads ----

void CUsbDeviceCore::StopThread(ThreadSlot& slot, int waitMs, CHidDevice* cancel) {
  if (!slot.thread.joinable()) return;
  bool ended = false;
  {
    std::unique_lock<std::mutex> lock(slot.mutex);
    slot.stop = true;
    slot.wake.notify_all();
  }
  if (cancel) cancel->SetCancelEvent();  // a pending read returns
  {
    std::unique_lock<std::mutex> lock(slot.mutex);
    ended = slot.wake.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return slot.done; });
  }
  DebugOutput(ended ? "线程退出：：对象处于激发状态\n" : "线程退出：：对象处于非激发状态，超时\n");
  // Every wait inside the threads is bounded or cancelled, so waiting on is
  // enough; a thread is never abandoned while it may hold a lock.
  while (!ended && cancel) {
    std::unique_lock<std::mutex> lock(slot.mutex);
    if (slot.done) break;
    lock.unlock();
    cancel->SetCancelEvent();
    lock.lock();
    ended = slot.wake.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return slot.done; });
  }
  slot.thread.join();
}

void CUsbDeviceCore::StopThreads() {
  StopThread(lighting_, LightingStopWaitMs(), nullptr);
  DetachListener(kKindKeyboard);
  DetachListener(kKindKeyboardReceiver);
}

// ---- Lighting thread ----

bool CUsbDeviceCore::NeedsEveryPass() const {
  // An overlay record in use keeps the overlay pass running on every pass.
  std::lock_guard<std::recursive_mutex> lock(overlayLock_);
  return std::any_of(overlays_.begin(), overlays_.end(),
                     [](const LightModeRecord& r) { return r.valid != 0; });
}

uint32_t CUsbDeviceCore::FramePeriodMs() { return channel_.IsDongleMode() ? 50 : 10; }

void CUsbDeviceCore::StartLightingThread() {
  if (lighting_.thread.joinable()) {
    std::lock_guard<std::mutex> lock(lighting_.mutex);
    if (!lighting_.done) return;
  }
  if (lighting_.thread.joinable()) lighting_.thread.join();
  {
    std::lock_guard<std::mutex> lock(lighting_.mutex);
    lighting_.stop = false;
    lighting_.done = false;
    lighting_.kick = false;
  }
  lighting_.thread = std::thread([this] { LightingThreadBody(); });
}

bool CUsbDeviceCore::IsLightingThreadRunning() const {
  std::lock_guard<std::mutex> lock(lighting_.mutex);
  return lighting_.thread.joinable() && !lighting_.done;
}

void CUsbDeviceCore::WakeLightingThread() {
  std::lock_guard<std::mutex> lock(lighting_.mutex);
  lighting_.kick = true;
  lighting_.wake.notify_all();
}

void CUsbDeviceCore::SetPreviewVisible(bool visible) {
  if (previewVisible_.exchange(visible) != visible) WakeLightingThread();
}

void CUsbDeviceCore::SetLightingPaused(bool paused) {
  channel_.SetLightingPaused(paused);
  WakeLightingThread();
}

void CUsbDeviceCore::LightingThreadBody() {
  schedule_.Reset(NowMs());
  bool idle = false;
  std::unique_lock<std::mutex> lock(lighting_.mutex);
  while (!lighting_.stop) {
    lighting_.kick = false;
    if (!channel_.IsOpen() || channel_.IsLightingPaused()) {
      // Nothing to compute until the device connects or the pause ends.
      idle = true;
      lighting_.wake.wait(lock, [&] { return lighting_.stop || lighting_.kick; });
      continue;
    }
    if (idle) {
      schedule_.Reset(NowMs());
      idle = false;
    }
    lock.unlock();
    uint64_t nextWake = 0;
    bool unseen = false;
    {
      std::lock_guard<std::mutex> frame(frameLock_);
      {
        std::lock_guard<std::mutex> info(infoLock_);
        passInfo_ = lightInfo_;
      }
      // Nobody sees the preview and nothing goes to the device: sleep until
      // the page shows again or the effect changes (both wake the thread).
      unseen = !previewVisible_.load() && !StreamsFrames();
    }
    if (unseen) {
      lock.lock();
      idle = true;
      if (!lighting_.stop && !lighting_.kick) {
        lighting_.wake.wait(lock, [&] { return lighting_.stop || lighting_.kick; });
      }
      continue;
    }
    {
      std::lock_guard<std::mutex> frame(frameLock_);
      const uint64_t now = NowMs();
      const int threshold = LightingThreshold();
      const uint32_t period =
          StreamsFrames() ? FramePeriodMs() : std::max(FramePeriodMs(), kPreviewPeriodMs);
      const LightingPlan plan = schedule_.Plan(now, threshold, period, NeedsEveryPass());
      for (uint32_t i = 0; i < plan.steps; ++i) RunEffectStep(now);
      if (threshold < 0) {
        std::lock_guard<std::recursive_mutex> custom(customEffectLock_);
        RunCustomEffect(plan.ticks, now);
      }
      {
        std::lock_guard<std::recursive_mutex> overlay(overlayLock_);
        RunOverlayPass(plan.ticks, now);
      }
      PublishFrame();
      nextWake = plan.nextWakeMs;
    }
    lightingPasses_.fetch_add(1);
    OnFramePublished(NowMs());
    lock.lock();
    const uint64_t now = NowMs();
    if (nextWake > now && !lighting_.stop && !lighting_.kick)
      lighting_.wake.wait_for(lock, std::chrono::milliseconds(nextWake - now),
                              [&] { return lighting_.stop || lighting_.kick; });
  }
  lock.unlock();
  DebugOutput(LightingExitLine());
  lock.lock();
  lighting_.done = true;
  lighting_.wake.notify_all();
}

// ---- Listener threads ----

CUsbDeviceCore::ListenerSlot CUsbDeviceCore::SlotOfKind(int kind) {
  return IsReceiverKind(static_cast<uint16_t>(kind)) ? kReceiverListener : kWiredListener;
}

std::recursive_mutex& CUsbDeviceCore::LockOfSlot(ListenerSlot slot) {
  return slot == kReceiverListener ? listener_.DongleOpenLock() : listener_.IoLock();
}

CHidDevice& CUsbDeviceCore::RecordOfSlot(ListenerSlot slot) {
  return slot == kReceiverListener ? listener_.DongleInterface() : listener_.WiredInterface();
}

bool CUsbDeviceCore::IsListenerAttached(int kind) const {
  return listeners_[SlotOfKind(kind)].thread.joinable();
}

bool CUsbDeviceCore::AttachListener(const std::string& path, int kind) {
  const ListenerSlot index = SlotOfKind(kind);
  ThreadSlot& slot = listeners_[index];
  if (slot.thread.joinable()) return RecordOfSlot(index).IsOpen();
  bool opened = false;
  {
    std::lock_guard<std::recursive_mutex> lock(LockOfSlot(index));
    CHidDevice& record = RecordOfSlot(index);
    record.Close();
    opened = record.Open(path, true, true, true, false);
    listenerOpen_[index].store(opened);
  }
  {
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.stop = false;
    slot.done = false;
    slot.kick = false;
  }
  slot.thread = std::thread([this, index] { ListenerThreadBody(index); });
  return opened;
}

bool CUsbDeviceCore::ReattachListener(const std::string& path, int kind) {
  DetachListener(kind);
  return AttachListener(path, kind);
}

void CUsbDeviceCore::DetachListener(int kind) {
  const ListenerSlot index = SlotOfKind(kind);
  StopThread(listeners_[index], ListenerStopWaitMs(), &RecordOfSlot(index));
  std::lock_guard<std::recursive_mutex> lock(LockOfSlot(index));
  listenerOpen_[index].store(false);
  RecordOfSlot(index).Close();
}

void CUsbDeviceCore::ListenerThreadBody(ListenerSlot index) {
  ThreadSlot& slot = listeners_[index];
  CHidDevice& record = RecordOfSlot(index);
  std::vector<uint8_t> report;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(slot.mutex);
      if (slot.stop) break;
      if (!record.IsOpen()) {
        // Closed: nothing to read until the record is attached again.
        slot.wake.wait(lock, [&] { return slot.stop || slot.kick; });
        slot.kick = false;
        continue;
      }
    }
    report.assign(std::max<size_t>(record.InputReportByteLength(), 1), 0);
    uint32_t length = 0;
    if (!record.ReadReport(report.data(), static_cast<uint32_t>(report.size()), &length,
                           kHidInfinite)) {
      // Cancelled, or the interface went away: the discovery code detaches
      // or reattaches it. Wait a little (or for the stop) before reading again
      // so a dead interface does not spin.
      std::unique_lock<std::mutex> lock(slot.mutex);
      slot.wake.wait_for(lock, std::chrono::milliseconds(100),
                         [&] { return slot.stop || slot.kick; });
      slot.kick = false;
      continue;
    }
    int code = -1;
    {
      std::lock_guard<std::recursive_mutex> lock(LockOfSlot(index));
      if (record.InputItemCount() > 0 &&
          CHidDevice::UnpackInputReport(report.data(), length, HidReportType::Input,
                                        record.InputDataItems(), record.InputItemCount(),
                                        record.PreparsedData())) {
        const HidDataItem& item = record.InputDataItems()[0];
        if (!item.usageList.empty()) code = item.usageList[0];
      }
    }
    if (code <= 0) continue;  // no usage on: not an event
    DebugOutput("接收到自动添加设备的同步信息要求  TEST");
    OnDeviceEvent(code);
  }
  DebugOutput(ListenerExitLine());
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.done = true;
  slot.wake.notify_all();
}

void CUsbDeviceCore::OnDeviceEvent(int code) {
  if (code != kEventSync && code != kEventSyncReload) return;
  DebugOutput("接收到自动添加设备的同步信息要求");
  if (code == kEventSyncReload) RequestProfileReloadOnNextSync();
  ArmTabTimer(IDevicePageSink::kSyncTimer, SyncTimerDelayMs());
}
