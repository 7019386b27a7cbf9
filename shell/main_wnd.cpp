#include "shell/main_wnd.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QTimer>

#include "platform/debug_output.h"

std::atomic<int> CMainWnd::processingGate_{1};

QByteArray BuildWorkToolAnswer(const std::vector<WorkToolDevice>& types) {
  QByteArray block(1024, '\0');
  size_t at = 0;
  auto put = [&](std::uint32_t v) {
    if (at + 4 > static_cast<size_t>(block.size())) return false;
    for (int i = 0; i < 4; ++i) block[static_cast<int>(at++)] = static_cast<char>(v >> (8 * i));
    return true;
  };
  for (std::uint32_t v : {2u, 3u, 0u, 2u}) put(v);
  put(static_cast<std::uint32_t>(types.size()));
  for (const WorkToolDevice& t : types) {
    if (at + 12 > static_cast<size_t>(block.size())) break;
    put(t.vendorId);
    put(t.productId);
    put(t.kind);
  }
  return block;
}

CMainWnd::CMainWnd() : slots_(this) {
  setWindowTitle("Brivo75");
  resize(800, 572);
  // Calls from workers come round on the event loop; StopWorkers serves them
  // itself while it waits.
  uiCalls_.SetWake([this] {
    QMetaObject::invokeMethod(
        this, [this] { uiCalls_.Serve(); }, Qt::QueuedConnection);
  });
}

CMainWnd::~CMainWnd() {
  Shutdown();
  if (bus_ != nullptr) bus_->SetHandler(nullptr);
}

void CMainWnd::AttachProgramBus(CProgramBus* bus) {
  if (bus_ != nullptr) bus_->SetHandler(nullptr);
  bus_ = bus;
  if (bus_ != nullptr) bus_->SetHandler(this);
}

void CMainWnd::OnInstanceMessage(int wParam, int lParam) {
  DebugOutputF("软件标示 %d，%xd%xd", 0, wParam, lParam);
  BringToFront();
}

void CMainWnd::OnUpdateStatus(int wParam, int lParam) {
  // Handed on to the settings window while it is open.
  (void)wParam;
  (void)lParam;
}

void CMainWnd::OnLightControlRequest(int wParam, int lParam) {
  if (wParam != 1) return;
  if (lParam == 0 || lParam == 1) SetLightControl(static_cast<int>(lParam), false);
}

QByteArray CMainWnd::OnWorkToolQuery() {
  // The device type rows of the catalogue arrive with device discovery.
  return BuildWorkToolAnswer({});
}

void CMainWnd::OnGameMessage(GameMessage which, int wParam, int lParam) {
  (void)which;  // all four ask for the same cue
  if (!ProcessingGateOpen()) return;
  GameLightingCue(wParam, lParam);
}

void CMainWnd::OnPrepareForSleep(bool suspending) {
  if (suspending) {
    processingGate_ = 0;
    ApplyLightingControlToDevices(0);
  } else {
    processingGate_ = 1;
    ApplyLightingControlToDevices(lightControlFlag_);
  }
}

bool CMainWnd::HandlePrivateMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam) {
  if (!ProcessingGateOpen()) return false;
  switch (msg) {
    case WM_TRAY_ICON:
      // lParam: the mouse message; left button up toggles, right button up opens the menu.
      if (lParam == 0x0202) ToggleFromTray();
      if (lParam == 0x0205) StartWindowTimer(kTimerTrayMenu, 10);
      return true;
    case WM_HOOK_CONTROL:
      OnHookControl(wParam == 1);
      return true;
    case WM_SHOW_SETTING_PROGRESS:
      return true;
    case WM_LANGUAGE_CHANGED:
      OnLanguageChanged(static_cast<int>(wParam));
      return true;
    case WM_DEVICE_ARRIVED:
      OnDeviceArrived(wParam);
      return true;
    case WM_DEVICE_REMOVED:
      OnDeviceRemoved(wParam);
      return true;
    case WM_OPEN_SETTINGS:
      OpenSettingsWindow();
      return true;
    case WM_CLEAR_UPDATE_MARK:
      return true;
    case WM_SHOW_DEVICE_TAB:
      OnShowDeviceTab(wParam, lParam != 0);
      return true;
    default:
      return false;
  }
}

