#include "shell/main_wnd.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <cstring>

#include "devices/interface_catalogue.h"
#include "panels/device_profile.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/control.h"
#include "panels/toolkit/resource_manager.h"
#include "platform/debug_output.h"
#include "profiles/json_file.h"
#include "shell/control_classes.h"
#include "shell/file_dialogs.h"
#include "shell/language_choice.h"
#include "shell/msg_wnd.h"
#include "shell/quorvane_usb_device.h"

std::atomic<int> CMainWnd::processingGate_{1};

namespace {

// The nine buttons of the title bar.
constexpr const wchar_t* kWindowButtons[] = {L"closebtn", L"maxbtn",       L"restorebtn",
                                             L"minbtn",   L"skinbtn",      L"gamemodebtn",
                                             L"cloudbtn", L"smarteyesbtn", L"setbtn"};

// Who drives the lighting, as the language files name it ("控制灯光" /
// "不控制灯光" in Chinese).
const wchar_t* LightControlTextId(int flag) {
  return flag == 1 ? L"control_light_text" : L"no_control_light_text";
}

constexpr wchar_t kTrayMenuXml[] = L"menu.xml";
constexpr wchar_t kMacroActionMenuXml[] = L"XML\\Menus\\macro_action_menu.xml";

}  // namespace

QByteArray BuildWorkToolAnswer(const std::vector<WorkToolDevice>& types) {
  QByteArray block(1024, '\0');
  size_t at = 0;
  auto put = [&](std::uint32_t v) {
    if (at + 4 > static_cast<size_t>(block.size())) return false;
    for (int i = 0; i < 4; ++i) block[static_cast<int>(at++)] = static_cast<char>(v >> (8 * i));
    return true;
  };
  for (std::uint32_t v : {2u, 3u, 0u, 2u}) put(v);
  // The count names the rows the block holds, so that a reader never takes
  // the zero fill for rows.
  const size_t rows = std::min(types.size(), static_cast<size_t>(block.size() - 4 * 5) / 12);
  put(static_cast<std::uint32_t>(rows));
  for (size_t i = 0; i < rows; ++i) {
    put(types[i].vendorId);
    put(types[i].productId);
    put(types[i].kind);
  }
  return block;
}

TrayMenuPlace PlaceTrayMenu(const QPoint& cursor, const QRect& screen, const QRect& available) {
  TrayMenuPlace place{cursor, eMenuAlignment_Left | eMenuAlignment_Top};
  if (available.isEmpty() || available == screen) return place;
  if (available.top() > screen.top()) {  // panel at the top
    place.point.setY(available.top() + 1);
    place.alignment = eMenuAlignment_Right | eMenuAlignment_Top;
  } else if (available.left() > screen.left()) {  // at the left
    place.point.setX(available.left() + 1);
    place.alignment = eMenuAlignment_Left | eMenuAlignment_Bottom;
  } else if (available.bottom() < screen.bottom()) {  // at the bottom
    place.point.setY(available.bottom() + 1 - 20);
    place.alignment = eMenuAlignment_Right | eMenuAlignment_Bottom;
  } else if (available.right() < screen.right()) {  // at the right
    place.point.setX(available.right());
    place.alignment = eMenuAlignment_Right | eMenuAlignment_Bottom;
  }
  return place;
}

CMainWnd::CMainWnd() : uiWake_([this] { uiCalls_.Serve(); }), slots_(this) {
  setWindowTitle("Brivo75");
  resize(800, 572);
  // Calls from workers come round on the event loop; StopWorkers serves them
  // itself while it waits.
  uiCalls_.SetWake([this] { uiWake_.Signal(); });
  // The class's own notification map.
  AddNotifyEntry(L"itemactivate", L"", [this](TNotifyUI& msg) {
    if (msg.pSender != nullptr && msg.pSender->GetName() == L"macro_action") ShowMacroActionMenu();
  });
  AddNotifyEntry(L"setfocus", L"", [this](TNotifyUI& msg) {
    if (msg.pSender != nullptr && msg.pSender->GetName() == L"keyset_keyboard_text_edit")
      SendMessage(WM_HOOK_CONTROL, 1, 0);
  });
  AddVirtualWnd(L"mainpage", &mainPage_);
  // Screens that come, go or change size or resolution refit the window.
  for (QScreen* screen : QGuiApplication::screens()) WatchScreen(screen);
  connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
    WatchScreen(screen);
    OnDisplayChanged();
  });
  connect(qApp, &QGuiApplication::screenRemoved, this, [this] { OnDisplayChanged(); });
}

