#include "shell/quorvane_usb_device.h"

#include <QMetaObject>
#include <QRegion>
#include <cwctype>

#include "devices/device_kind.h"
#include "panels/controls/device_key_button.h"
#include "panels/controls/device_option.h"
#include "panels/controls/device_power.h"

namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

}  // namespace

bool SplitNumberedName(const std::wstring& text, std::wstring* prefix, int* number) {
  const size_t underscore = text.rfind(L'_');
  if (underscore == std::wstring::npos) return false;
  const std::wstring digits = text.substr(underscore + 1);
  if (digits.empty() || digits.size() > 9) return false;
  int value = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + (c - L'0');
  }
  *prefix = text.substr(0, underscore + 1);
  *number = value;
  return true;
}

CQuorvaneUSBDevice::CQuorvaneUSBDevice(std::unique_ptr<CUsbDeviceCore> core, QWidget* parent)
    : CHorizontalLayoutUI(parent),
      core_(core ? std::move(core) : std::make_unique<CUsbDeviceCore>()) {
  core_->SetPageSink(this);
}

CQuorvaneUSBDevice::~CQuorvaneUSBDevice() {
  // The threads go first: nothing they use may be freed while they run, and
  // none may call the sink of a page that is going away.
  core_->StopThreads();
  core_->SetPageSink(nullptr);
}

void CQuorvaneUSBDevice::InitPage() { BindPageControls(); }

int CQuorvaneUSBDevice::SwitchToProfile(const std::string& uuid) {
  core_->SetProfileStem(uuid);
  core_->BindProfilePaths();
  const int loaded = core_->LoadProfile();
  if (loaded != 0) return loaded;
  core_->ApplyStateToPage();
  return 0;
}

void CQuorvaneUSBDevice::SetKeyCount(int count) {
  core_->SetKeyCount(count);
  keyButtons_.assign(static_cast<size_t>(core_->KeyCount()), nullptr);
}

void CQuorvaneUSBDevice::SetLightCount(int count) {
  core_->SetLightCount(count);
  lightButtons_.assign(static_cast<size_t>(core_->LightCount()), nullptr);
}

CDeviceKeyButtonUI* CQuorvaneUSBDevice::KeyButton(int key) const {
  if (key < 0 || key >= KeyCount()) return nullptr;
  return keyButtons_[static_cast<size_t>(key)];
}

CDeviceKeyButtonUI* CQuorvaneUSBDevice::LightButton(int light) const {
  if (light < 0 || light >= LightCount()) return nullptr;
  return lightButtons_[static_cast<size_t>(light)];
}

void CQuorvaneUSBDevice::BindPageControls() {
  if (core_->DisplayName().empty()) {
    SetKeyCount(0);
    SetLightCount(0);
    return;
  }
  for (auto& button : keyButtons_) button = nullptr;
  for (auto& button : lightButtons_) button = nullptr;
  selectPanel_ = nullptr;
  auto* panel = [this]() -> CContainerUI* {
    for (int i = 0; i < GetCount(); ++i) {
      CControlUI* child = GetItemAt(i);
      if (child && child->GetClass() == L"SelectPanel") return dynamic_cast<CContainerUI*>(child);
    }
    return nullptr;
  }();
  BindButtonsOf(panel);
}

void CQuorvaneUSBDevice::BindButtonsOf(CContainerUI* panel) {
  if (!panel) return;
  if (!selectPanel_) selectPanel_ = panel;
  for (int i = 0; i < panel->GetCount(); ++i) {
    CControlUI* child = panel->GetItemAt(i);
    if (!child || child->GetClass() != L"DeviceKeyButton") continue;
    auto* button = dynamic_cast<CDeviceKeyButtonUI*>(child);
    if (!button) continue;
    std::wstring prefix;
    int number = 0;
    if (SplitNumberedName(button->GetName(), &prefix, &number) && EqualNoCase(prefix, L"key_") &&
        number < KeyCount())
      keyButtons_[static_cast<size_t>(number)] = button;
    if (SplitNumberedName(button->GetUserData(), &prefix, &number) && prefix == L"light_" &&
        number < LightCount()) {
      lightButtons_[static_cast<size_t>(number)] = button;
      button->SetLightColor(0xFFFFFF);
      button->SetLightBrightness(255);
      button->SetLight(true);
    }
  }
}

