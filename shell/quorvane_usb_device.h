#pragma once
// CQuorvaneUSBDevice: a connected device's page in the main window. It is a
// horizontal layout whose children come from the device kind's page file and
// a notify pump for the page's notifications, and it owns the device's core
// (devices/usb_device_core.h), which talks to the device and computes the
// lighting preview on its own threads. The page binds the key and light
// buttons of its "SelectPanel", shows the preview on them when the device
// tab's frame timer calls PushLightFrame, drives the function-switch pages
// and carries the core's requests (tab timers) over to the UI thread.
//
// The device classes derive from it (and their cores from CUsbDeviceCore).
// Everything here runs on the UI thread except ArmTabTimer.

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "devices/device_page_sink.h"
#include "devices/usb_device_core.h"
#include "panels/controls/device_key_button.h"
#include "panels/controls/device_option.h"
#include "panels/controls/device_power.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/notify_pump.h"

// Splits text at its last underscore into the prefix (up to and including
// the underscore) and the decimal number after it. False when there is no
// underscore or no plain decimal number after it.
bool SplitNumberedName(const std::wstring& text, std::wstring* prefix, int* number);

class CQuorvaneUSBDevice : public CHorizontalLayoutUI, public CNotifyPump, public IDevicePageSink {
 public:
  // core: the device side (a plain CUsbDeviceCore when null).
  explicit CQuorvaneUSBDevice(std::unique_ptr<CUsbDeviceCore> core = nullptr,
                              QWidget* parent = nullptr);
  // Stops the core's threads before anything is freed.
  ~CQuorvaneUSBDevice() override;
  std::wstring GetClass() const override { return L"QuorvaneUSBDevice"; }

  CUsbDeviceCore& Core() { return *core_; }
  const CUsbDeviceCore& Core() const { return *core_; }

  // Binds the page buttons; the device classes first register the page with
  // the paint manager as a notifier, then call BindPageControls.
  virtual void InitPage();
  // Shows the preview on the visible bound light buttons (nothing while
  // software lighting is off), repainting only the buttons whose colour or
  // brightness changed, then lets the core send the frame to the device.
  virtual void PushLightFrame();
  // Stores the mode and shows the matching pages of "device_function_switch"
  // and "device_key_function_switch".
  virtual void SetFunctionSwitchMode(int mode);
  int GetFunctionSwitchMode() const { return core_->GetFunctionSwitchMode(); }

  // Makes profile `uuid` the device's profile, reloads it into the device's
  // state and writes it to the device. Returns the write's result: 0 done,
  // -1 the device did not take it, another number a result code of the
  // device's class. Base: names the profile and loads it (the device classes
  // add their writes).
  virtual int SwitchToProfile(const std::string& uuid);

  // Resizes the button lists (and the core's counts; the light count also
  // clears the preview and the overlays).
  void SetKeyCount(int count);
  void SetLightCount(int count);
  int KeyCount() const { return static_cast<int>(keyButtons_.size()); }
  int LightCount() const { return static_cast<int>(lightButtons_.size()); }
  // Bound buttons (null when none is bound at that number).
  CDeviceKeyButtonUI* KeyButton(int key) const;
  CDeviceKeyButtonUI* LightButton(int light) const;
  CControlUI* SelectPanel() const { return selectPanel_; }

  // Set by the device list once the device's start-up is done and its frames
  // may be shown; cleared when its channel closes.
  void SetFramesStarted(bool started) { framesStarted_ = started; }
  bool FramesStarted() const { return framesStarted_; }

  void SetDeviceTab(CDeviceOptionUI* tab) { tab_ = tab; }
  CDeviceOptionUI* GetDeviceTab() const { return tab_; }
  // Setting the control also passes it whether a battery is present.
  void SetPowerControl(CMpDevicePowerUI* power);
  CMpDevicePowerUI* GetPowerControl() const { return power_; }
  void SetBatteryPresent(bool present);
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  QWidget* MainWindow() const { return mainWindow_; }

  // IDevicePageSink: from any thread; the timer is set on the UI thread.
  void ArmTabTimer(int id, int ms) override;

 protected:
  void BindPageControls();
  // Binds the "DeviceKeyButton" children of panel ("key_" in the name,
  // "light_" in the user data; a bound light starts white, brightness 255,
  // on) and makes it the select panel when none is set yet.
  void BindButtonsOf(CContainerUI* panel);

  std::unique_ptr<CUsbDeviceCore> core_;
  std::vector<QPointer<CDeviceKeyButtonUI>> keyButtons_;
  std::vector<QPointer<CDeviceKeyButtonUI>> lightButtons_;
  QPointer<CControlUI> selectPanel_;
  QPointer<CDeviceOptionUI> tab_;
  QPointer<CMpDevicePowerUI> power_;
  QPointer<QWidget> mainWindow_;
  QPointer<CTabLayoutUI> functionSwitch_;
  QPointer<CTabLayoutUI> keyFunctionSwitch_;
  bool switchesLooked_ = false;
  bool framesStarted_ = false;
};
