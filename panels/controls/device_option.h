#pragma once
// CDeviceOptionUI: a device tab of "device_select_layout". Its sub-controls
// are "device_select" (the tab's option), "synchro_device_select" (taking
// part in synchronised lighting) and "device_select_name" (the name label).
// It carries what the device list needs: the device object, the visibility
// flag, kind and role, the bound tab layout and page, the battery container
// and indicator, a link-failure counter and the four icon images.

#include "panels/toolkit/container.h"

class COptionUI;
class CLabelUI;

class CDeviceOptionUI : public CHorizontalLayoutUI {
 public:
  explicit CDeviceOptionUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"DeviceOption"; }

  void SetDevice(CControlUI* device) { device_ = device; }
  CControlUI* GetDevice() const { return device_; }
  template <class T>
  T* GetDeviceAs() const {
    return dynamic_cast<T*>(device_);
  }

  // Visibility is also recorded as the tab's "device shown" flag.
  void SetVisible(bool visible = true) override;
  bool GetVisibleFlag() const { return visibleFlag_; }

  // Chooses the icon set and name text for a device kind and role:
  // 1 "kb", 2 "ms", 3 with role 0 "hard_mp", 3 with role 1 "soft_mp", 4 or 7
  // "hd", 5 "hub", other kinds "unknow"; kind 3 with another role changes nothing.
  void SetKind(int kind, int role);
  int GetKind() const { return kind_; }
  int GetRole() const { return role_; }
  std::wstring GetIconPrefix() const { return prefix_; }
  std::wstring GetNormalImage() const { return normalImage_; }
  std::wstring GetSelectedImage() const { return selectedImage_; }
  std::wstring GetSynchroNormalImage() const { return synchroNormalImage_; }
  std::wstring GetSynchroSelectedImage() const { return synchroSelectedImage_; }

  // Selects "synchro_device_select" (with notification) and shows the
  // synchronised or plain image pair on "device_select".
  void SetSynchronised(bool on);
  // Shows or hides "synchro_device_select"; the pair follows its state.
  void ShowSynchronise(bool on);
  bool IsSynchronised() const;
  void Select(bool on, bool triggerEvent = true);
  bool IsSelected() const;
  void SetGroup(const std::wstring& group);

  void BindTab(const std::wstring& layout, int index);
  int BoundIndex() const { return boundIndex_; }
  std::wstring BoundLayout() const { return boundLayout_; }
  void SetBattery(const std::wstring& container, int index);
  std::wstring BatteryContainer() const { return batteryContainer_; }
  int BatteryIndex() const { return batteryIndex_; }

  // Link failures, counted up to 19 and back to 0 at 20.
  int LinkFailures() const { return linkFailures_; }
  int CountLinkFailure();
  void ResetLinkFailures() { linkFailures_ = 0; }

  COptionUI* SelectOption() const;
  COptionUI* SynchroOption() const;
  CLabelUI* NameLabel() const;

  bool Activate() override;  // "selectchanged"

 protected:
  void ApplyImagePair();

  CControlUI* device_ = nullptr;
  bool visibleFlag_ = true;
  int kind_ = 0;
  int role_ = 0;
  std::wstring prefix_ = L"unknow";
  std::wstring normalImage_, selectedImage_, synchroNormalImage_, synchroSelectedImage_;
  std::wstring boundLayout_;
  int boundIndex_ = -1;
  std::wstring batteryContainer_;
  int batteryIndex_ = -1;
  int linkFailures_ = 0;
};
