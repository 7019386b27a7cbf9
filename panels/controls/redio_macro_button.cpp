#include "panels/controls/redio_macro_button.h"

CRedioMacroButtonUI::CRedioMacroButtonUI(QWidget* parent) : CButtonUI(parent) {}

void CRedioMacroButtonUI::SetPulsing(bool on) {
  pulsing_ = on;
  if (on) {
    SetTimer(kPulseTimer, 50);
  } else {
    KillTimer(kPulseTimer);
  }
}

void CRedioMacroButtonUI::DoTimer(UINT id) {
  if (id != kPulseTimer) {
    CButtonUI::DoTimer(id);
    return;
  }
  fade_ += step_;
  if (fade_ >= 255) {
    fade_ = 255;
    step_ = -20;
  } else if (fade_ <= 80) {
    fade_ = 80;
    step_ = 20;
  }
  SetForeImage(L"res='" + redioImage_ + L"' " + L"fade='" + std::to_wstring(fade_) + L"'");
  if (pulsing_) SetTimer(kPulseTimer, 50);
}

void CRedioMacroButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (EqualsNoCase(name, L"redioimage")) redioImage_ = value;
  CButtonUI::SetAttribute(name, value);
}
