#pragma once
// CKeyboardDeviceCore: the device side of a keyboard's object (device kind 1).
// It joins the keyboard's protocol and data logic (layout, settings block, key
// tables, macro image, events, custom colours, frames) and its lighting
// preview (effects, custom-effect player, overlay) to the object base and its
// threads. The page (shell/quorvane_keyboard_device.h) shows its state.
//
// Threads: everything runs on the UI thread except
//  - the lighting thread: runs the effect steps, the custom-effect player and
//    the overlay pass, and streams the frame of the software-driven effects
//    (29, 30) to the keyboard after each pass; a frame the keyboard refuses is
//    dropped and streaming pauses 200 ms (the thread never sleeps for it);
//  - the listener threads: OnDeviceEvent. A profile switched on the keyboard
//    updates the device state under stateLock_ and is handed to the page
//    through the sink; key events go to the effects, whose own lock guards the
//    reactive buffers and effect counters against the lighting thread.
// The layout is guarded by layoutLock_ (read by the listener and lighting
// threads), the device state and settings block by stateLock_, the lighting
// parameters by the base's infoLock.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "devices/custom_effect_player.h"
#include "devices/keyboard_effects.h"
#include "devices/keyboard_layout.h"
#include "devices/keyboard_profile_state.h"
#include "devices/keyboard_protocol.h"
#include "devices/keyboard_settings_block.h"
#include "devices/light_overlay.h"
#include "devices/preview_steps_binding.h"
#include "devices/usb_device_core.h"
#include "profiles/keyboard_profiledata.h"

// The last event code a keyboard listener received (process-wide, kept until
// the next event); -1 before the first.
int LastKeyboardEventCode();

class CKeyboardDeviceCore : public CUsbDeviceCore {
 public:
  // Effects whose frames the program computes and streams to the keyboard.
  static constexpr int kMusicEffect = 29;
  static constexpr int kSoftwareEffect = 30;
  // Pause after a frame the keyboard did not take.
  static constexpr uint64_t kStreamRetryMs = 200;

  CKeyboardDeviceCore();
  ~CKeyboardDeviceCore() override;

  // ---- Operations of the object base ----
  int LoadLightingFromProfile() override;
  void OnDeviceConnected() override;
  void OnDeviceSyncRequest() override;
  void RefreshPowerStatus() override;
  bool IsWirelessLinkUp() override;
  int LoadProfile() override;
  void ApplyStateToPage() override;
  void ValidateMacroAssignments() override;
  void LoadDefaultProfile() override;
  std::vector<int> CollectUsedMacros() override;
  // Result: kCommandSuccess, a failing command's result, or kCommandNoReply
  // with the channel closed.
  int WriteKeyAssignments(int profile, const std::vector<KeyAssignmentRecord>& keys) override;
  int WriteCurrentKeyAssignments(int profile) override;
  // 0 written (or nothing to write); positive: the image is that many
  // four-byte units (plus one) too large and nothing was sent; negative: the
  // image could not be built or a command failed.
  int WriteMacros(const std::vector<int>& macros) override;
  // Writes the settings block of device profile `profile` with active
  // profile `value`; 1 whatever the commands returned (the device keeps
  // working with what it has). LastSettingsWriteResult() tells the outcome.
  int WriteSystemSettings(int profile, int value, int extra) override;
  void RefreshNameLists() override;
  void SetFunctionSwitchMode(int mode) override;
  void BindProfilePaths() override;
  std::string GetProfilePath() const override;
  void SaveProfile() override;
  void SetDeviceIndex(int index) override;
  void SetLightInfo(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) override;
  void SetAudioLightInfo(uint32_t w0, uint32_t w1, uint32_t w2) override;
  AudioLightRecord GetAudioLightInfo() const override;
  void OnAudioSpectrum(const float* samples, int count) override;
  void OnAudioLevels(const float* levels, int count) override;

  // ---- Keyboard operations ----
  // Layout discovery: device information, key table, LED index table, maps.
  // Returns ReadKeyboardLayout's result (kCommandNoReply with the channel closed).
  int ReadDeviceLayout();
  // Reads the settings block of the active profile into the state and the
  // profile (a zero block with the channel closed); 1.
  int ReadDeviceSettings(int* activeProfile);
  // With the channel open and the wireless link up: the 6-byte status block.
  bool ReadPowerStatus();
  int ReadCustomColours();
  int WriteCustomColours();
  int WriteCustomColoursFromProfile();

