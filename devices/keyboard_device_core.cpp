#include "devices/keyboard_device_core.h"

#include <algorithm>
#include <cstring>

#include "devices/device_kind.h"
#include "devices/keyboard_effect_dispatch.h"
#include "devices/keyboard_key_tables.h"
#include "devices/preview_steps.h"
#include "link/command_result.h"
#include "platform/debug_output.h"
#include "profiles/data_folders.h"
#include "profiles/macro_library.h"

namespace {

std::atomic<int> g_lastKeyboardEvent{-1};

constexpr int kEffectOwnHueBuffer = 24;

// Audio input as the effects take it: whole numbers, NaN as silence.
int32_t AudioValue(float value) {
  if (!(value == value)) return 0;
  return static_cast<int32_t>(std::clamp(value, -1.0e6f, 1.0e6f));
}

}  // namespace

int LastKeyboardEventCode() { return g_lastKeyboardEvent.load(); }

CKeyboardDeviceCore::CKeyboardDeviceCore() : effects_(baseSteps_), player_(baseSteps_) {
  SetProductKind(kKindKeyboard, 0);
  SetDeviceFolderName(kKeyboardFolderName);
  SetKeyCount(kKeyboardKeyNumbers);
  SetLightCount(kKeyboardKeyNumbers);
  document_.SetDefaultProfilePath(GetDefaultProfilePath());
  effectCodes_ = KeyboardEffectCodes(GetDefaultDataFolder());
}

CKeyboardDeviceCore::~CKeyboardDeviceCore() {
  // The threads call this class's hooks: they end before its members go.
  StopThreads();
}

// ---- Profile ----

void CKeyboardDeviceCore::SetProfileUuid(const std::string& uuid) {
  SetProfileStem(uuid);
  BindProfilePaths();
}

void CKeyboardDeviceCore::BindProfilePaths() {
  const std::string folder = GetUserDeviceFolder();
  document_.SetDefaultProfilePath(GetDefaultProfilePath());
  const std::string& uuid = ProfileStem();
  if (uuid.empty() || folder.empty() || uuid.find('/') != std::string::npos) {
    profilePath_.clear();
    return;
  }
  profilePath_ = folder + uuid + ".Json";
  document_.SetProfilePath(profilePath_);
  // The light library is the device's, not the profile's: <folder><stem>.config.
  if (!LightLibraryStem().empty())
    document_.SetLightLibraryPath(folder + LightLibraryStem() + ".config");
}

std::string CKeyboardDeviceCore::GetProfilePath() const { return profilePath_; }

void CKeyboardDeviceCore::SaveProfile() {
  if (profilePath_.empty()) return;  // the default profile is never overwritten
  if (!document_.SaveProfile()) DebugOutputF("键盘配置保存失败 %s\n", profilePath_.c_str());
}

void CKeyboardDeviceCore::SetDeviceIndex(int index) {
  CUsbDeviceCore::SetDeviceIndex(index);
  // A profile file holds one device section, the first, whatever the
  // device's type row: a profile read at another index would be rebuilt from
  // the defaults and the stored settings never seen.
  document_.SetDeviceIndex(0);
}

void CKeyboardDeviceCore::TakeProfileState(const KeyboardProfileState& state) {
  keys_ = state.keys;
  stages_ = state.stages;
  fnLayer_ = state.fnLayer;
}

int CKeyboardDeviceCore::LoadProfile() {
  BindProfilePaths();
  const std::string path = profilePath_.empty() ? GetDefaultProfilePath() : profilePath_;
  TakeProfileState(LoadKeyboardProfile(document_, path));
  if (profilePath_.empty()) document_.SetProfilePath({});
  LoadLightingFromProfile();
  return 1;
}

void CKeyboardDeviceCore::LoadDefaultProfile() {
  BindProfilePaths();
  if (profilePath_.empty()) {
    // No profile bound: the defaults are shown, and saved nowhere (the
    // document would otherwise write them over the file it last named).
    TakeProfileState(LoadKeyboardProfile(document_, GetDefaultProfilePath()));
  } else {
    bool saved = false;
    TakeProfileState(LoadDefaultKeyboardProfile(document_, profilePath_, &saved));
    if (!saved) DebugOutputF("键盘默认配置保存失败 %s\n", profilePath_.c_str());
  }
  LoadLightingFromProfile();
  ApplyStateToPage();
}