void CMainWnd::BringToFront() {
  ++bringToFrontCount_;
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void CMainWnd::ToggleFromTray() {
  const bool visible = isVisible() && !isMinimized();
  CloseChildWindows();
  if (visible) {
    hide();
    return;
  }
  FitToMonitor();
  BringToFront();
}

void CMainWnd::FitToMonitor() {
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QSize size = screen->size();
  uiScale_ = (size.width() > 1500 && size.height() > 960) ? 144 : 96;
  const QRect area = screen->availableGeometry();
  const QSize want = QSize(800, 572) * uiScale_ / 96;
  setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, want, area));
}

void CMainWnd::CloseChildWindows() {}

void CMainWnd::SetEditLock(bool lockList, bool idle) {
  (void)lockList;
  editState_ = idle ? 1 : 0;
}

void CMainWnd::StopWorkers() {
  if (workersStopped_) return;
  workersStopped_ = true;
  hide();
  const CWorkerSlots::StopResult r = slots_.StopAll([this] { uiCalls_.Serve(); });
  DebugOutputF("StopWorkers: %d stopped, %d late, %d abandoned", r.stopped, r.late, r.abandoned);
  uiCalls_.Close();
}

void CMainWnd::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  DebugOutput("退出测试");
  CloseChildWindows();
  for (auto& [id, timer] : timers_) timer->stop();
  StopWorkers();
}

void CMainWnd::closeEvent(QCloseEvent* event) {
  Shutdown();
  event->accept();
}

bool CMainWnd::TimerActive(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

void CMainWnd::StartWindowTimer(int id, int ms) {
  QTimer*& timer = timers_[id];
  if (timer == nullptr) {
    timer = new QTimer(this);
    timer->setSingleShot(true);  // each timer is killed when it fires
    connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
  }
  timer->start(ms);
}

void CMainWnd::OnTimer(int id) {
  if (!ProcessingGateOpen()) return;
  switch (id) {
    case kTimerWindowInit:
      FitToMonitor();
      update();
      break;
    case kTimerTrayMenu:
      ShowTrayMenu();
      break;
    case kTimerProfileSwitch:
      ApplySelectedProfile();
      break;
    case kTimerGameLighting:
      RestoreGameLighting();
      break;
    default:
      break;
  }
}

void CMainWnd::SetLightControl(int flag, bool broadcast) {
  lightControlFlag_ = flag;
  if (broadcast && bus_ != nullptr) bus_->BroadcastLightControl(1, flag);
  ApplyLightingControlToDevices(flag);
}

void CMainWnd::GameLightingCue(int wParam, int lParam) {
  (void)lParam;
  if (wParam >= 0 && wParam <= 2) {
    // The current device's lighting takes mode lParam (devices arrive with
    // the device pages).
  }
  StartWindowTimer(kTimerGameLighting, 5000);
}

void CMainWnd::RestoreGameLighting() {}
void CMainWnd::ApplyLightingControlToDevices(int flag) { (void)flag; }
void CMainWnd::OnDeviceArrived(std::intptr_t index) { (void)index; }
void CMainWnd::OnDeviceRemoved(std::intptr_t index) { (void)index; }
void CMainWnd::OnShowDeviceTab(std::intptr_t index, bool show) {
  (void)index;
  (void)show;
}
void CMainWnd::OnHookControl(bool install) { (void)install; }
void CMainWnd::OnLanguageChanged(int index) { (void)index; }
void CMainWnd::OpenSettingsWindow() {}
void CMainWnd::ApplySelectedProfile() {}
void CMainWnd::ShowTrayMenu() {}
