#pragma once
// CMainWnd: the program's main window and the hub of its events. It receives
// the messages of other programs (through the program bus), the private
// messages of its own threads, suspend and resume, and routes each to the
// part that deals with it. It owns the worker slots and the queue of calls
// workers make to the UI thread.
//
// The window's skin and the toolkit's notifications attach here as the
// toolkit layer lands; what is here already works without them.

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/qt/program_bus.h"
#include "shell/ui_call_queue.h"
#include "shell/worker_slots.h"

class QTimer;

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

class CMainWnd : public QWidget, public IProgramBusHandler {
 public:
  CMainWnd();
  ~CMainWnd() override;

  // The program bus this window answers on (may be null: no bus).
  void AttachProgramBus(CProgramBus* bus);

  // IProgramBusHandler
  void OnInstanceMessage(int wParam, int lParam) override;
  void OnUpdateStatus(int wParam, int lParam) override;
  void OnLightControlRequest(int wParam, int lParam) override;
  QByteArray OnWorkToolQuery() override;
  void OnGameMessage(GameMessage which, int wParam, int lParam) override;

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

  // Stops the worker threads (bounded, serving their calls to the UI
  // thread). Safe to call more than once; the first call does the work.
  void StopWorkers();
  // The whole shutdown of the window: child windows, workers, tray icon.
  // Runs once, whether the window closed or the program was told to quit.
  void Shutdown();

  CWorkerSlots& WorkerSlots() { return slots_; }
  CUiCallQueue& UiCalls() { return uiCalls_; }

  // The processing gate (process-wide): 0 while the system is suspended.
  static bool ProcessingGateOpen() { return processingGate_.load() != 0; }
  int LightControlFlag() const { return lightControlFlag_; }
  int UiScale() const { return uiScale_; }
  bool TimerActive(int id) const;
  unsigned BringToFrontCount() const { return bringToFrontCount_; }
  int EditState() const { return editState_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void StartWindowTimer(int id, int ms);
  void OnTimer(int id);
  void SetLightControl(int flag, bool broadcast);
  void GameLightingCue(int wParam, int lParam);
  void RestoreGameLighting();

  // Handlers of later parts of the program (device list, devices, panels).
  void ApplyLightingControlToDevices(int flag);
  void OnDeviceArrived(std::intptr_t index);
  void OnDeviceRemoved(std::intptr_t index);
  void OnShowDeviceTab(std::intptr_t index, bool show);
  void OnHookControl(bool install);
  void OnLanguageChanged(int index);
  void OpenSettingsWindow();
  void ApplySelectedProfile();
  void ShowTrayMenu();

  static std::atomic<int> processingGate_;
  CUiCallQueue uiCalls_;
  CWorkerSlots slots_;
  CProgramBus* bus_ = nullptr;
  std::map<int, QTimer*> timers_;
  int lightControlFlag_ = 1;
  int uiScale_ = 96;
  int editState_ = 1;
  unsigned bringToFrontCount_ = 0;
  bool workersStopped_ = false;
  bool shutDown_ = false;
};