void CKeyboardDeviceCore::SetLightInfoRecord(const LightInfoRecord& light) {
  {
    std::lock_guard<std::mutex> lock(infoLock_);
    lightInfo_ = light;
  }
  WakeLightingThread();
}

void CKeyboardDeviceCore::MirrorLightIntoState(const LightInfoRecord& light) {
  std::lock_guard<std::mutex> lock(stateLock_);
  state_.effect = light.SelectItem;
  state_.brightness = light.Light;
  state_.speed = light.Speed;
  state_.direction = light.Fx;
  state_.multicolour = light.MultiColor;
  state_.red = light.Red;
  state_.green = light.Green;
  state_.blue = light.Blue;
  state_.alternateMode = light.ZZCCLedMode;
  state_.customGroup = light.CustomGroup;
}

void CKeyboardDeviceCore::SetLightInfo(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
  const LightInfoRecord previous = GetLightInfo();
  CUsbDeviceCore::SetLightInfo(w0, w1, w2, w3);
  const LightInfoRecord light = GetLightInfo();
  document_.WriteLightInfo(light);
  MirrorLightIntoState(light);
  if (light.SelectItem != previous.SelectItem) RestartEffect(light.SelectItem, false);
}

void CKeyboardDeviceCore::SetAudioLightInfo(uint32_t w0, uint32_t w1, uint32_t w2) {
  const uint32_t words[3] = {w0, w1, w2};
  AudioLightRecord audio;
  std::memcpy(&audio, words, std::min(sizeof(audio), sizeof(words)));
  {
    std::lock_guard<std::mutex> lock(infoLock_);
    audioLight_ = audio;
  }
  document_.WriteAudioLightInfo(audio);
}

AudioLightRecord CKeyboardDeviceCore::GetAudioLightInfo() const {
  std::lock_guard<std::mutex> lock(infoLock_);
  return audioLight_;
}

void CKeyboardDeviceCore::ShowColours(const std::vector<RgbaColor>& colours) {
  // At the lighting's brightness, as the custom colour effect shows them
  // (the table written next is scaled by it: 0 would write black).
  const uint8_t brightness = BrightnessOfLevel(GetLightInfo().Light);
  std::lock_guard<std::mutex> frame(frameLock_);
  const size_t count = std::min(colours.size(), frame_.size());
  for (size_t i = 0; i < count; ++i) {
    frame_[i].red = colours[i].Red;
    frame_[i].green = colours[i].Green;
    frame_[i].blue = colours[i].Blue;
  }
  for (PreviewColour& light : frame_) light.brightness = brightness;
  PublishFrame();
}

std::vector<RgbaColor> CKeyboardDeviceCore::PreviewColours() const {
  std::vector<RgbaColor> colours;
  for (const PreviewColour& c : PreviewSnapshot()) colours.push_back({c.red, c.green, c.blue, 0});
  return colours;
}

void CKeyboardDeviceCore::RestartEffect(int effect, bool coloursFromDevice) {
  if (effect == kCustomColourEffect) {
    if (coloursFromDevice) {
      ReadCustomColours();
    } else {
      customGroup_ = document_.GetCustomGroupIndex();
      ShowColours(document_.GetCustomLightColors(customGroup_, LightCount()));
      WriteCustomColours();
    }
  }
  effects_.StartEffect(effect, counters_, reactive_);
  WakeLightingThread();
}

