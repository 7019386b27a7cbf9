#pragma once
// CDeviceList: the device tabs of the main window and the device pages
// behind them. It builds a device's three pieces (battery indicator, tab,
// page), keeps the list consistent (which tabs are visible, which one is
// current, the no-device notice), carries out the arrival, removal and
// switch decisions of the connection table on the devices' channels, and
// runs each device's start-up and frame timers on its tab.
//
// Everything here runs on the UI thread. The connection table is read only
// inside a discovery hand-over (the discovery thread waits meanwhile) or
// after discovery stopped.

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/connection_table.h"

class CControlUI;
class CPaintManagerUI;
class IDialogBuilderCallback;
class CDeviceOptionUI;
class CQuorvaneUSBDevice;
class QWidget;

// What ListDevices reports of one device page.
struct DeviceSummary {
  int kind = 0;            // 1 keyboard, 2 mouse, 3 mouse pad, 7 headset
  std::string connection;  // "wired" or "receiver"
  bool visible = false;    // the tab is shown
};

class CDeviceList {
 public:
  // The preview's repaint period while the page is seen (30 a second is
  // smooth to the eye); through the receiver the frame period of 50 ms.
  static constexpr int kRepaintPeriodMs = 33;
  static constexpr int kReceiverRepaintPeriodMs = 50;

  // What the list asks of the main window.
  struct Hooks {
    std::function<void()> closeChildWindows;
    // The edit state is idle: a hidden current tab then also ends key capture
    // and macro recording and locks the device list.
    std::function<bool()> editIdle;
    std::function<void()> endEditing;
    std::function<void()> bringToFront;
  };

  // pm: the main window's paint manager (its tree holds "device_select_layout",
  // "device_switch", "device_power_switch" and "No_device_Link"); callback:
  // the window's builder callback; window: the main window (may be null).
  CDeviceList(CPaintManagerUI& pm, IDialogBuilderCallback* callback, QWidget* window);
  ~CDeviceList();
  CDeviceList(const CDeviceList&) = delete;
  CDeviceList& operator=(const CDeviceList&) = delete;

  void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
  CConnectionTable& Table() { return table_; }
  // Frame timings for tests: the link query's retries after a switch to the
  // receiver (26 tries, 50 ms apart).
  void SetLinkRetry(int tries, int pauseMs) {
    linkTries_ = tries;
    linkPauseMs_ = pauseMs;
  }

  // Builds the page of the connection-table row's device (kind 6 and 9 rows
  // through their wired partner); false when the type is unknown or a layout
  // yields nothing.
  bool CreateDevicePage(int row, int role);

  void ShowDeviceTab(int index, bool visible, bool makeCurrent);
  void HideDeviceTab(int index);
  void OnDeviceTabSelected();
  void PreviousDevice();
  void NextDevice();
  // Visible tabs; first: the first visible index (-1 none).
  int VisibleCount(int* first = nullptr) const;
  // Message 3331 (a queued call): 0 hides the tab, 1 shows it, current only
  // when no tab was visible.
  void PostShowTab(int index, bool show);
  void OnShowTabMessage(int index, bool show);
  // Shows the no-device notice and pages 0 when no tab is visible.
  void UpdateNotice();

  // The discovery hand-overs.
  void AttachInterface(int index);
  void DetachInterface(int index);
  void SwitchConnection(int index);

  int TabCount() const;
  CDeviceOptionUI* Tab(int index) const;
  CQuorvaneUSBDevice* Device(int index) const;
  int CurrentIndex() const { return current_; }
  CQuorvaneUSBDevice* CurrentDevice() const { return Device(current_); }
  // The device whose identity is the row (or its partner); null if none.
  CQuorvaneUSBDevice* DeviceOfRow(int row, int* tabIndex = nullptr) const;
  std::vector<DeviceSummary> Summaries() const;
  // Every device page, in tab order.
  std::vector<CQuorvaneUSBDevice*> Devices() const;

  // The timers of a device's tab (killed before handling).
  void OnTabTimer(CDeviceOptionUI* tab, int id);
  // Whether the page can be seen: the window is shown and not minimised and
  // the device's tab is the current one.
  bool PageRepaintAllowed(CQuorvaneUSBDevice* device) const;
  // Tells every device's core whether its preview is seen, and runs the frame
  // timer (the repaint) of the page that is seen; the others' timers stop.
  // Called when the current tab, a tab's visibility or the window's state
  // changes.
  void UpdatePreviewVisibility();

 private:
  CControlUI* Find(const wchar_t* name) const;
  int IndexOfTab(const CDeviceOptionUI* tab) const;
  void OpenChannel(CQuorvaneUSBDevice* device, const ArrivalPlan& plan, const std::string& path);
  void TryWirelessLink(CQuorvaneUSBDevice* device, int triesLeft);
  void FinishReceiverSwitch(CQuorvaneUSBDevice* device);

  CPaintManagerUI& pm_;
  IDialogBuilderCallback* callback_ = nullptr;
  QWidget* window_ = nullptr;
  Hooks hooks_;
  CConnectionTable table_;
  QObject context_;                       // queued calls die with the list
  std::unique_ptr<QObject> windowWatch_;  // the window's show, hide and minimise
  int current_ = -1;
  int linkTries_ = 26;
  int linkPauseMs_ = 50;
};