CMainWnd::~CMainWnd() {
  Shutdown();
  RemoveVirtualWnd(L"mainpage");
  if (bus_ != nullptr) bus_->SetHandler(nullptr);
}

void CMainWnd::AttachProgramBus(CProgramBus* bus) {
  if (bus_ != nullptr) bus_->SetHandler(nullptr);
  bus_ = bus;
  if (bus_ != nullptr) bus_->SetHandler(this);
}

// ---------------------------------------------------------------------------
// Building and initialisation

CControlUI* CMainWnd::CreateControl(const std::wstring& className) {
  return CreateMainSkinControl(className, &m_pm);
}

void CMainWnd::InitWindow() {
  DebugOutput("InitWindow");
  LoadStartLanguage();
  RefreshLanguageTexts();
  for (const wchar_t* name : kWindowButtons) windowButtons_[name] = m_pm.FindControl(name);
  strTest_ = m_pm.FindControl(L"str_test");
  tray_.CreateTrayIcon(this, kTrayIconId, kTrayToolTip, WM_TRAY_ICON, L"common/icons/logo.svg");
}

void CMainWnd::OnWindowInit() {
  if (bus_ != nullptr) bus_->BroadcastLightControl(1, 1);
  // The mouse and keyboard pages exist from the start, their tabs hidden;
  // the others come with their first arrival.
  devices_ = std::make_unique<CDeviceList>(m_pm, this, this);
  CDeviceList::Hooks hooks;
  hooks.closeChildWindows = [this] { CloseChildWindows(); };
  hooks.editIdle = [this] { return editState_ == 1; };
  hooks.endEditing = [this] {
    SendMessage(WM_HOOK_CONTROL, 0, 0);
    SetEditLock(true, true);
  };
  // Arrivals of the first scan leave the showing to its end.
  hooks.bringToFront = [this] {
    if (firstScanDone_) BringToFront();
  };
  devices_->SetHooks(std::move(hooks));
  for (size_t t = 0; t < 2 && t < kDeviceTypes.size(); ++t) {
    const DeviceTypeEntry& type = kDeviceTypes[t];
    const int row = FindCommandRow(type.vendorId, type.productId, type.kind, type.role);
    if (row < 0 || !devices_->CreateDevicePage(row, type.role))
      DebugOutputF("device page of type %d not built", static_cast<int>(t));
  }
  UpdateNoDeviceNotice();
  StartWindowTimer(kTimerWindowInit, 100);
  // The window shows itself after discovery's first complete scan.
  StartDiscovery();
  slots_.Start(CWorkerSlots::kSyncLightingSlot, [this](const WorkerStartRecord& record) {
    CStopEvent* stop = record.stop;
    syncLighting_.Run([stop] { return stop->IsSet(); });
  });
}

void CMainWnd::ApplyLightingToAll() {
  CQuorvaneUSBDevice* current = CurrentDevice();
  if (current == nullptr || !devices_) return;
  const LightInfoRecord record = current->Core().GetLightInfo();
  const int effect = SyncEffectOfMode(current->Core().GetDeviceKind(), record.SelectItem);
  if (effect < 0) return;
  SyncLightingState state;
  state.effect = static_cast<uint8_t>(effect);
  state.brightnessLevel = record.Light;
  state.speedLevel = record.Speed;
  state.direction = record.Fx;
  state.colourful = record.MultiColor;
  state.red = record.Red;
  state.green = record.Green;
  state.blue = record.Blue;
  // Keyboards, mice, mouse pads, headsets.
  std::vector<CUsbDeviceCore*> cores;
  for (int kind : {1, 2, 3, 7}) {
    for (CQuorvaneUSBDevice* device : devices_->Devices()) {
      CUsbDeviceCore& core = device->Core();
      if (core.GetDeviceKind() != kind || !core.Channel().IsOpen()) continue;
      core.SetLightingPaused(true);
      LightInfoRecord own = record;
      own.SelectItem = static_cast<uint8_t>(SyncModeOfEffect(kind, effect));
      uint32_t words[4] = {};
      static_assert(sizeof(own) <= sizeof(words));
      std::memcpy(words, &own, sizeof(own));
      core.SetLightInfo(words[0], words[1], words[2], words[3]);
      cores.push_back(&core);
    }
  }
  syncLighting_.Start(state, std::move(cores));
}