int CKeyboardDeviceCore::LoadLightingFromProfile() {
  const LightInfoRecord previous = GetLightInfo();
  const LightInfoRecord light = document_.ReadLightInfo();
  const AudioLightRecord audio = document_.ReadAudioLightInfo();
  {
    std::lock_guard<std::mutex> lock(infoLock_);
    lightInfo_ = light;
    audioLight_ = audio;
  }
  MirrorLightIntoState(light);
  {
    std::lock_guard<std::recursive_mutex> lock(overlayLock_);
    overlays_ = document_.GetLightList();
    overlay_.Load(overlays_);
  }
  {
    std::lock_guard<std::recursive_mutex> lock(customEffectLock_);
    customSteps_ = document_.GetCustomEffect();
    customStepIndex_ = 0;
    player_.SetSteps(customSteps_);
  }
  // A new effect, custom colours (their table may differ) and the effect
  // with its own hue buffer start again; so does every effect's step count.
  const int effect = light.SelectItem;
  if (effect != previous.SelectItem || effect == kCustomColourEffect ||
      effect == kEffectOwnHueBuffer)
    RestartEffect(effect, false);
  else
    WakeLightingThread();
  return 1;
}

void CKeyboardDeviceCore::ValidateMacroAssignments() {
  RefreshNameLists();
  std::vector<KeyAssignmentRecord> keys = keys_;
  if (!::ValidateMacroAssignments(keys, static_cast<int>(macroNames_.size()))) return;
  SetKeyAssignments(keys);
  RefreshNameLists();
  ApplyStateToPage();
}

void CKeyboardDeviceCore::SetKeyAssignments(const std::vector<KeyAssignmentRecord>& keys) {
  keys_ = keys;
  document_.SetKeyList(keys_);
}

void CKeyboardDeviceCore::StoreSelectedKeyAssignment(const KeyAssignmentRecord& record) {
  if (selectedKey_ < 0 || static_cast<size_t>(selectedKey_) >= keys_.size()) return;
  KeyAssignmentRecord& entry = keys_[static_cast<size_t>(selectedKey_)];
  entry.Fn.code = record.Fn.code;
  entry.Normal.code = record.Normal.code;
  entry.Default.code = record.Default.code;
  document_.SetKeyList(keys_);
}

void CKeyboardDeviceCore::SetSystemStages(const KbSystemStages& stages) {
  stages_ = stages;
  document_.SetSystemStages(stages);
}

void CKeyboardDeviceCore::SetFnLayerShown(bool shown) {
  fnLayer_ = shown;
  document_.SetFnKeysetFlag(shown);
}

void CKeyboardDeviceCore::RefreshNameLists() {
  macroNames_.clear();
  const std::string folder = GetUserDeviceFolder();
  if (folder.empty()) return;
  for (const MacroEntry& entry : CMacroLibrary(folder).ListMacros())
    macroNames_.push_back(entry.name);
}

int CKeyboardDeviceCore::MacroCount() const {
  const std::string folder = GetUserDeviceFolder();
  return folder.empty() ? 0 : CMacroLibrary(folder).Count();
}

void CKeyboardDeviceCore::ApplyStateToPage() {
  if (IDevicePageSink* sink = PageSink()) sink->ShowDeviceState();
}

void CKeyboardDeviceCore::SetFunctionSwitchMode(int mode) {
  CUsbDeviceCore::SetFunctionSwitchMode(mode);
  switchMode_.store(mode);
}

// ---- Device ----

int CKeyboardDeviceCore::ReadDeviceLayout() {
  if (!channel_.IsOpen()) return kCommandNoReply;
  KeyboardLayout layout;
  const int result = ReadKeyboardLayout(channel_, layout);
  std::copy(layout.info.begin(), layout.info.end(), deviceInfo_.begin());
  keyPositions_.assign(layout.position.begin(), layout.position.end());
  ledIndexes_.assign(layout.led.begin(), layout.led.end());
  std::lock_guard<std::mutex> lock(layoutLock_);
  layout_ = std::move(layout);
  return result;
}

KeyboardLayout CKeyboardDeviceCore::Layout() const {
  std::lock_guard<std::mutex> lock(layoutLock_);
  return layout_;
}

KeyboardDeviceState CKeyboardDeviceCore::DeviceState() const {
  std::lock_guard<std::mutex> lock(stateLock_);
  return state_;
}

SettingsBlock CKeyboardDeviceCore::LastSettingsBlock() const {
  std::lock_guard<std::mutex> lock(stateLock_);
  return block_;
}