void CQuorvaneUSBDevice::PushLightFrame() {
  if (core_->IsSoftwareLighting()) {
    const PreviewFrame frame = core_->PreviewSnapshot();
    const size_t count = std::min(frame.size(), lightButtons_.size());
    // The caps whose colour or brightness changed are repainted together,
    // with one update of the picture they lie on: a few caps as their own
    // rects, many (an animated effect) as the span they cover, so that the
    // window flushes one rect rather than one per cap.
    QWidget* picture = nullptr;
    QRegion changed;
    for (size_t i = 0; i < count; ++i) {
      CDeviceKeyButtonUI* button = lightButtons_[i];
      if (!button || !button->IsVisible()) continue;
      const PreviewColour& c = frame[i];
      // The button packs red | blue << 8 | green << 16.
      if (!button->SetLightState(uint32_t{c.red} | uint32_t{c.blue} << 8 | uint32_t{c.green} << 16,
                                 c.brightness))
        continue;
      QWidget* parent = button->parentWidget();
      if (picture == nullptr) picture = parent;
      if (parent != nullptr && parent == picture)
        changed |= button->geometry();
      else
        button->update();
    }
    constexpr int kMostSeparateRects = 8;
    if (picture != nullptr && !changed.isEmpty()) {
      if (changed.rectCount() <= kMostSeparateRects)
        picture->update(changed);
      else
        picture->update(changed.boundingRect());
    }
  }
  core_->PushLightFrame();
}

void CQuorvaneUSBDevice::SetFunctionSwitchMode(int mode) {
  core_->SetFunctionSwitchMode(mode);
  if (!switchesLooked_) {
    functionSwitch_ = dynamic_cast<CTabLayoutUI*>(FindSubControl(L"device_function_switch"));
    keyFunctionSwitch_ = dynamic_cast<CTabLayoutUI*>(FindSubControl(L"device_key_function_switch"));
    switchesLooked_ = functionSwitch_ || keyFunctionSwitch_;
  }
  auto show = [](CTabLayoutUI* tab, int page) {
    if (tab) tab->SelectItem(page);
  };
  const int kind = core_->GetDeviceKind();
  if (mode == 4 && kind != kKindKeyboard && kind != kKindMouse) mode = 7;
  switch (mode) {
    case 2:
    case 6:
      show(functionSwitch_, 0);
      show(keyFunctionSwitch_, 1);
      break;
    case 3:
    case 8:
      show(functionSwitch_, 1);
      break;
    case 4:
      show(functionSwitch_, 3);
      break;
    case 7:
      show(functionSwitch_, 0);
      show(keyFunctionSwitch_, 2);
      break;
    case 5:
      show(functionSwitch_, 2);
      break;
    default:
      show(functionSwitch_, 0);
      show(keyFunctionSwitch_, 0);
      break;
  }
}

void CQuorvaneUSBDevice::SetPowerControl(CMpDevicePowerUI* power) {
  power_ = power;
  if (power_) power_->ShowLayout(core_->IsBatteryPresent());
}

void CQuorvaneUSBDevice::SetBatteryPresent(bool present) {
  core_->SetBatteryPresent(present);
  if (power_) power_->ShowLayout(present);
}

void CQuorvaneUSBDevice::ArmTabTimer(int id, int ms) {
  // Queued to this page's thread; a call still queued when the page goes is
  // dropped with it.
  QMetaObject::invokeMethod(
      this,
      [this, id, ms] {
        if (tab_) tab_->SetTimer(static_cast<UINT>(id), static_cast<UINT>(ms));
      },
      Qt::QueuedConnection);
}