void CMainWnd::StartDiscovery() {
  const DiscoveryOptions options = discoveryOptions_;
  const bool started =
      slots_.Start(CWorkerSlots::kDiscoverySlot, [this, options](const WorkerStartRecord& record) {
        CDiscoveryThread discovery(devices_->Table(), *this, options);
        if (!discovery.Start()) {
          uiCalls_.Post([this] { OnFirstScanComplete(); });
          return;
        }
        // Sleeps until the slot is stopped; the stop ends discovery first.
        while (!record.stop->Wait(60 * 60 * 1000)) {
        }
        discovery.Stop();
      });
  if (!started) OnFirstScanComplete();
}

bool CMainWnd::OnInterfaceArrived(int index) {
  return uiCalls_.Send([this, index] { OnDeviceArrived(index); },
                       slots_.StopEvent(CWorkerSlots::kDiscoverySlot));
}

bool CMainWnd::OnInterfaceRemoved(int index) {
  return uiCalls_.Send([this, index] { OnDeviceRemoved(index); },
                       slots_.StopEvent(CWorkerSlots::kDiscoverySlot));
}

void CMainWnd::OnFirstScanComplete() {
  if (!uiCalls_.OnUiThread()) {
    uiCalls_.Post([this] { OnFirstScanComplete(); });
    return;
  }
  if (firstScanDone_ || shutDown_) return;
  firstScanDone_ = true;
  // Shown once fitted: a scan that ends before the initial fit leaves the
  // showing to that timer.
  if (!TimerActive(kTimerWindowInit)) BringToFront();
}

void CMainWnd::OnStopRequested() {
  if (CStopEvent* stop = slots_.StopEvent(CWorkerSlots::kDiscoverySlot)) stop->Set();
}

void CMainWnd::OnDeviceArrived(std::intptr_t index) {
  if (devices_ && !shutDown_) devices_->AttachInterface(static_cast<int>(index));
}

void CMainWnd::OnDeviceRemoved(std::intptr_t index) {
  if (devices_ && !shutDown_) devices_->DetachInterface(static_cast<int>(index));
}

CQuorvaneUSBDevice* CMainWnd::CurrentDevice() const {
  return devices_ ? devices_->CurrentDevice() : nullptr;
}

void CMainWnd::OnDeviceTabSelected() {
  if (devices_) devices_->OnDeviceTabSelected();
}

void CMainWnd::OnPreviousDevice() {
  if (devices_) devices_->PreviousDevice();
}

void CMainWnd::OnNextDevice() {
  if (devices_) devices_->NextDevice();
}

void CMainWnd::RefreshLanguageTexts() {
  // Tooltips are translated when they are set; texts when they are painted.
  if (CControlUI* root = GetRoot()) {
    for (CControlUI* c : root->findChildren<CControlUI*>()) {
      if (!c->GetToolTip().empty()) c->SetToolTip(c->GetToolTip());
    }
  }
  CResourceManager::GetInstance().ReloadText();
}

CControlUI* CMainWnd::WindowButton(const std::wstring& name) const {
  auto it = windowButtons_.find(name);
  return it != windowButtons_.end() ? it->second : nullptr;
}

LRESULT CMainWnd::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  (void)msg;
  (void)wParam;
  (void)lParam;
  handled = false;
  return 0;
}