int CKeyboardDeviceCore::ReadDeviceSettings(int* activeProfile) {
  SetLightingPaused(false);
  SettingsBlock raw{};
  uint8_t active = 0;
  if (channel_.IsOpen()) {
    const int begun = channel_.BeginConfig();
    const int read =
        begun == kCommandSuccess ? ReadSettingsBlock(channel_, -1, raw, active) : begun;
    channel_.EndConfig();
    if (read != kCommandSuccess) {
      DebugOutputF("键盘参数读取失败 %d\n", read);
      raw.fill(0);
      active = 0;
    }
  }
  const LightInfoRecord previous = GetLightInfo();
  const DecodedSettings d = DecodeSettingsBlock(raw, active, effectCodes_, previous, stages_);
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    previousState_ = state_;
    state_ = d.state;
    block_ = d.block;
  }
  SetLightInfoRecord(d.light);
  customGroup_ = d.light.CustomGroup;
  stages_ = d.stages;
  if (d.effectChanged) RestartEffect(d.light.SelectItem, true);
  document_.WriteLightInfo(d.light);
  document_.SetSystemStages(d.stages);
  SaveProfile();
  if (activeProfile != nullptr) *activeProfile = active;
  return 1;
}

int CKeyboardDeviceCore::WriteSettings(int profile, int active) {
  SettingsBlock last;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    last = block_;
  }
  const SettingsBlock block = EncodeSettingsBlock(last, GetLightInfo(), stages_, effectCodes_,
                                                  static_cast<uint8_t>(active));
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    block_ = block;
  }
  lastSettingsWrite_ = WriteSettingsBlock(channel_, profile, block);
  if (lastSettingsWrite_ != kCommandSuccess)
    DebugOutputF("键盘参数写入失败 %d\n", lastSettingsWrite_);
  return lastSettingsWrite_;
}

int CKeyboardDeviceCore::WriteSystemSettings(int profile, int value, int extra) {
  (void)extra;
  WriteSettings(profile, value);
  return 1;
}

std::vector<int> CKeyboardDeviceCore::CollectUsedMacros() {
  const std::string folder = GetUserDeviceFolder();
  const int count = folder.empty() ? 0 : CMacroLibrary(folder).Count();
  usedMacros_ = ::CollectUsedMacros(Layout(), keys_, count);
  return usedMacros_;
}

int CKeyboardDeviceCore::WriteKeyAssignments(int profile,
                                             const std::vector<KeyAssignmentRecord>& keys) {
  if (!channel_.IsOpen()) return kCommandNoReply;
  const int result = WriteKeyTables(channel_, profile, Layout(), keys, MacroCount(), &usedMacros_);
  if (result != kCommandSuccess) DebugOutputF("键盘按键表写入失败 %d\n", result);
  return result;
}

int CKeyboardDeviceCore::WriteCurrentKeyAssignments(int profile) {
  return WriteKeyAssignments(profile, keys_);
}

int CKeyboardDeviceCore::WriteMacros(const std::vector<int>& macros) {
  const std::string folder = GetUserDeviceFolder();
  if (folder.empty()) return 0;
  const MacroWriteResult written = ::WriteMacros(channel_, CMacroLibrary(folder), macros);
  if (written.result > 0)
    DebugOutputF("宏数据超出键盘宏空间 %d\n", written.result);
  else if (written.result < 0)
    DebugOutputF("宏数据写入失败 %d\n", written.result);
  return written.result;
}

