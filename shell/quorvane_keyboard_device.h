#pragma once
// CQuorvaneKeyboardDevice: a keyboard's page (toolkit class
// "QuorvaneKeyboardDevice", built from XML/DeviceXml/keyboarddevice.xml). It
// owns a CKeyboardDeviceCore, binds the key buttons of the keyboard picture
// "keyboard_device_key_light" and the profile bar "DeviceProfileItem", and
// shows the core's state: key labels and tool tips, the system options, the
// enabled keys of the function-switch modes. It follows the keyboard's own
// profile switches and re-shows the state the core asks for, carrying both
// from the listener threads over to the UI thread.

#include <QPointer>
#include <string>
#include <vector>

#include "devices/keyboard_device_core.h"
#include "panels/device_profile.h"
#include "panels/toolkit/paint_manager.h"
#include "shell/quorvane_usb_device.h"

class CQuorvaneKeyboardDevice : public CQuorvaneUSBDevice, public INotifyUI {
 public:
  explicit CQuorvaneKeyboardDevice(QWidget* parent = nullptr);
  ~CQuorvaneKeyboardDevice() override;
  std::wstring GetClass() const override { return L"QuorvaneKeyboardDevice"; }

  CKeyboardDeviceCore& KeyboardCore() { return static_cast<CKeyboardDeviceCore&>(*core_); }
  const CKeyboardDeviceCore& KeyboardCore() const {
    return static_cast<const CKeyboardDeviceCore&>(*core_);
  }

  // Registers the page with its paint manager as notifier, then binds it.
  void InitPage() override;
  void SetFunctionSwitchMode(int mode) override;
  // INotifyUI: the page's own notifications go through its notify pump.
  void Notify(TNotifyUI& msg) override { NotifyPump(msg); }

  // The profile switch the main window asks for: the profile bar's current
  // profile (or uuid) loaded and written to the keyboard; see
  // CKeyboardDeviceCore::ApplyProfile for the result. The page shows it.
  int ApplyProfile(const std::string& uuid);
  // The main window's profile switch: load and write, as ApplyProfile. With
  // no keyboard connected there is nothing to write: the profile is loaded
  // and shown, as on any page.
  int SwitchToProfile(const std::string& uuid) override;

  // Shows every page control from the core's state (the core's
  // ApplyStateToPage arrives here).
  void ApplyStateToPage();
  // Every key button's label from the key assignment list (the layer on show).
  void RefreshKeyLabels();
  // The key's button gets its name as tool-tip title, name and label as
  // tool-tip text, and its own-function mark when the label is its name.
  void SetKeyLabel(int key, const std::wstring& label);
  // The name of a key: the text its button has in the skin.
  std::wstring KeyName(int key) const;
  // The label a key code shows (empty: the button keeps its label).
  std::wstring LabelOfCode(const AssignmentCode& code) const;
  CDeviceProfileUI* ProfileBar() const { return profileBar_; }

  // IDevicePageSink (from any thread).
  void OnDeviceProfileChanged(int activeProfile) override;
  void ShowDeviceState() override;
  void ReloadProfileList() override;

 protected:
  void BindKeyboardControls();

 private:
  void FollowDeviceProfile(int activeProfile);
  void SetOption(const std::wstring& name, bool selected);
  void SelectOneOf(const std::wstring& prefix, int count, int value);

  QPointer<CDeviceProfileUI> profileBar_;
  std::vector<std::wstring> keyNames_;  // the skin's key cap texts, by key number
  bool registered_ = false;
};