std::wstring CMainWnd::QueryControlText(const std::wstring& id, const std::wstring& type) {
  (void)id;
  (void)type;
  return {};
}

// ---------------------------------------------------------------------------
// Notifications

void CMainWnd::Notify(TNotifyUI& msg) {
  CControlUI* sender = msg.pSender;
  const std::wstring name = sender != nullptr ? sender->GetName() : std::wstring();
  if (msg.sType != L"timer") {
    DebugOutput(Utf8FromWide(msg.sType));
    DebugOutput(Utf8FromWide(name));
  }
  if (msg.sType == L"windowinit") {
    OnWindowInit();
  } else if (msg.sType == L"windowsize") {
    if (name == L"root" && displayChanged_) {
      displayChanged_ = false;
      FitToMonitor();
    }
  } else if (msg.sType == L"click_wpremove" || msg.sType == L"click_wpedit") {
    return;  // ends here, without the standard handling
  } else {
    RouteResult r = RouteNotify(msg.sType, name);
    // Title-bar rows count only for the window's own buttons.
    if (r.byControl && (sender == nullptr || WindowButton(name) != sender)) r = {};
    if (r.target != NotifyTarget::kNone) Route(r.target, msg, r.number);
  }
  WindowImplBase::Notify(msg);
}

void CMainWnd::OnClick(TNotifyUI& msg) {
  // The minimise, maximise and restore buttons are carried out by the click
  // routing; the close button closes the window (which ends the program).
  if (msg.pSender != nullptr && msg.pSender == WindowButton(L"closebtn")) Close(0);
}

void CMainWnd::Route(NotifyTarget target, TNotifyUI& msg, int number) {
  ++handled_[Index(target)];
  lastNumber_ = number;
  using T = NotifyTarget;
  switch (target) {
    case T::kCloseButton:
      OnCloseButton();
      break;
    case T::kNoDeviceOk:
      OnNoDeviceOk();
      break;
    case T::kLightControlToggle:
      OnLightControlToggle(msg.pSender);
      break;
    case T::kMinimise:
      SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
    case T::kMaximise:
      SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      break;
    case T::kRestore:
      SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
      break;
    case T::kSkinPicker:
      OnSkinPicker();
      break;
    case T::kSettingsWindow:
      OnSettingsWindow();
      break;
    case T::kSystemDeviceSettings:
      OnSystemDeviceSettings(number);
      break;
    case T::kRestoreDefaults:
      OnRestoreDefaults();
      break;
    case T::kProfileReset:
      OnProfileReset();
      break;
    case T::kDeviceTabSelected:
      OnDeviceTabSelected();
      break;
    case T::kPreviousDevice:
      OnPreviousDevice();
      break;
    case T::kNextDevice:
      OnNextDevice();
      break;
    case T::kFunctionPage:
      OnFunctionPage(number);
      break;
    case T::kSameMode:
      OnSameMode();
      break;
    case T::kProfileBar:
      OnProfileBar(msg);
      break;
    case T::kProfileComboTimer:
      StartWindowTimer(kTimerProfileSwitch, 400);
      break;
    case T::kKeyButton:
      OnKeyButton(number);
      break;
    case T::kKeyPanelButton:
    case T::kKeyPanelSelect:
    case T::kKeyPanelList:
    case T::kKeyPanelEdit:
      OnKeyPanel(msg);
      break;
    case T::kKeyCaptureEnd:
      SendMessage(WM_HOOK_CONTROL, 0, 0);
      break;
    case T::kColourSwatch:
    case T::kAudioColourSwatch:
    case T::kLightingPanelClick:
    case T::kLightingPanelSelect:
    case T::kAudioLightingSelect:
    case T::kLightingMode:
    case T::kAudioLightingMode:
    case T::kLightingSlider:
    case T::kLightingColourEdit:
    case T::kAudioColourEdit:
    case T::kLightingColour:
    case T::kAudioLightingColour:
    case T::kPerKeyLightSelection:
      OnLightingPanel(msg);
      break;
    case T::kSystemSettings:
    case T::kMouseSettingsPage:
    case T::kSystemSlider:
    case T::kDpiSliderMove:
    case T::kDpiEdit:
    case T::kDpiColour:
    case T::kResetRepeatTest:
      OnSystemSettings(msg);
      break;
    case T::kMacroEditor:
    case T::kMacroList:
      OnMacroEditor(msg);
      break;
    case T::kShootPanel:
      OnShootPanel(msg);
      break;
    case T::kHeadsetEqualiser:
    case T::kHeadsetEqualiserList:
    case T::kHeadsetSlider:
    case T::kVoiceChanger:
      OnHeadsetPanel(msg);
      break;
    case T::kMusicLighting:
    case T::kMusicColourSlider:
      OnMusicLighting(msg);
      break;
    case T::kNone:
    case T::kNothing:
    case T::kMacroActionMenu:
    case T::kMenuExit:
    case T::kMenuAbout:
    case T::kMenuSettings:
    case T::kTargetCount:
      break;
  }
}