  // The profile switch: binds the profile `uuid`, loads it into the state and
  // writes it to the keyboard as device profile 0, made the active one: the
  // settings block, the macros the keys use, then both key tables with the
  // macro numbers of the device. Returns 0 when written; -1 with the channel
  // closed; a positive macro overflow (nothing but the settings written); or
  // the failing command's result.
  int ApplyProfile(const std::string& uuid);
  // The profile the object binds its paths to (empty: the default profile).
  void SetProfileUuid(const std::string& uuid);
  const std::string& ProfileUuid() const { return ProfileStem(); }

  // ---- State for the page ----
  KeyboardLayout Layout() const;
  KeyboardDeviceState DeviceState() const;
  SettingsBlock LastSettingsBlock() const;
  int LastSettingsWriteResult() const { return lastSettingsWrite_; }
  std::vector<KeyAssignmentRecord> GetKeyAssignments() const { return keys_; }
  // Replaces the list and writes it into the profile.
  void SetKeyAssignments(const std::vector<KeyAssignmentRecord>& keys);
  // The entry of the selected key takes the three values (Fn, Normal,
  // Default) and the list goes into the profile.
  void StoreSelectedKeyAssignment(const KeyAssignmentRecord& record);
  int SelectedKey() const { return selectedKey_; }
  KbSystemStages GetSystemStages() const { return stages_; }
  void SetSystemStages(const KbSystemStages& stages);
  bool IsFnLayerShown() const { return fnLayer_; }
  void SetFnLayerShown(bool shown);
  int CustomGroup() const { return customGroup_; }
  const std::vector<int>& EffectCodes() const { return effectCodes_; }
  // Macro names of the library (RefreshNameLists).
  const std::vector<std::wstring>& MacroNames() const { return macroNames_; }
  const std::vector<int>& UsedMacros() const { return usedMacros_; }
  const PowerStatus& LastPowerStatus() const { return power_; }
  // Set while the main window holds power queries back.
  void SetPowerQueryHold(bool hold) { powerQueryHold_ = hold; }
  // Called with each status block read (the page's battery indicator).
  void SetPowerStatusHandler(std::function<void(const PowerStatus&)> handler) {
    powerHandler_ = std::move(handler);
  }
  CKeyboardProfiledata& Document() { return document_; }
  CKeyboardEffects& Effects() { return effects_; }
  // Frames sent to and refused by the keyboard so far.
  uint64_t StreamedFrames() const { return streamedFrames_.load(); }
  uint64_t DroppedFrames() const { return droppedFrames_.load(); }

 protected:
  int LightingThreshold() const override;
  void RunEffectStep(uint64_t nowMs) override;
  void RunCustomEffect(uint32_t ticks, uint64_t nowMs) override;
  // The software-driven effects (29, 30) stream their frames to the keyboard.
  bool StreamsFrames() const override;
  bool NeedsEveryPass() const override;
  void RunOverlayPass(uint32_t ticks, uint64_t nowMs) override;
  void OnFramePublished(uint64_t nowMs) override;
  const char* LightingExitLine() const override { return "KB灯光线程设定退出"; }
  void OnDeviceEvent(int code) override;

 private:
  void SetLightInfoRecord(const LightInfoRecord& light);
  // The lighting fields of the device state follow the light record.
  void MirrorLightIntoState(const LightInfoRecord& light);
  // Resets the effect's state and runs its initialiser (custom colours first
  // load their table: from the keyboard, or from the profile).
  void RestartEffect(int effect, bool coloursFromDevice);
  // Writes the colours into the working frame and publishes it.
  void ShowColours(const std::vector<RgbaColor>& colours);
  std::vector<RgbaColor> PreviewColours() const;
  int MacroCount() const;
  void TakeProfileState(const KeyboardProfileState& state);
  int WriteSettings(int profile, int active);

  CPreviewStepsBinding baseSteps_;
  CKeyboardEffects effects_;
  CCustomEffectPlayer player_;
  CLightOverlay overlay_;
  CKeyboardProfiledata document_;
  std::string profilePath_;

  mutable std::mutex layoutLock_;
  KeyboardLayout layout_;

  mutable std::mutex stateLock_;
  KeyboardDeviceState state_;
  KeyboardDeviceState previousState_;
  SettingsBlock block_{};

  std::vector<int> effectCodes_;
  std::vector<KeyAssignmentRecord> keys_;
  std::vector<int> usedMacros_;
  std::vector<std::wstring> macroNames_;
  KbSystemStages stages_;
  bool fnLayer_ = false;
  int customGroup_ = 0;
  int lastSettingsWrite_ = 1;
  PowerStatus power_;
  bool powerQueryHold_ = false;
  std::function<void(const PowerStatus&)> powerHandler_;

  std::atomic<int> switchMode_{1};
  uint64_t streamResumeMs_ = 0;  // lighting thread only
  std::atomic<uint64_t> streamedFrames_{0};
  std::atomic<uint64_t> droppedFrames_{0};
};
