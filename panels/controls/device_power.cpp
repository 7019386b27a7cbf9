#include "panels/controls/device_power.h"

#include <array>
#include <cstring>

#include "panels/toolkit/progress.h"

CMpDevicePowerUI::CMpDevicePowerUI(QWidget* parent) : CHorizontalLayoutUI(parent) {}

void CMpDevicePowerUI::SetKind(int kind, int role) {
  kind_ = kind;
  role_ = role;
}

void CMpDevicePowerUI::ShowLayout(bool on) {
  if (CControlUI* layout = FindSubControl(L"device_power_Layout")) layout->SetVisible(on);
}

void CMpDevicePowerUI::ShowBattery(const std::uint8_t* block, std::size_t length) {
  std::array<std::uint8_t, 64> b{};
  if (block) std::memcpy(b.data(), block, std::min<std::size_t>(length, b.size()));
  const int level = b[0];
  const bool wireless = b[3] != 0;

  auto* progress = dynamic_cast<CProgressUI*>(FindSubControl(L"device_Power_progress"));
  if (progress) progress->SetValue(100 - level);
  if (CControlUI* value = FindSubControl(L"device_power_value")) {
    value->SetText(std::to_wstring(level) + L"%");
  }
  if (kind_ == 1 || kind_ == 2) {
    if (CControlUI* logo = FindSubControl(L"device_wuxian_logo")) logo->SetVisible(wireless);
  }
  CControlUI* status = FindSubControl(L"device_power_status");
  auto show = [&](bool progressShown, const wchar_t* image) {
    if (progress) progress->SetVisible(progressShown);
    if (status) status->SetBkImage(image);
  };
  switch (b[1]) {
    case 0:
      show(true, L"file='power/powered.png'");
      break;
    case 1:
      if (wireless) {
        show(false, L"file='power/wuxian_powering.png'");
      } else {
        show(true, L"file='power/powering.png'");
      }
      break;
    case 2:
      show(true, L"file='power/power.png'");
      break;
    default:
      break;
  }
  if (kind_ == 3) {
    static const wchar_t* const kPhones[] = {L"Phone_type_no_device", L"Phone_type_iphone",
                                             L"Phone_type_samsung", L"Phone_type_other"};
    const std::wstring id = kPhones[b[5] <= 3 ? b[5] : 0];
    if (CControlUI* phone = FindSubControl(L"device_phone_type")) {
      phone->SetText(id);
      phone->SetBkImage(L"file='power/" + id + L".png'");
    }
  }
}

bool CMpDevicePowerUI::Activate() {
  if (!CControlUI::Activate()) return false;
  RaiseNotify(L"selectchanged");
  return true;
}
