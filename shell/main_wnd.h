#pragma once
// CMainWnd: the program's main window and the hub of its events. It is built
// from the skin resource "XML_MAIN", receives every notification of that
// skin and every menu command, the messages of other programs (through the
// program bus), the private messages of its own threads, suspend and resume,
// and routes each to the part that deals with it. It owns the worker slots,
// the queue of calls workers make to the UI thread, the tray icon and its menu.

#include <QPointer>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devices/discovery_sink.h"
#include "devices/discovery_thread.h"
#include "devices/sync_lighting.h"
#include "panels/toolkit/menu.h"
#include "panels/toolkit/notify_pump.h"
#include "panels/toolkit/tray_icon.h"
#include "panels/toolkit/window_impl.h"
#include "platform/qt/program_bus.h"
#include "shell/device_list.h"
#include "shell/notify_routes.h"
#include "shell/ui_call_queue.h"
#include "shell/ui_wake.h"
#include "shell/worker_slots.h"

class QScreen;
class CDeviceProfileUI;
class CControlUI;

// Private window messages (numbers as the program's threads and windows use them).
enum PrivateMessage : unsigned {
  WM_TRAY_ICON = 1025,
  WM_HOOK_CONTROL = 1054,
  WM_MENU_COMMAND = 1145,
  WM_SHOW_SETTING_PROGRESS = 3072,
  WM_LANGUAGE_CHANGED = 3089,
  WM_DEVICE_ARRIVED = 3090,
  WM_DEVICE_REMOVED = 3091,
  WM_OPEN_SETTINGS = 3093,
  WM_CLEAR_UPDATE_MARK = 3094,
  WM_SHOW_DEVICE_TAB = 3331,
};

// Window timers.
enum MainWndTimer : int {
  kTimerWindowInit = 1011,
  kTimerTrayMenu = 1032,
  kTimerProfileSwitch = 1055,
  kTimerGameLighting = 1066,
};

// The tray icon's id and tooltip.
inline constexpr UINT kTrayIconId = 107;
inline constexpr wchar_t kTrayToolTip[] = L"Brivo75";

// One row of the service tool's answer: a device type of the catalogue.
struct WorkToolDevice {
  std::uint32_t vendorId = 0;
  std::uint32_t productId = 0;
  std::uint32_t kind = 0;
};
// The 1024-byte answer block: 2, 3, 0, 2, the number of device types, then
// vendor id, product id and kind of each (32-bit little-endian values). Rows
// that do not fit are left out.
QByteArray BuildWorkToolAnswer(const std::vector<WorkToolDevice>& types);

// Where the tray menu opens: the point and the menu alignment for the cursor
// position, given the screen and the part of it the desktop panels leave
// free. A panel at the top opens the menu below it (Right|Top), at the left
// beside it (Left|Bottom), at the bottom or right above or beside it
// (Right|Bottom); without a panel the menu's top-left corner is at the cursor.
struct TrayMenuPlace {
  QPoint point;
  int alignment = 0;
};
TrayMenuPlace PlaceTrayMenu(const QPoint& cursor, const QRect& screen, const QRect& available);

// The virtual window "mainpage" of the notification pump; it handles nothing.
class CMainPage : public CNotifyPump {};

