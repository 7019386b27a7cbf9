#include "shell/quorvane_keyboard_device.h"

#include <QMetaObject>
#include <QThread>
#include <cwctype>
#include <memory>

#include "devices/device_kind.h"
#include "devices/keyboard_tables.h"
#include "panels/toolkit/button.h"
#include "panels/toolkit/progress.h"
#include "profiles/data_folders.h"

namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

// The key number whose default code is code, -1 when none.
int KeyOfCode(uint8_t type, uint8_t p1, uint8_t p2) {
  for (int key = 0; key < kKeyboardWrittenKeys; ++key) {
    const KeyCode& c = kKeyLayoutTable[static_cast<size_t>(key)];
    if (c[0] == type && c[1] == p1 && c[2] == p2) return key;
  }
  return -1;
}

constexpr int kFnKey = 110;

}  // namespace

CQuorvaneKeyboardDevice::CQuorvaneKeyboardDevice(QWidget* parent)
    : CQuorvaneUSBDevice(std::make_unique<CKeyboardDeviceCore>(), parent) {
  SetKeyCount(kKeyboardKeyNumbers);
  SetLightCount(kKeyboardKeyNumbers);
  // Status blocks are read on the UI thread (the power timer): the battery
  // indicator shows them at once.
  KeyboardCore().SetPowerStatusHandler([this](const PowerStatus& status) {
    if (power_) power_->ShowBattery(status.bytes.data(), status.bytes.size());
  });
}

CQuorvaneKeyboardDevice::~CQuorvaneKeyboardDevice() {
  // The core's threads may still hand calls to this page: they end first.
  core_->StopThreads();
  core_->SetPageSink(nullptr);
  KeyboardCore().SetPowerStatusHandler({});
  if (registered_ && GetManager()) GetManager()->RemoveNotifier(this);
}

void CQuorvaneKeyboardDevice::InitPage() {
  if (!registered_ && GetManager()) registered_ = GetManager()->AddNotifier(this);
  BindKeyboardControls();
}

void CQuorvaneKeyboardDevice::BindKeyboardControls() {
  if (core_->DisplayName().empty()) {
    SetKeyCount(0);
    SetLightCount(0);
    return;
  }
  SetKeyCount(kKeyboardKeyNumbers);
  SetLightCount(kKeyboardKeyNumbers);
  selectPanel_ = nullptr;
  BindButtonsOf(dynamic_cast<CContainerUI*>(FindSubControl(L"keyboard_device_key_light")));
  keyNames_.assign(static_cast<size_t>(kKeyboardKeyNumbers), std::wstring());
  for (int key = 0; key < KeyCount(); ++key)
    if (CDeviceKeyButtonUI* button = KeyButton(key))
      keyNames_[static_cast<size_t>(key)] = button->GetText();

  // The profile bar: its list of this kind's profiles, the first operation
  // tab, and the object bound to the profile it has selected.
  profileBar_ = dynamic_cast<CDeviceProfileUI*>(FindSubControl(L"DeviceProfileItem"));
  if (profileBar_) {
    profileBar_->SetDeviceType(core_->GetDeviceKind());
    profileBar_->SetFolders(core_->GetUserDeviceFolder(), core_->GetDefaultProfilePath());
    profileBar_->InitProfiles();
    profileBar_->SelectOperationTab(1);
    KeyboardCore().SetProfileUuid(profileBar_->GetCurrentUUID());
  }
  KeyboardCore().RefreshNameLists();
}

void CQuorvaneKeyboardDevice::SetFunctionSwitchMode(int mode) {
  CQuorvaneUSBDevice::SetFunctionSwitchMode(mode);
  ApplyStateToPage();
}

int CQuorvaneKeyboardDevice::ApplyProfile(const std::string& uuid) {
  const std::string id =
      !uuid.empty() ? uuid : (profileBar_ ? profileBar_->GetCurrentUUID() : std::string());
  const int result = KeyboardCore().ApplyProfile(id);
  ApplyStateToPage();
  return result;
}

int CQuorvaneKeyboardDevice::SwitchToProfile(const std::string& uuid) {
  if (!KeyboardCore().Channel().IsOpen()) return CQuorvaneUSBDevice::SwitchToProfile(uuid);
  return ApplyProfile(uuid);
}

