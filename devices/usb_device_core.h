#pragma once
// CUsbDeviceCore: the device side of a connected device's object (no UI). It
// owns the command channel and the listener channel, the 34-byte device
// information block, the lighting parameters and the software model of the
// device's lighting (the preview), and runs the lighting thread and up to two
// listener threads. The device classes derive from it and override the
// virtual operations; the page (shell/) shows what it computes.
//
// Threads: the object is made and destroyed on the UI thread. The lighting
// thread computes the preview (see docs/DEVICE_THREADS.md for its schedule);
// the listener threads read the device's event interfaces. The preview, the
// steps work on a frame of the lighting thread's own (guarded against
// SetLightCount by frameLock) and publish it whole into the preview that the
// UI thread reads (previewLock, a leaf lock). The lighting parameters are
// copied under infoLock at the start of each pass. overlayLock and
// customEffectLock guard the overlay list and the custom effect steps. The
// reactive buffers and the effect counters belong to the lighting thread;
// a class that feeds them from another thread guards them itself.
//
// A derived class whose virtual hooks the threads call must call
// StopThreads() first thing in its own destructor, before its members go.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/device_page_sink.h"
#include "devices/interface_catalogue.h"
#include "devices/lighting_schedule.h"
#include "devices/preview_state.h"
#include "link/device_channel.h"
#include "profiles/profile_records.h"

// Set by a listener's event 1026: the next sync reloads the profile. Taking
// it clears it.
void RequestProfileReloadOnNextSync();
bool TakeProfileReloadRequest();

class CUsbDeviceCore {
 public:
  static constexpr size_t kDeviceInfoSize = 34;
  // Listener interface slots: the device's own event interface and the one of
  // its receiver.
  enum ListenerSlot { kWiredListener = 0, kReceiverListener = 1 };
  // Common device event codes.
  static constexpr int kEventSync = 1025;
  static constexpr int kEventSyncReload = 1026;

  CUsbDeviceCore();
  virtual ~CUsbDeviceCore();
  CUsbDeviceCore(const CUsbDeviceCore&) = delete;
  CUsbDeviceCore& operator=(const CUsbDeviceCore&) = delete;

  // ---- Virtual operations, in the order of the device object's table ----
  // (1) InitPage is the page's (shell/).
  virtual int LoadLightingFromProfile() { return 0; }  // 2
  // 3-9: preview steps over this object's frame and counters (preview_steps.h).
  virtual void StepBreathing();
  virtual void StepBreathingFourColour();
  virtual void StepStatic();
  virtual void StepSpectrum();
  virtual void StepBlink();
  virtual void StepBlinkFourColour();
  virtual void StepOff();
  // 10: the device part of showing a frame (the keyboard streams it to the
  // device); the page shows it on its buttons and then calls this.
  virtual void PushLightFrame() {}
  virtual void SetPreviewColour(
      int light, uint32_t packed);  // 11: red | green << 8 | blue << 16 | brightness << 24
  virtual uint32_t GetPreviewColour(int light) const;          // 12: 0 when out of range
  virtual void OnDeviceConnected() {}                          // 13
  virtual void OnDeviceSyncRequest() {}                        // 14
  virtual void HookOperation1() {}                             // 15
  virtual void HookOperation2() {}                             // 16
  virtual void RefreshPowerStatus() {}                         // 17
  virtual bool IsWirelessLinkUp() { return true; }             // 18
  virtual int LoadProfile() { return 0; }                      // 19
  virtual void ApplyStateToPage() {}                           // 20 (the page's part in shell/)
  virtual void ValidateMacroAssignments() {}                   // 21
  virtual void LoadDefaultProfile() {}                         // 22
  virtual std::vector<int> CollectUsedMacros() { return {}; }  // 23
  virtual int WriteKeyAssignments(int profile, const std::vector<KeyAssignmentRecord>& keys) {
    (void)profile;
    (void)keys;
    return 0;
  }  // 24
  virtual int WriteCurrentKeyAssignments(int profile) {
    return WriteKeyAssignments(profile, {});
  }  // 25
  virtual int WriteMacros(const std::vector<int>& macros) {
    (void)macros;
    return 0;
  }  // 26
  virtual int WriteSystemSettings(int profile, int value, int extra) {
    (void)profile;
    (void)value;
    (void)extra;
    return 0;
  }                                                                                     // 27
  virtual void RefreshNameLists() {}                                                    // 28
  virtual void SetKeyGroupMap(std::vector<int> map) { keyGroupMap_ = std::move(map); }  // 29
  virtual uint8_t DecayKeyBrightness(int position, int mode);                           // 30
  virtual void LightPressedColumns();                                                   // 31
  virtual void RotateColumns(bool upward);                                              // 32
  virtual void ClearReactiveBuffers();                                                  // 33
  virtual void SetFunctionSwitchMode(int mode) { functionSwitchMode_ = mode; }          // 34
  virtual int GetFunctionSwitchMode() const { return functionSwitchMode_; }             // 35
  virtual void BindProfilePaths() {}                                                    // 36
  virtual std::string GetProfilePath() const { return {}; }                             // 37
  virtual void SaveProfile() {}                                                         // 38
  virtual void SetDeviceIndex(int index) { deviceIndex_ = index; }                      // 39
  virtual int GetDeviceIndex() const { return deviceIndex_; }                           // 40
  virtual void SetLightInfo(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3);        // 41
  virtual void SetAudioLightInfo(uint32_t w0, uint32_t w1, uint32_t w2);                // 42
  virtual AudioLightRecord GetAudioLightInfo() const { return audioLight_; }            // 43
  virtual void SetSelectedKey(int key) { selectedKey_ = key; }                          // 44
  virtual void OnAudioSpectrum(const float* samples, int count) {
    (void)samples;
    (void)count;
  }  // 45
  virtual void OnAudioLevels(const float* levels, int count) {
    (void)levels;
    (void)count;
  }  // 46