void CMainWnd::OnMenuCommand(const MenuCmd& cmd) {
  const RouteResult r = RouteMenuCommand(cmd.szName);
  if (r.target == NotifyTarget::kNone) return;
  ++handled_[Index(r.target)];
  lastNumber_ = r.number;
  switch (r.target) {
    case NotifyTarget::kMenuExit:
      CloseChildWindows();
      Close(0);
      break;
    case NotifyTarget::kMenuAbout:
      OnAboutWindow();
      break;
    case NotifyTarget::kMenuSettings:
      OpenSettingsWindow();
      break;
    case NotifyTarget::kMacroActionMenu:
      OnMacroActionMenu(cmd);
      break;
    default:
      break;
  }
}

void CMainWnd::OnCloseButton() {
  CloseChildWindows();
  hide();
  // The devices' window-hidden flag is cleared here once device pages exist.
}

void CMainWnd::OnNoDeviceOk() { hide(); }

void CMainWnd::OnLightControlToggle(CControlUI* sender) {
  const int flag = lightControlFlag_ == 0 ? 1 : 0;
  SetLightControl(flag, true);
  if (sender != nullptr) sender->SetText(LightControlTextId(flag));
}

void CMainWnd::OnSystemDeviceSettings(int number) {
  // The system's mouse (0) and keyboard (1) settings are the desktop's own
  // tools on Linux; nothing is started for other numbers.
  (void)number;
}

// ---------------------------------------------------------------------------
// Window messages

LRESULT CMainWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = false;
  if (msg == WM_DESTROY) {
    DebugOutput("退出测试");
    Shutdown();
    PostQuitMessage(0);
    handled = true;
    return 0;
  }
  if (msg == WM_TIMER) {
    OnTimer(static_cast<int>(wParam));
    return 0;
  }
  HandlePrivateMessage(msg, static_cast<std::intptr_t>(wParam), lParam);
  return 0;
}

LRESULT CMainWnd::OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  (void)msg;
  (void)wParam;
  (void)lParam;
  tray_.DeleteTrayIcon();
  handled = false;
  return 0;
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
  if (lParam != 0 && lParam != 1) return;
  SetLightControl(static_cast<int>(lParam), false);
  if (CControlUI* status = m_pm.FindControl(L"control_light_status"))
    status->SetText(LightControlTextId(static_cast<int>(lParam)));
}

QByteArray CMainWnd::OnWorkToolQuery() {
  std::vector<WorkToolDevice> types;
  for (const DeviceTypeEntry& t : kDeviceTypes) types.push_back({t.vendorId, t.productId, t.kind});
  return BuildWorkToolAnswer(types);
}

BusDeviceList CMainWnd::OnListDevices() {
  BusDeviceList out;
  if (!devices_) return out;
  for (const DeviceSummary& d : devices_->Summaries())
    out.push_back({d.kind, QString::fromStdString(d.connection), d.visible});
  return out;
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
    // Timers that came due while suspended run now.
    timers_.ReleaseHeld();
  }
}

