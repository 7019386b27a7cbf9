#pragma once
// CRedioMacroButtonUI: the macro record button. While pulsing, timer 100
// runs every 50 ms and each tick moves the fade of "redioimage" (shown as the
// fore image) by 20 between 80 and 255, turning round at the ends.

#include "panels/toolkit/button.h"

class CRedioMacroButtonUI : public CButtonUI {
 public:
  static constexpr UINT kPulseTimer = 100;
  explicit CRedioMacroButtonUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"RedioMacroButton"; }

  void SetPulsing(bool on);
  bool IsPulsing() const { return pulsing_; }
  int GetFade() const { return fade_; }
  void DoTimer(UINT id) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  std::wstring redioImage_;
  bool pulsing_ = false;
  int fade_ = 255;
  int step_ = -20;
};