  // ---- Non-virtual operations ----
  void RotateColumnRange(int count, bool upward);
  void SetKeyCount(int count);
  int KeyCount() const { return keyCount_; }
  // Resizes the preview and the overlay list and clears every colour and overlay.
  void SetLightCount(int count);
  int LightCount() const { return lightCount_; }
  void SetProductKind(int kind, int variant);
  // The catalogue row the device is known by (the wired row for a receiver
  // connection); also takes the device kind from it.
  void SetIdentity(const InterfaceEntry& identity);
  const InterfaceEntry& Identity() const { return identity_; }
  int GetDeviceKind() const { return deviceKind_.load(); }
  int GetKindVariant() const { return kindVariant_; }
  void SetBatteryPresent(bool present) { batteryPresent_ = present ? 1 : 0; }
  bool IsBatteryPresent() const { return batteryPresent_ != 0; }
  // Stored only while a battery is present.
  void SetStatusText(const std::string& text);
  const std::string& StatusText() const { return statusText_; }
  // Stores the flag; turning it on for a keyboard (kind 1) sends
  // EnableSoftwareLighting. Returns that command's result, 1 when none was sent.
  int SetSoftwareLighting(int on);
  bool IsSoftwareLighting() const { return softwareLighting_.load() != 0; }
  void SetLightingEnabled(int on) { lightingEnabled_.store(on); }
  bool IsLightingEnabled() const { return lightingEnabled_.load() != 0; }
  LightInfoRecord GetLightInfo() const;
  // Folders (profiles/data_folders.h); empty when the folder name is unusable.
  std::string GetUserDeviceFolder() const;
  std::string GetDefaultDataFolder() const;
  std::string GetDefaultProfilePath() const;

  // Names.
  void SetDisplayName(const std::string& name) { displayName_ = name; }
  const std::string& DisplayName() const { return displayName_; }
  void SetProfileStem(const std::string& stem) { profileStem_ = stem; }
  const std::string& ProfileStem() const { return profileStem_; }
  void SetLightLibraryStem(const std::string& stem) { lightLibraryStem_ = stem; }
  const std::string& LightLibraryStem() const { return lightLibraryStem_; }
  void SetDeviceFolderName(const std::string& name) { deviceFolderName_ = name; }
  const std::string& DeviceFolderName() const { return deviceFolderName_; }

  // Device link.
  CDeviceChannel& Channel() { return channel_; }
  CDeviceChannel& ListenerChannel() { return listener_; }
  std::array<uint8_t, kDeviceInfoSize>& DeviceInfo() { return deviceInfo_; }
  bool IsListenerOpen(ListenerSlot slot) const { return listenerOpen_[slot].load(); }