class CMainWnd : public WindowImplBase,
                 public IMessageFilterUI,
                 public IQueryControlText,
                 public IToolTipCallBack,
                 public IProgramBusHandler,
                 public IDiscoverySink {
 public:
  CMainWnd();
  ~CMainWnd() override;

  // WindowImplBase
  std::wstring GetWindowClassName() const override { return L"MainWnd"; }
  std::wstring GetSkinFile() override { return L"XML_MAIN"; }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;
  void OnClick(TNotifyUI& msg) override;
  // The builder callback of the main skin.
  CControlUI* CreateControl(const std::wstring& className) override;
  void OnMenuCommand(const MenuCmd& cmd) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

  // IMessageFilterUI, IQueryControlText
  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  std::wstring QueryControlText(const std::wstring& id, const std::wstring& type) override;

  // The program bus this window answers on (may be null: no bus).
  void AttachProgramBus(CProgramBus* bus);

  // IProgramBusHandler
  void OnInstanceMessage(int wParam, int lParam) override;
  void OnUpdateStatus(int wParam, int lParam) override;
  void OnLightControlRequest(int wParam, int lParam) override;
  QByteArray OnWorkToolQuery() override;
  BusDeviceList OnListDevices() override;
  void OnGameMessage(GameMessage which, int wParam, int lParam) override;

  // IDiscoverySink: from the discovery thread; arrivals and removals run on
  // the UI thread while the thread waits, the stop request releases it.
  bool OnInterfaceArrived(int index) override;
  bool OnInterfaceRemoved(int index) override;
  void OnFirstScanComplete() override;
  void OnStopRequested() override;
  // How discovery watches for devices (set before the window is built).
  void SetDiscoveryOptions(const DiscoveryOptions& options) { discoveryOptions_ = options; }
  // The device tabs and pages (null before "windowinit").
  CDeviceList* Devices() const { return devices_.get(); }
  // The device of the current tab (null when none).
  CQuorvaneUSBDevice* CurrentDevice() const;
  // "deng_same_mode": every connected device takes the current device's
  // effect (as far as the kinds share it) and pauses its own lighting; the
  // synchronised lighting thread shows it on all of them.
  void ApplyLightingToAll();
  CSyncLighting& SyncLighting() { return syncLighting_; }
  // Whether the first complete scan has shown the window.
  bool FirstScanDone() const { return firstScanDone_; }

  // logind: true before the system sleeps, false after resume.
  void OnPrepareForSleep(bool suspending);
  // The private messages; false when the message is not one of them or the
  // processing gate is closed.
  bool HandlePrivateMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam);

  // Operations offered to the other parts of the program.
  void BringToFront();
  void ToggleFromTray();
  void FitToMonitor();
  void CloseChildWindows();
  void SetEditLock(bool lockList, bool idle);
  // The tray menu from "menu.xml" at the cursor, placed by the desktop
  // panel's edge; a menu still open is deleted first.
  void ShowTrayMenu();
  // Shows the texts and tooltips of the skin in the language just loaded.
  void RefreshLanguageTexts();
  // A language id as display text, through the hidden label "str_test".
  std::wstring LanguageText(const std::wstring& id);
  // A message box owned by this window, at its scale; 1 when confirmed.
  int ShowMessage(const std::wstring& textId, int buttons);
  // A format text (a language id with one "%d") filled with n and shown.
  int ShowFormatMessage(const std::wstring& formatId, int n, int buttons = 0);
  // Replaces the message box (tests): gets the text as shown (a language id
  // for ShowMessage) and returns the answer. Empty: the message box again.
  using MessageHook = std::function<int(const std::wstring& text, int buttons)>;
  void SetMessageHook(MessageHook hook) { messageHook_ = std::move(hook); }

  // Stops the worker threads (bounded, serving their calls to the UI
  // thread). Safe to call more than once; the first call does the work.
  void StopWorkers();
  // The whole shutdown of the window: child windows, workers, tray icon.
  // Runs once, whether the window closed or the program was told to quit.
  void Shutdown();

  CWorkerSlots& WorkerSlots() { return slots_; }
  CUiCallQueue& UiCalls() { return uiCalls_; }
  CTrayIcon& TrayIcon() { return tray_; }
  CMenuWnd* TrayMenu() const { return trayMenu_.get(); }
  CMenuWnd* MacroActionMenu() const { return macroActionMenu_.get(); }

  // The processing gate (process-wide): 0 while the system is suspended.
  static bool ProcessingGateOpen() { return processingGate_.load() != 0; }
  int LightControlFlag() const { return lightControlFlag_; }
  int UiScale() const { return uiScale_; }
  // The window timer is set (running, or held while the system is suspended).
  bool TimerActive(int id) const { return HasTimer(static_cast<UINT>(id)); }
  // Its expiry came while the system was suspended; it runs after resume.
  bool TimerHeld(int id) const { return timers_.IsHeld(static_cast<UINT>(id)); }
  // How often the window timer's expiry was handled.
  int TimerRunCount(int id) const {
    auto it = timerRuns_.find(id);
    return it != timerRuns_.end() ? it->second : 0;
  }
  unsigned BringToFrontCount() const { return bringToFrontCount_; }
  int EditState() const { return editState_; }
  // How often each routed handler ran and the number it got last (for the
  // debug output and tests).
  int HandledCount(NotifyTarget target) const { return handled_[Index(target)]; }
  int LastNumber() const { return lastNumber_; }
  // The title-bar button of that name as looked up after the build.
  CControlUI* WindowButton(const std::wstring& name) const;

 private:
  static size_t Index(NotifyTarget t) { return static_cast<size_t>(t); }
  void OnWindowInit();
  void Route(NotifyTarget target, TNotifyUI& msg, int number);
  void UpdateNoDeviceNotice();
  bool AnyDeviceTabVisible() const;
  void ShowMacroActionMenu();
  void StartWindowTimer(int id, int ms);
  void OnTimer(int id);
  // A screen came, went or changed: the window is fitted to its monitor again.
  void WatchScreen(QScreen* screen);
  void OnDisplayChanged();
  void SetLightControl(int flag, bool broadcast);
  void GameLightingCue(int wParam, int lParam);
  void RestoreGameLighting();

  // Window and title bar.
  void OnCloseButton();
  void OnNoDeviceOk();
  void OnLightControlToggle(CControlUI* sender);
  // Handlers of later parts of the program (device list, devices, panels):
  // each is reached through the routing tables and waits for its part.
  void OnSkinPicker() {}
  void OnSettingsWindow() {}
  void OnSystemDeviceSettings(int number);
  void OnRestoreDefaults() {}
  void OnProfileReset();
  void OnDeviceTabSelected();
  void OnPreviousDevice();
  void OnNextDevice();
  void OnFunctionPage(int page) { (void)page; }
  void OnSameMode() { ApplyLightingToAll(); }
  void OnProfileBar(TNotifyUI& msg);
  // The profile bar of the current device page (null when none).
  CDeviceProfileUI* CurrentProfileBar() const;
  // A write of the bar failed: the message box says why (nothing for a refusal).
  void ReportProfileFailure(const CDeviceProfileUI& bar);
  // The current device takes the bar's selected profile and writes it.
  void ReloadCurrentProfile();
  void OnKeyButton(int number) { (void)number; }
  void OnKeyPanel(TNotifyUI& msg) { (void)msg; }
  void OnLightingPanel(TNotifyUI& msg) { (void)msg; }
  void OnSystemSettings(TNotifyUI& msg) { (void)msg; }
  void OnMacroEditor(TNotifyUI& msg) { (void)msg; }
  void OnShootPanel(TNotifyUI& msg) { (void)msg; }
  void OnHeadsetPanel(TNotifyUI& msg) { (void)msg; }
  void OnMusicLighting(TNotifyUI& msg) { (void)msg; }
  void OnMacroActionMenu(const MenuCmd& cmd) { (void)cmd; }
  void OnAboutWindow() {}
  void ApplyLightingControlToDevices(int flag) { (void)flag; }
  void OnDeviceArrived(std::intptr_t index);
  void OnDeviceRemoved(std::intptr_t index);
  void StartDiscovery();
  void OnShowDeviceTab(std::intptr_t index, bool show);
  void OnHookControl(bool install) { (void)install; }
  void OnLanguageChanged(int index) { (void)index; }
  void OpenSettingsWindow() {}
  void ApplySelectedProfile();

  static std::atomic<int> processingGate_;
  CUiCallQueue uiCalls_;
  CUiWake uiWake_;
  CWorkerSlots slots_;
  CMainPage mainPage_;
  CProgramBus* bus_ = nullptr;
  CTrayIcon tray_;
  std::unique_ptr<CMenuWnd> trayMenu_;
  std::unique_ptr<CMenuWnd> macroActionMenu_;
  std::map<std::wstring, CControlUI*> windowButtons_;
  CControlUI* strTest_ = nullptr;
  std::array<int, static_cast<size_t>(NotifyTarget::kTargetCount)> handled_{};
  std::map<int, int> timerRuns_;
  int lastNumber_ = -1;
  int lightControlFlag_ = 1;
  int uiScale_ = 96;
  int editState_ = 1;
  bool displayChanged_ = false;
  bool fitQueued_ = false;
  unsigned bringToFrontCount_ = 0;
  std::unique_ptr<CDeviceList> devices_;
  MessageHook messageHook_;
  CSyncLighting syncLighting_;
  DiscoveryOptions discoveryOptions_;
  bool firstScanDone_ = false;
  bool workersStopped_ = false;
  bool shutDown_ = false;
};