int CKeyboardDeviceCore::ApplyProfile(const std::string& uuid) {
  SetProfileUuid(uuid);
  LoadProfile();
  if (!channel_.IsOpen()) return -1;
  // A command that got no reply (0) failed too; it must not read as the
  // switch's 0 for success.
  const auto failure = [](int r) { return r == kCommandNoReply ? kCommandWriteFailed : r; };
  // A switch that comes before the connect timer has read the key layout
  // reads it first: the key tables are built on it.
  if (Layout().keyTable.empty()) {
    const int read = ReadDeviceLayout();
    if (read != kCommandSuccess) return failure(read);
  }
  // Device profile 0, made the active one.
  int result = WriteSettings(0, 0);
  if (result != kCommandSuccess) return failure(result);
  // Macros before the key tables: keys never point at macros the keyboard
  // does not hold. Too large an image leaves the key tables as they were.
  const std::vector<int> used = CollectUsedMacros();
  if (!used.empty()) {
    const int macros = WriteMacros(used);
    if (macros != 0) return macros;
  }
  result = WriteCurrentKeyAssignments(0);
  return result == kCommandSuccess ? 0 : failure(result);
}

bool CKeyboardDeviceCore::ReadPowerStatus() {
  if (powerQueryHold_) return false;
  PowerStatus status;
  if (!::ReadPowerStatus(channel_, status)) return false;
  power_ = status;
  if (powerHandler_) powerHandler_(power_);
  return true;
}

void CKeyboardDeviceCore::RefreshPowerStatus() { ReadPowerStatus(); }

bool CKeyboardDeviceCore::IsWirelessLinkUp() {
  return channel_.IsOpen() && channel_.IsDongleMode() && channel_.QueryWirelessLink();
}

int CKeyboardDeviceCore::ReadCustomColours() {
  std::vector<uint8_t> table;
  const KeyboardLayout layout = Layout();
  if (!channel_.IsOpen() ||
      ReadCustomColourTable(channel_, layout, customGroup_, table) != kCommandSuccess)
    return 0;
  {
    const uint8_t brightness = BrightnessOfLevel(GetLightInfo().Light);
    std::lock_guard<std::mutex> frame(frameLock_);
    ApplyCustomColourTable(table, layout, frame_);
    for (PreviewColour& light : frame_) light.brightness = brightness;
    PublishFrame();
  }
  document_.SetCustomLightColors(PreviewColours(), customGroup_);
  return WriteCustomColours();
}

int CKeyboardDeviceCore::WriteCustomColours() {
  if (GetLightInfo().SelectItem != kCustomColourEffect || !channel_.IsOpen()) return 0;
  const KeyboardLayout layout = Layout();
  const std::vector<uint8_t> table = BuildCustomColourTable(PreviewSnapshot(), layout, true);
  const int result = WriteCustomColourTable(channel_, layout, customGroup_, table);
  if (result != kCommandSuccess) DebugOutputF("自定义灯光写入失败 %d\n", result);
  return 0;
}

int CKeyboardDeviceCore::WriteCustomColoursFromProfile() {
  ShowColours(document_.GetCustomLightColors(customGroup_, LightCount()));
  return WriteCustomColours();
}

// ---- Connecting ----

void CKeyboardDeviceCore::OnDeviceConnected() {
  ReadDeviceLayout();
  LoadProfile();
  int active = 0;
  ReadDeviceSettings(&active);
  ApplyStateToPage();
  StartLightingThread();
  WakeLightingThread();
}

void CKeyboardDeviceCore::OnDeviceSyncRequest() {
  const bool reloadFlag = TakeProfileReloadRequest();
  if (LastKeyboardEventCode() == kEventSyncReload || reloadFlag) {
    if (IDevicePageSink* sink = PageSink()) sink->ReloadProfileList();
    LoadProfile();
  }
  int active = 0;
  ReadDeviceSettings(&active);
  ApplyStateToPage();
}

// ---- Audio ----

void CKeyboardDeviceCore::OnAudioSpectrum(const float* samples, int count) {
  std::vector<int32_t> values;
  for (int i = 0; samples != nullptr && i < count && i < kSpectrumSampleCount; ++i)
    values.push_back(AudioValue(samples[i]));
  const LightInfoRecord info = GetLightInfo();
  const AudioLightRecord audio = GetAudioLightInfo();
  effects_.OnAudioSpectrum(values.data(), static_cast<int>(values.size()), info.SelectItem, audio,
                           info, reactive_);
}