  // Maps from page numbers to device numbers.
  std::vector<int>& KeyPositionMap() { return keyPositions_; }
  std::vector<int>& LedIndexMap() { return ledIndexes_; }

  // Lighting state.
  std::vector<LightModeRecord>& Overlays() { return overlays_; }
  std::recursive_mutex& OverlayLock() { return overlayLock_; }
  std::vector<EffectStepRecord>& CustomEffectSteps() { return customSteps_; }
  std::recursive_mutex& CustomEffectLock() { return customEffectLock_; }
  int CustomStepIndex() const { return customStepIndex_; }
  void SetCustomStepIndex(int index) { customStepIndex_ = index; }
  EffectCounters& Counters() { return counters_; }
  ReactiveBuffers& Reactive() { return reactive_; }
  // A copy of the preview, light by light.
  PreviewFrame PreviewSnapshot() const;

  // ---- Page link ----
  void SetPageSink(IDevicePageSink* sink) { sink_.store(sink); }

  // ---- Lighting thread ----
  // Starts it (no-op while it runs).
  void StartLightingThread();
  // Wakes it to look again at the channel, the pause flag, the effect and the
  // speed: call after opening the channel and after changing any of them.
  void WakeLightingThread();
  // Sets the command channel's lighting-paused flag and wakes the thread.
  void SetLightingPaused(bool paused);
  bool IsLightingThreadRunning() const;
  // Whether anybody sees the preview: the device's page is the current tab of
  // a shown, unminimised window (the device list keeps it). While nobody does
  // and the program streams nothing to the device (a device-driven effect),
  // the lighting thread computes nothing: it sleeps until the preview is seen
  // again or something changes. A change wakes the thread.
  void SetPreviewVisible(bool visible);
  bool IsPreviewVisible() const { return previewVisible_.load(); }
  // Passes the lighting thread has run since it started (each computes and
  // publishes one frame).
  uint64_t LightingPasses() const { return lightingPasses_.load(); }

  // ---- Listener threads ----
  // Opens the event interface at `path` for `kind` (a receiver kind goes to
  // the receiver slot) and starts its thread, whether or not the open
  // succeeded (the thread sleeps while its record is closed). No-op when that
  // slot is attached. False when the open failed.
  bool AttachListener(const std::string& path, int kind);
  // Detaches the slot of `kind`, then attaches it again.
  bool ReattachListener(const std::string& path, int kind);
  // Stops the slot's thread, then closes its record.
  void DetachListener(int kind);
  bool IsListenerAttached(int kind) const;

  // Stops the lighting thread and both listener threads; idempotent.
  void StopThreads();

  // Clock of the lighting thread in ms (steady); tests may replace it before
  // starting the thread.
  void SetClock(std::function<uint64_t()> clock) { clock_ = std::move(clock); }
  uint64_t NowMs() const { return clock_(); }

 protected:
  // ---- Per-class body of the lighting thread ----
  // The threshold in 1 ms ticks of the active effect at the active speed from
  // the class's speed table, or -1 when the effect has no row (the custom
  // effect player runs). Base: -1.
  virtual int LightingThreshold() const { return -1; }
  // Runs one step of the active effect. Base: nothing.
  virtual void RunEffectStep(uint64_t nowMs) { (void)nowMs; }
  // The custom-effect player, given the 1 ms passes since its last call (it
  // advances as if called once per pass). Base: nothing.
  virtual void RunCustomEffect(uint32_t ticks, uint64_t nowMs) {
    (void)ticks;
    (void)nowMs;
  }
  // Whether the program streams the active effect's frames to the device, so
  // that the lighting thread runs whether or not the preview is seen. Called
  // on the lighting thread with the pass's copy of the lighting parameters.
  // Base: false.
  virtual bool StreamsFrames() const { return false; }
  // Whether work runs on every pass (overlays present, custom player); such
  // work is coalesced to one call per frame period.
  virtual bool NeedsEveryPass() const;
  // The overlay pass, under overlayLock, given the 1 ms passes since the last
  // one. Base: nothing.
  virtual void RunOverlayPass(uint32_t ticks, uint64_t nowMs) {
    (void)ticks;
    (void)nowMs;
  }
  // Called on the lighting thread after each pass has published its frame,
  // outside the lighting locks (the keyboard streams the frame from here).
  // Base: nothing.
  virtual void OnFramePublished(uint64_t nowMs) { (void)nowMs; }
  // The debug line written when the lighting thread ends.
  virtual const char* LightingExitLine() const { return "MS灯光线程设定退出"; }
  // Frame period of the lighting thread: 10 ms wired, 50 ms through the
  // receiver, for the frames streamed to the device; a preview only repainted
  // (30 a second) needs no frame more often than every kPreviewPeriodMs.
  uint32_t FramePeriodMs();
  static constexpr uint32_t kPreviewPeriodMs = 33;

