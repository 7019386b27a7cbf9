#pragma once
// CMpDevicePowerUI: the battery indicator of a device, filled from the
// device's 64-byte power block: byte 0 level in percent, byte 1 charge state,
// byte 3 wireless flag, byte 5 (mouse pad) the phone on the charging pad.
// Sub-controls: "device_power_Layout", "device_Power_progress",
// "device_power_value", "device_power_status", "device_wuxian_logo",
// "device_phone_type".

#include <cstddef>
#include <cstdint>

#include "panels/toolkit/container.h"

class CMpDevicePowerUI : public CHorizontalLayoutUI {
 public:
  explicit CMpDevicePowerUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"MpDevicePower"; }

  void SetKind(int kind, int role);
  int GetKind() const { return kind_; }
  int GetRole() const { return role_; }
  void ShowLayout(bool on);
  // Shows a power block; blocks shorter than 64 bytes read as zero-padded.
  void ShowBattery(const std::uint8_t* block, std::size_t length);
  bool Activate() override;  // "selectchanged"

 protected:
  int kind_ = 0;
  int role_ = 0;
};