// ---- Showing the state ----

std::wstring CQuorvaneKeyboardDevice::KeyName(int key) const {
  if (key < 0 || static_cast<size_t>(key) >= keyNames_.size()) return {};
  return keyNames_[static_cast<size_t>(key)];
}

std::wstring CQuorvaneKeyboardDevice::LabelOfCode(const AssignmentCode& code) const {
  const uint8_t p1 = code.p1;
  const uint8_t p2 = code.p2;
  switch (code.type) {
    case 0x00:
    case 0x20: {
      // 20.00.00 is "no key" (the layout table's spare numbers carry it).
      if (p1 == 0 && p2 == 0) return L"close_text";
      const int key = KeyOfCode(0x20, p1, p2);
      if (key >= 0) return KeyName(key);
      std::wstring label;
      for (int bit = 0; bit < 8; ++bit) {
        if ((p1 & (1 << bit)) == 0) continue;
        const int modifier = KeyOfCode(0x20, static_cast<uint8_t>(1 << bit), 0);
        if (modifier < 0) continue;
        if (!label.empty()) label += L"+";
        label += KeyName(modifier);
      }
      const int usage = p2 != 0 ? KeyOfCode(0x20, 0, p2) : -1;
      if (usage >= 0) label += (label.empty() ? L"" : L"+") + KeyName(usage);
      return label;
    }
    case 0x10:
      switch (p1) {
        case 0x01:
          return L"mouse_key_left";
        case 0x04:
          return L"mouse_key_middle";
        case 0x02:
          return L"mouse_key_right";
        case 0x10:
          return L"mouse_key_forward";
        case 0x08:
          return L"mouse_key_back";
        default:
          return {};
      }
    case 0x11:
      return (p2 & 0x80) ? L"mouse_key_right_Swing" : L"mouse_key_left_Swing";
    case 0x12:
      return (p2 & 0x80) ? L"mouse_key_down_Swing" : L"mouse_key_up_Swing";
    case 0x13:
      return p1 == 1   ? L"mouse_key_DPI_add"
             : p1 == 2 ? L"mouse_key_DPI_sub"
             : p1 == 3 ? L"mouse_key_DPI_loop"
                       : L"";
    case 0x14:
      return L"mouse_key_fire_key";
    case 0x16:
      return L"mouse_key_DPI_shift";
    case 0x23:
      return p1 == 0 && p2 == 0 ? L"show_window" : L"";
    case 0x40:
      return p1 == 1   ? L"system_power"
             : p1 == 2 ? L"system_sleep"
             : p1 == 4 ? L"system_wake_up"
                       : L"";
    case 0x70:
    case 0x71: {
      const auto& names = KeyboardCore().MacroNames();
      return p1 < names.size() ? names[p1] : L"";
    }
    case 0xA0:
    case 0xD0: {
      if (code.type == 0xA0 && p1 == 2) return L"mouse_key_smart_key";
      if (code.type == 0xA0 && p1 == 0) return L"close_text";
      const int key = KeyOfCode(code.type, p1, p2);
      return key >= 0 ? KeyName(key) : L"";
    }
    case 0x15:
    case 0x21:
    case 0x22:  // shortcut and media names come with the key panel's tables
    case 0x30:
    case 0x50:
    case 0x60:
    case 0xB0:
    case 0xC0:
      return {};
    default:
      return L"关闭";
  }
}

void CQuorvaneKeyboardDevice::SetKeyLabel(int key, const std::wstring& label) {
  CDeviceKeyButtonUI* button = KeyButton(key);
  if (!button) return;
  const std::wstring name = KeyName(key);
  button->SetText(label);
  button->SetToolTip(name + L"\n" + label);
  const bool own = EqualNoCase(label, name);
  button->ShowKeyUnset(own);
  button->ShowKeySet(!own);
}

void CQuorvaneKeyboardDevice::RefreshKeyLabels() {
  const std::vector<KeyAssignmentRecord> keys = KeyboardCore().GetKeyAssignments();
  const bool fn = KeyboardCore().IsFnLayerShown();
  for (size_t i = 0; i < keys.size(); ++i) {
    const AssignmentCode& code = fn ? keys[i].Fn.code : keys[i].Normal.code;
    const std::wstring label = LabelOfCode(code);
    if (!label.empty()) SetKeyLabel(static_cast<int>(i), label);
  }
}