  // ---- Per-class part of the listener threads ----
  // Handles one event code from the listener thread. Base: the common codes.
  virtual void OnDeviceEvent(int code);
  // Delay of the sync timer armed by the common codes.
  virtual int SyncTimerDelayMs() const { return 50; }
  virtual const char* ListenerExitLine() const { return "MS 设备同步线程设定退出"; }
  virtual int ListenerStopWaitMs() const { return 500; }
  virtual int LightingStopWaitMs() const { return 1000; }
  void ArmTabTimer(int id, int ms);
  IDevicePageSink* PageSink() const { return sink_.load(); }

  // Device link.
  CDeviceChannel channel_;
  CDeviceChannel listener_;
  std::array<std::atomic<bool>, 2> listenerOpen_{};
  std::array<uint8_t, kDeviceInfoSize> deviceInfo_{};
  // Names.
  std::string displayName_, profileStem_, lightLibraryStem_, deviceFolderName_;
  // Identity.
  std::atomic<int> deviceKind_{0};
  int kindVariant_ = 0;
  InterfaceEntry identity_;
  int deviceIndex_ = -1;
  int functionSwitchMode_ = 1;
  // Page buttons.
  int keyCount_ = 0;
  int lightCount_ = 0;
  std::vector<int> keyPositions_;
  std::vector<int> ledIndexes_;
  std::vector<int> keyGroupMap_;
  int selectedKey_ = -1;
  // Lighting.
  std::mutex frameLock_;
  PreviewFrame frame_;  // the lighting thread's working frame
  mutable std::mutex previewLock_;
  std::vector<uint32_t> preview_;  // the published frame, packed per light
  mutable std::mutex infoLock_;
  LightInfoRecord lightInfo_;  // written by the UI thread under infoLock_
  LightInfoRecord passInfo_;   // the lighting thread's copy for the running pass
  AudioLightRecord audioLight_;
  std::vector<LightModeRecord> overlays_;
  mutable std::recursive_mutex overlayLock_;
  std::vector<EffectStepRecord> customSteps_;
  std::recursive_mutex customEffectLock_;
  int customStepIndex_ = 0;
  std::atomic<int> softwareLighting_{1};
  std::atomic<int> lightingEnabled_{1};
  EffectCounters counters_;
  ReactiveBuffers reactive_;
  // Power.
  int batteryPresent_ = 0;
  std::string statusText_;

  // Copies the working frame into the published preview.
  void PublishFrame();
  static uint32_t Pack(const PreviewColour& colour);
  static PreviewColour Unpack(uint32_t packed);

 private:
  struct ThreadSlot {
    std::thread thread;
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool done = true;
    bool kick = false;  // something to look at again
  };
  void LightingThreadBody();
  void ListenerThreadBody(ListenerSlot slot);
  void StopThread(ThreadSlot& slot, int waitMs, CHidDevice* cancel);
  static ListenerSlot SlotOfKind(int kind);
  std::recursive_mutex& LockOfSlot(ListenerSlot slot);
  CHidDevice& RecordOfSlot(ListenerSlot slot);

  std::atomic<IDevicePageSink*> sink_{nullptr};
  std::atomic<bool> previewVisible_{true};
  std::atomic<uint64_t> lightingPasses_{0};
  std::function<uint64_t()> clock_;
  CLightingSchedule schedule_;
  ThreadSlot lighting_;
  std::array<ThreadSlot, 2> listeners_;
};