void CKeyboardDeviceCore::OnAudioLevels(const float* levels, int count) {
  std::vector<int32_t> values;
  for (int i = 0; levels != nullptr && i < count && i < kAudioLevelCount; ++i)
    values.push_back(AudioValue(levels[i]));
  effects_.OnAudioLevels(values.data(), static_cast<int>(values.size()));
}

// ---- Listener threads ----

void CKeyboardDeviceCore::OnDeviceEvent(int code) {
  g_lastKeyboardEvent.store(code);
  if (code == kEventSync || code == kEventSyncReload) {
    CUsbDeviceCore::OnDeviceEvent(code);
    return;
  }
  if (!channel_.IsOpen() || code < 0 || code > 0xFFFF) return;
  KeyboardEvent event;
  {
    std::lock_guard<std::mutex> lock(layoutLock_);
    event = DecodeKeyboardEvent(static_cast<uint16_t>(code), layout_);
  }
  switch (event.kind) {
    case KeyboardEventKind::kProfileChanged: {
      {
        std::lock_guard<std::mutex> lock(stateLock_);
        state_.activeProfile = static_cast<uint8_t>(event.activeProfile);
        block_[0] = state_.activeProfile;
        if (event.settingsByte17 >= 0) block_[17] = static_cast<uint8_t>(event.settingsByte17);
      }
      if (IDevicePageSink* sink = PageSink()) sink->OnDeviceProfileChanged(event.activeProfile);
      break;
    }
    case KeyboardEventKind::kKeyPress:
    case KeyboardEventKind::kKeyEvent: {
      if (event.keyNumber < 0) break;
      const LightInfoRecord info = GetLightInfo();
      effects_.DispatchKeyEvent(event.keyNumber, event.kind == KeyboardEventKind::kKeyPress ? 1 : 2,
                                info.SelectItem, info, reactive_);
      break;
    }
    default:
      break;
  }
}

// ---- Lighting thread ----

int CKeyboardDeviceCore::LightingThreshold() const {
  const EffectSchedule schedule = KeyboardEffectSchedule(passInfo_.SelectItem, passInfo_.Speed);
  if (schedule.source == EffectSource::CustomPlayer) return -1;
  return schedule.threshold;
}

void CKeyboardDeviceCore::RunEffectStep(uint64_t nowMs) {
  const AudioLightRecord audio = GetAudioLightInfo();
  KeyboardEffectContext context{frame_, passInfo_, audio, counters_, reactive_, nowMs};
  effects_.RunStep(passInfo_.SelectItem, context);
}

void CKeyboardDeviceCore::RunCustomEffect(uint32_t ticks, uint64_t nowMs) {
  (void)ticks;  // the player times its steps by the clock
  player_.Play(frame_, nowMs);
}

bool CKeyboardDeviceCore::StreamsFrames() const {
  return passInfo_.SelectItem == kMusicEffect || passInfo_.SelectItem == kSoftwareEffect;
}

bool CKeyboardDeviceCore::NeedsEveryPass() const { return overlay_.Animated(); }

void CKeyboardDeviceCore::RunOverlayPass(uint32_t ticks, uint64_t nowMs) {
  (void)ticks;
  overlay_.Apply(frame_, nowMs);
}

void CKeyboardDeviceCore::OnFramePublished(uint64_t nowMs) {
  const int effect = passInfo_.SelectItem;
  if (effect != kMusicEffect && effect != kSoftwareEffect) return;
  if (!IsSoftwareLighting() || !channel_.IsOpen() || nowMs < streamResumeMs_) return;
  std::vector<uint8_t> frame;
  {
    std::lock_guard<std::mutex> lock(layoutLock_);
    if (layout_.keyCount <= 0) return;
    frame = BuildLightFrame(PreviewSnapshot(), layout_, switchMode_.load() == 1);
  }
  if (channel_.StreamLightFrame(frame.data(), static_cast<uint32_t>(frame.size())) ==
      kCommandSuccess) {
    streamedFrames_.fetch_add(1);
    return;
  }
  // Dropped: the next frame waits so a keyboard that does not take frames is
  // not flooded.
  droppedFrames_.fetch_add(1);
  streamResumeMs_ = nowMs + kStreamRetryMs;
}