void CQuorvaneKeyboardDevice::SetOption(const std::wstring& name, bool selected) {
  if (auto* option = dynamic_cast<COptionUI*>(FindSubControl(name)))
    option->Selected(selected, false);
}

void CQuorvaneKeyboardDevice::SelectOneOf(const std::wstring& prefix, int count, int value) {
  if (value < 0 || value >= count) value = 0;
  for (int i = 0; i < count; ++i) SetOption(prefix + std::to_wstring(i), i == value);
}

void CQuorvaneKeyboardDevice::ApplyStateToPage() {
  CKeyboardDeviceCore& core = KeyboardCore();
  core.RefreshNameLists();
  RefreshKeyLabels();
  // System options, where the page has them.
  const KbSystemStages stages = core.GetSystemStages();
  SetOption(L"winlockflag_option", stages.WinFlag != 0);
  SetOption(L"wflag_option", stages.WFlag != 0);
  SetOption(L"6flag_option", stages.Key6Flag != 0);
  if (auto* slider = dynamic_cast<CSliderUI*>(FindSubControl(L"repeat_rate_slider")))
    slider->SetValue(stages.Repeat);
  SelectOneOf(L"repeat_delay_check_", 4, stages.RepeatDelay);
  if (CControlUI* label = FindSubControl(L"repeat_delay_time_label1")) {
    const int delay = stages.RepeatDelay < 4 ? stages.RepeatDelay : 0;
    label->SetText(std::to_wstring(delay * 250 + 250) + L"ms");
  }
  SelectOneOf(L"polling_rate_option_", 4, stages.PollingRate);
  SetOption(L"key_uitra_low_latency", stages.Kyelatency != 0);

  // Keys: in mode 2 the Fn layer disables the keys the keyboard keeps for
  // itself, the main layer only the Fn key.
  const int mode = core.GetFunctionSwitchMode();
  const bool fn = core.IsFnLayerShown();
  std::vector<bool> disabled(static_cast<size_t>(KeyCount()), false);
  if (mode == 2 && fn) {
    for (const KeyCode& code : kFnModeDisabledCodes) {
      const int key = KeyOfCode(code[0], code[1], code[2]);
      if (key >= 0 && key < KeyCount()) disabled[static_cast<size_t>(key)] = true;
    }
  } else if (mode == 2 && kFnKey < KeyCount()) {
    disabled[kFnKey] = true;
  }
  for (int key = 0; key < KeyCount(); ++key)
    if (CDeviceKeyButtonUI* button = KeyButton(key))
      button->SetEnabled(!disabled[static_cast<size_t>(key)]);
}

// ---- From the core's threads ----

void CQuorvaneKeyboardDevice::ShowDeviceState() {
  if (QThread::currentThread() == thread()) {
    ApplyStateToPage();
    return;
  }
  QMetaObject::invokeMethod(
      this, [this] { ApplyStateToPage(); }, Qt::QueuedConnection);
}

void CQuorvaneKeyboardDevice::OnDeviceProfileChanged(int activeProfile) {
  // Queued to this page's thread; dropped with the page if it goes first.
  QMetaObject::invokeMethod(
      this, [this, activeProfile] { FollowDeviceProfile(activeProfile); }, Qt::QueuedConnection);
}

void CQuorvaneKeyboardDevice::FollowDeviceProfile(int activeProfile) {
  if (profileBar_ && activeProfile >= 0 && activeProfile < profileBar_->GetProfileCount() &&
      activeProfile != profileBar_->GetSelectedIndex() &&
      profileBar_->SelectProfile(activeProfile, false)) {
    KeyboardCore().SetProfileUuid(profileBar_->GetCurrentUUID());
    KeyboardCore().LoadProfile();
  }
  ApplyStateToPage();
}

void CQuorvaneKeyboardDevice::ReloadProfileList() {
  if (!profileBar_) return;
  profileBar_->InitProfiles();
  KeyboardCore().SetProfileUuid(profileBar_->GetCurrentUUID());
}