bool CMainWnd::HandlePrivateMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam) {
  if (!ProcessingGateOpen()) return false;
  switch (msg) {
    case WM_TRAY_ICON:
      // lParam: the mouse message; left button up toggles, right button up opens the menu.
      if (lParam == WM_LBUTTONUP) ToggleFromTray();
      if (lParam == WM_RBUTTONUP) StartWindowTimer(kTimerTrayMenu, 10);
      return true;
    case WM_HOOK_CONTROL:
      OnHookControl(wParam == 1);
      return true;
    case WM_SHOW_SETTING_PROGRESS:
      if (CControlUI* c = m_pm.FindControl(L"setting_progress")) c->SetVisible(true);
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
      if (auto* set = WindowButton(L"setbtn")) set->SetAttribute(L"foreimage", L"");
      return true;
    case WM_SHOW_DEVICE_TAB:
      OnShowDeviceTab(wParam, lParam != 0);
      return true;
    default:
      return false;
  }
}

void CMainWnd::OnShowDeviceTab(std::intptr_t index, bool show) {
  if (devices_) {
    devices_->OnShowTabMessage(static_cast<int>(index), show);
  } else {
    auto* list = dynamic_cast<CContainerUI*>(m_pm.FindControl(L"device_select_layout"));
    if (list == nullptr || index < 0 || index >= list->GetCount()) return;
    list->GetItemAt(static_cast<int>(index))->SetVisible(show);
  }
  UpdateNoDeviceNotice();
}

// ---------------------------------------------------------------------------
// Showing and hiding

bool CMainWnd::AnyDeviceTabVisible() const {
  auto* list = dynamic_cast<CContainerUI*>(m_pm.FindControl(L"device_select_layout"));
  if (list == nullptr) return false;
  for (int i = 0; i < list->GetCount(); ++i) {
    if (list->GetItemAt(i)->IsVisible()) return true;
  }
  return false;
}

void CMainWnd::UpdateNoDeviceNotice() {
  const bool any = AnyDeviceTabVisible();
  if (devices_)
    devices_->UpdateNotice();
  else if (CControlUI* notice = m_pm.FindControl(L"No_device_Link"))
    notice->SetVisible(!any);
  // Nothing to page through without a device.
  for (const wchar_t* arrow : {L"device_select_prev", L"device_select_next"}) {
    if (CControlUI* c = m_pm.FindControl(arrow)) c->SetVisible(any);
  }
}

void CMainWnd::BringToFront() {
  ++bringToFrontCount_;
  UpdateNoDeviceNotice();
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void CMainWnd::ToggleFromTray() {
  UpdateNoDeviceNotice();
  const bool visible = isVisible() && !isMinimized();
  CloseChildWindows();
  if (visible) {
    hide();  // the devices' window-hidden flag is set here once device pages exist
    return;
  }
  FitToMonitor();
  show();
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  update();
  if (CControlUI* root = GetRoot()) root->NeedUpdate();
}

void CMainWnd::FitToMonitor() {
  const bool wasVisible = isVisible();
  if (isMinimized()) showNormal();
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QSize size = screen->size();
  uiScale_ = (size.width() > 1500 && size.height() > 960) ? 144 : 96;
  if (IsCreated()) CPaintManagerUI::SetAllDPI(uiScale_);
  // The window's design size is 1000 x 640 at scale 96; it grows with the scale.
  const QRect area = screen->availableGeometry();
  const QSize want = QSize(1000, 640) * uiScale_ / 96;
  setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, want, area));
  setVisible(wasVisible);
}

void CMainWnd::WatchScreen(QScreen* screen) {
  connect(screen, &QScreen::geometryChanged, this, [this] { OnDisplayChanged(); });
  connect(screen, &QScreen::availableGeometryChanged, this, [this] { OnDisplayChanged(); });
  connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this] { OnDisplayChanged(); });
}

void CMainWnd::OnDisplayChanged() {
  DebugOutput("显示器分辨率发生变化");
  displayChanged_ = true;
  // One fit for a burst of changes, from the event loop: when a screen is
  // removed the window moves to another one only after the signal.
  if (fitQueued_) return;
  fitQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        fitQueued_ = false;
        if (!shutDown_) FitToMonitor();
      },
      Qt::QueuedConnection);
}

void CMainWnd::CloseChildWindows() {
  // The settings, About, music and palette windows close here once they
  // exist; the menus go with them.
  if (trayMenu_) trayMenu_->Close();
  if (macroActionMenu_) macroActionMenu_->Close();
}

void CMainWnd::SetEditLock(bool lockList, bool idle) {
  if (lockList) {
    if (CControlUI* list = m_pm.FindControl(L"device_select_layout")) list->SetEnabled(idle);
  }
  editState_ = idle ? 1 : 0;
}

void CMainWnd::ShowTrayMenu() {
  trayMenu_.reset();  // the previous menu goes first
  const QPoint cursor = QCursor::pos();
  const QScreen* screen = QGuiApplication::screenAt(cursor);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  TrayMenuPlace place{cursor, eMenuAlignment_Left | eMenuAlignment_Top};
  if (screen != nullptr)
    place = PlaceTrayMenu(cursor, screen->geometry(), screen->availableGeometry());
  trayMenu_.reset(CMenuWnd::CreateMenu(kTrayMenuXml, place.point, this, place.alignment));
}

void CMainWnd::ShowMacroActionMenu() {
  macroActionMenu_.reset();
  const QPoint cursor = QCursor::pos();
  const int alignment = eMenuAlignment_Left | eMenuAlignment_Top;
  macroActionMenu_.reset(CMenuWnd::CreateMenu(kMacroActionMenuXml, cursor, this, alignment));
}

// ---------------------------------------------------------------------------
// Language texts and message boxes

std::wstring CMainWnd::LanguageText(const std::wstring& id) {
  if (strTest_ == nullptr) return CResourceManager::GetInstance().Translate(id);
  strTest_->SetText(id);
  return strTest_->GetText();
}

int CMainWnd::ShowMessage(const std::wstring& textId, int buttons) {
  if (messageHook_) return messageHook_(textId, buttons);
  return ShowMessageBox(this, L"", textId, uiScale_, true, buttons);
}

int CMainWnd::ShowFormatMessage(const std::wstring& formatId, int n, int buttons) {
  const std::wstring text = FormatWithNumber(LanguageText(formatId), n);
  if (messageHook_) return messageHook_(text, buttons);
  return ShowMessageBox(this, L"", text, uiScale_, false, buttons);
}

// ---------------------------------------------------------------------------
// The profile bar

CDeviceProfileUI* CMainWnd::CurrentProfileBar() const {
  CQuorvaneUSBDevice* device = CurrentDevice();
  if (device == nullptr) return nullptr;
  return dynamic_cast<CDeviceProfileUI*>(device->FindSubControl(L"DeviceProfileItem"));
}

void CMainWnd::ReportProfileFailure(const CDeviceProfileUI& bar) {
  if (bar.LastError().empty()) return;  // refused: nothing was to be written
  DebugOutputF("profile write failed: %s", bar.LastError().c_str());
  const std::wstring text =
      LanguageText(L"message_text_profile_write") + L"\n" + WideFromUtf8(bar.LastError());
  if (messageHook_) {
    messageHook_(text, kMsgConfirmOnly);
    return;
  }
  ShowMessageBox(this, L"", text, uiScale_, false, kMsgConfirmOnly);
}

void CMainWnd::OnProfileBar(TNotifyUI& msg) {
  CDeviceProfileUI* bar = CurrentProfileBar();
  if (bar == nullptr || msg.pSender == nullptr) return;
  const std::wstring name = msg.pSender->GetName();
  bool ok = true;
  if (name == L"device_add_btn") {
    ok = bar->AddProfile();
  } else if (name == L"device_sub_btn") {
    ok = bar->DeleteProfile();
  } else if (name == L"device_copy_btn") {
    ok = bar->CopyProfile();
  } else if (name == L"device_profile_edit_save_btn") {
    const RenameResult r = bar->RenameProfile(bar->GetNameEditText());
    if (r == RenameResult::kRefused) ShowMessage(L"message_text_5", kMsgConfirmOnly);
    if (r == RenameResult::kBlank) ShowMessage(L"message_text_25", kMsgConfirmOnly);
    ok = r != RenameResult::kFailed;
  } else if (name == L"device_import_btn") {
    if (bar->GetSelectedIndex() < 0) return;
    QString path;
    if (!ShowOpenFileDialog(kProfileFilter, this, path)) return;
    // Only a profile document is taken; anything else is passed over quietly.
    const Json::Value doc = ReadJson(path.toStdString());
    if (!doc.isObject() || doc["profilename"].isNull() || doc["profileUUID"].isNull()) return;
    ok = bar->ImportProfile(path.toStdString());
  } else if (name == L"device_export_btn") {
    if (bar->GetSelectedIndex() < 0) return;
    QString path;
    if (!ShowSaveFileDialog(kProfileFilter, this, path)) return;
    ok = bar->ExportProfile(path.toStdString());
  } else if (name == L"profile_fun_spread_btn") {
    bar->ShowProfileMenu(!bar->IsProfileMenuVisible());
  }
  if (!ok) ReportProfileFailure(*bar);
}

void CMainWnd::OnProfileReset() {
  CDeviceProfileUI* bar = CurrentProfileBar();
  if (bar == nullptr) return;
  if (ShowMessage(L"message_text_22", kMsgConfirmCancel) != 1) return;
  if (!bar->ResetProfile()) {
    ReportProfileFailure(*bar);
    return;
  }
  ReloadCurrentProfile();
}

void CMainWnd::ApplySelectedProfile() {
  CDeviceProfileUI* bar = CurrentProfileBar();
  if (bar == nullptr) return;
  if (!bar->SelectProfile(bar->GetSelectedIndex(), false)) {
    ReportProfileFailure(*bar);
    return;
  }
  ReloadCurrentProfile();
}

void CMainWnd::ReloadCurrentProfile() {
  CQuorvaneUSBDevice* device = CurrentDevice();
  CDeviceProfileUI* bar = CurrentProfileBar();
  if (device == nullptr || bar == nullptr) return;
  const int result = device->SwitchToProfile(bar->GetCurrentUUID());
  if (result == -1)
    ShowMessage(L"message_text_7", kMsgConfirmOnly);
  else if (result != 0)
    ShowFormatMessage(L"message_text_16", result, kMsgConfirmOnly);
}

// ---------------------------------------------------------------------------
// Shutdown and timers

void CMainWnd::StopWorkers() {
  if (workersStopped_) return;
  workersStopped_ = true;
  hide();
  syncLighting_.RequestStop();
  const CWorkerSlots::StopResult r = slots_.StopAll([this] { uiCalls_.Serve(); });
  DebugOutputF("StopWorkers: %d stopped, %d late, %d abandoned", r.stopped, r.late, r.abandoned);
  uiCalls_.Close();
}

void CMainWnd::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  CloseChildWindows();
  trayMenu_.reset();
  macroActionMenu_.reset();
  timers_.KillAll();
  StopWorkers();
  // Discovery has ended: the devices' timers and threads go next.
  if (devices_) {
    for (int i = 0; i < devices_->TabCount(); ++i)
      if (CControlUI* tab = devices_->Tab(i)) tab->KillTimer();
    for (CQuorvaneUSBDevice* device : devices_->Devices()) device->Core().StopThreads();
  }
  tray_.DeleteTrayIcon();
}

void CMainWnd::StartWindowTimer(int id, int ms) {
  SetTimer(static_cast<UINT>(id), static_cast<UINT>(ms));
}

void CMainWnd::OnTimer(int id) {
  if (!ProcessingGateOpen()) {
    // Suspended: the timer waits, clock stopped, and runs after resume.
    timers_.Hold(static_cast<UINT>(id));
    return;
  }
  KillTimer(static_cast<UINT>(id));  // each timer is killed when it fires
  ++timerRuns_[id];
  switch (id) {
    case kTimerWindowInit:
      FitToMonitor();
      update();
      if (firstScanDone_) BringToFront();
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
