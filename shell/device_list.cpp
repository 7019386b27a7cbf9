#include "shell/device_list.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "devices/device_kind.h"
#include "devices/interface_catalogue.h"
#include "panels/controls/device_option.h"
#include "panels/controls/device_power.h"
#include "panels/toolkit/button.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/paint_manager.h"
#include "platform/debug_output.h"
#include "profiles/json_file.h"
#include "shell/quorvane_usb_device.h"

namespace {

constexpr wchar_t kTabList[] = L"device_select_layout";
constexpr wchar_t kPageLayout[] = L"device_switch";
constexpr wchar_t kPowerLayout[] = L"device_power_switch";
constexpr wchar_t kNotice[] = L"No_device_Link";
constexpr wchar_t kPowerXml[] = L"XML\\CustomControlXML\\MpDevicePower.xml";

constexpr int kEventRole = 0xFF;

bool IsReceiverRowKind(int kind) { return kind == 6 || kind == 9; }

// Calls `changed` when the watched window is shown, hidden, minimised or
// restored.
class WindowStateWatch : public QObject {
 public:
  explicit WindowStateWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::WindowStateChange:
        changed_();
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> changed_;
};

}  // namespace

CDeviceList::CDeviceList(CPaintManagerUI& pm, IDialogBuilderCallback* callback, QWidget* window)
    : pm_(pm), callback_(callback), window_(window) {
  if (window_ != nullptr) {
    // The watch goes with the list; the window drops a deleted filter itself.
    windowWatch_ = std::make_unique<WindowStateWatch>([this] { UpdatePreviewVisibility(); });
    window_->installEventFilter(windowWatch_.get());
  }
}

CDeviceList::~CDeviceList() {
  // Each device's threads end before the pages go with the window.
  for (CQuorvaneUSBDevice* device : Devices()) device->Core().StopThreads();
}

CControlUI* CDeviceList::Find(const wchar_t* name) const { return pm_.FindControl(name); }

int CDeviceList::TabCount() const {
  auto* list = dynamic_cast<CContainerUI*>(Find(kTabList));
  return list != nullptr ? list->GetCount() : 0;
}

CDeviceOptionUI* CDeviceList::Tab(int index) const {
  auto* list = dynamic_cast<CContainerUI*>(Find(kTabList));
  if (list == nullptr || index < 0 || index >= list->GetCount()) return nullptr;
  return dynamic_cast<CDeviceOptionUI*>(list->GetItemAt(index));
}

CQuorvaneUSBDevice* CDeviceList::Device(int index) const {
  CDeviceOptionUI* tab = Tab(index);
  return tab != nullptr ? tab->GetDeviceAs<CQuorvaneUSBDevice>() : nullptr;
}

std::vector<CQuorvaneUSBDevice*> CDeviceList::Devices() const {
  std::vector<CQuorvaneUSBDevice*> out;
  for (int i = 0; i < TabCount(); ++i)
    if (CQuorvaneUSBDevice* d = Device(i)) out.push_back(d);
  return out;
}

int CDeviceList::IndexOfTab(const CDeviceOptionUI* tab) const {
  for (int i = 0; i < TabCount(); ++i)
    if (Tab(i) == tab) return i;
  return -1;
}

// ---------------------------------------------------------------------------
// Building a page

bool CDeviceList::CreateDevicePage(int row, int role) {
  if (!table_.Contains(row)) return false;
  int source = row;
  int kind = table_.Row(row).kind;
  if (IsReceiverRowKind(kind)) {
    kind = kind == 6 ? 2 : 1;
    if (table_.Row(row).hasPartner != 0 && table_.Contains(table_.Row(row).partnerIndex))
      source = table_.Row(row).partnerIndex;
  }
  const InterfaceEntry& identity = table_.Row(source);
  const int type = FindDeviceType(identity.vendorId, identity.productId,
                                  static_cast<uint16_t>(kind), static_cast<uint16_t>(role));
  if (type < 0) return false;
  const DeviceTypeEntry& typeRow = kDeviceTypes[static_cast<size_t>(type)];
  const DevicePageEntry& pageRow = kDevicePages[static_cast<size_t>(type)];

  auto build = [this](const std::wstring& layout) -> CControlUI* {
    CDialogBuilder builder;
    CControlUI* made = builder.Create(layout, L"", callback_, &pm_, nullptr);
    if (made == nullptr)
      DebugOutputF("device page: %s yields nothing", Utf8FromWide(layout).c_str());
    return made;
  };
  std::unique_ptr<CControlUI> powerTree(build(kPowerXml));
  auto* power = dynamic_cast<CMpDevicePowerUI*>(powerTree.get());
  if (power == nullptr) return false;
  std::unique_ptr<CControlUI> tabTree(build(WideFromUtf8(typeRow.tabLayout)));
  auto* tab = dynamic_cast<CDeviceOptionUI*>(tabTree.get());
  if (tab == nullptr) return false;
  std::unique_ptr<CControlUI> pageTree(build(WideFromUtf8(pageRow.pageLayout)));
  auto* device = dynamic_cast<CQuorvaneUSBDevice*>(pageTree.get());
  if (device == nullptr) return false;

  auto* powers = dynamic_cast<CContainerUI*>(Find(kPowerLayout));
  auto* pages = dynamic_cast<CContainerUI*>(Find(kPageLayout));
  auto* tabs = dynamic_cast<CContainerUI*>(Find(kTabList));
  if (powers == nullptr || pages == nullptr || tabs == nullptr) return false;

  // The battery indicator.
  powers->Add(powerTree.release());
  power->SetKind(kind, role);

  // The device object.
  device->SetMainWindow(window_);
  device->SetKeyCount(pageRow.keyButtonCount);
  device->SetLightCount(pageRow.lightPointCount);
  CUsbDeviceCore& core = device->Core();
  core.SetDeviceIndex(type);
  core.SetDisplayName(typeRow.deviceName);
  core.SetLightLibraryStem(pageRow.lightLibraryName);
  device->SetPowerControl(power);
  device->SetBatteryPresent(pageRow.batteryIndicator != 0);
  core.SetIdentity(identity);
  pages->Add(pageTree.release());
  tabs->Add(tabTree.release());
  device->InitPage();
  core.StartLightingThread();

  // The tab.
  tab->ShowSynchronise(false);
  tab->SetGroup(WideFromUtf8(typeRow.tabGroup));
  tab->BindTab(kPageLayout, pages->GetCount() - 1);
  tab->SetBattery(kPowerLayout, powers->GetCount() - 1);
  tab->SetKind(kind, role);
  tab->SetVisible(false);
  if (CControlUI* name = tab->NameLabel()) name->SetText(WideFromUtf8(typeRow.deviceName));
  tab->SetDevice(device);
  device->SetDeviceTab(tab);
  core.SetPreviewVisible(false);  // the tab is hidden
  QPointer<CDeviceOptionUI> guard(tab);
  tab->AddNotifyHandler([this, guard](TNotifyUI& msg) {
    if (msg.sType == L"timer" && guard) OnTabTimer(guard, static_cast<int>(msg.wParam));
  });
  return true;
}

// ---------------------------------------------------------------------------
// Visible and current tabs

int CDeviceList::VisibleCount(int* first) const {
  int count = 0;
  if (first != nullptr) *first = -1;
  for (int i = 0; i < TabCount(); ++i) {
    CDeviceOptionUI* tab = Tab(i);
    if (tab == nullptr || !tab->GetVisibleFlag()) continue;
    if (count == 0 && first != nullptr) *first = i;
    ++count;
  }
  return count;
}

void CDeviceList::UpdateNotice() {
  const bool any = VisibleCount() > 0;
  if (CControlUI* notice = Find(kNotice)) notice->SetVisible(!any);
  // Nothing to page through without a device.
  for (const wchar_t* arrow : {L"device_select_prev", L"device_select_next"}) {
    if (CControlUI* c = Find(arrow)) c->SetVisible(any);
  }
  if (any) return;
  for (const wchar_t* name : {kPowerLayout, kPageLayout}) {
    if (auto* layout = dynamic_cast<CTabLayoutUI*>(Find(name)))
      if (layout->GetCount() > 0) layout->SelectItem(0);
  }
}

void CDeviceList::ShowDeviceTab(int index, bool visible, bool makeCurrent) {
  CDeviceOptionUI* tab = Tab(index);
  if (tab == nullptr) return;
  tab->SetVisible(visible);
  if (makeCurrent) {
    if (auto* pages = dynamic_cast<CTabLayoutUI*>(Find(tab->BoundLayout().c_str())))
      pages->SelectItem(tab->BoundIndex());
    if (auto* powers = dynamic_cast<CTabLayoutUI*>(Find(kPowerLayout))) {
      powers->SetVisible(tab->BatteryIndex() >= 0);
      if (tab->BatteryIndex() >= 0) powers->SelectItem(tab->BatteryIndex());
    }
    tab->Select(true);
    current_ = index;
  }
  int visibleTabs = 0;
  int synchronised = 0;
  for (int i = 0; i < TabCount(); ++i) {
    CDeviceOptionUI* t = Tab(i);
    if (t == nullptr || !t->GetVisibleFlag()) continue;
    ++visibleTabs;
    if (t->IsSynchronised()) ++synchronised;
  }
  UpdateNotice();
  // Synchronised lighting needs two devices at least.
  if (visibleTabs < 2) {
    for (CQuorvaneUSBDevice* device : Devices()) device->Core().SetLightingPaused(false);
  }
  if (synchronised < 2) {
    for (int i = 0; i < TabCount(); ++i)
      if (CDeviceOptionUI* t = Tab(i); t != nullptr && t->IsSynchronised())
        t->SetSynchronised(false);
  }
  UpdatePreviewVisibility();
}

void CDeviceList::HideDeviceTab(int index) {
  CDeviceOptionUI* tab = Tab(index);
  if (tab == nullptr) return;
  int next = -1;
  if (tab->GetVisibleFlag() && current_ == index) {
    if (hooks_.closeChildWindows) hooks_.closeChildWindows();
    if (hooks_.editIdle && hooks_.editIdle() && hooks_.endEditing) hooks_.endEditing();
    for (int i = 0; i < TabCount(); ++i) {
      if (i != index && Tab(i) != nullptr && Tab(i)->GetVisibleFlag()) {
        next = i;
        break;
      }
    }
    current_ = -1;
  }
  ShowDeviceTab(index, false, false);
  if (next >= 0) ShowDeviceTab(next, true, true);
}

void CDeviceList::OnDeviceTabSelected() {
  for (int i = 0; i < TabCount(); ++i) {
    CDeviceOptionUI* tab = Tab(i);
    if (tab == nullptr || !tab->IsSelected()) continue;
    current_ = i;
    if (auto* powers = dynamic_cast<CTabLayoutUI*>(Find(tab->BatteryContainer().c_str()))) {
      powers->SetVisible(tab->BatteryIndex() >= 0);
      if (tab->BatteryIndex() >= 0) powers->SelectItem(tab->BatteryIndex());
    }
    UpdatePreviewVisibility();
    return;
  }
}

void CDeviceList::PreviousDevice() {
  for (int i = current_ - 1; i >= 0; --i) {
    if (Tab(i) != nullptr && Tab(i)->GetVisibleFlag()) {
      ShowDeviceTab(i, true, true);
      return;
    }
  }
}

void CDeviceList::NextDevice() {
  if (current_ < 0) return;
  for (int i = current_ + 1; i < TabCount(); ++i) {
    if (Tab(i) != nullptr && Tab(i)->GetVisibleFlag()) {
      ShowDeviceTab(i, true, true);
      return;
    }
  }
}

void CDeviceList::PostShowTab(int index, bool show) {
  QMetaObject::invokeMethod(
      &context_, [this, index, show] { OnShowTabMessage(index, show); }, Qt::QueuedConnection);
}

void CDeviceList::OnShowTabMessage(int index, bool show) {
  CDeviceOptionUI* tab = Tab(index);
  if (tab == nullptr) return;
  if (!show) {
    DebugOutput("2.4gcesvdfherhue 1");
    HideDeviceTab(index);
    return;
  }
  if (tab->GetVisibleFlag()) return;
  ShowDeviceTab(index, true, VisibleCount() == 0);
}

// ---------------------------------------------------------------------------
// Arrival, removal, switch

CQuorvaneUSBDevice* CDeviceList::DeviceOfRow(int row, int* tabIndex) const {
  if (!table_.Contains(row)) return nullptr;
  const InterfaceEntry& entry = table_.Row(row);
  const InterfaceEntry* partner = entry.hasPartner != 0 && table_.Contains(entry.partnerIndex)
                                      ? &table_.Row(entry.partnerIndex)
                                      : nullptr;
  for (int i = 0; i < TabCount(); ++i) {
    CQuorvaneUSBDevice* device = Device(i);
    if (device == nullptr) continue;
    const InterfaceEntry& id = device->Core().Identity();
    if (SameInterface(id, entry) || (partner != nullptr && SameInterface(id, *partner))) {
      if (tabIndex != nullptr) *tabIndex = i;
      return device;
    }
  }
  return nullptr;
}

void CDeviceList::AttachInterface(int index) {
  const ArrivalPlan plan = PlanArrival(table_, index);
  if (plan.action == ArrivalAction::Ignore) return;
  const InterfaceEntry row = table_.Row(index);
  if (DeviceOfRow(plan.identityRow) == nullptr && plan.pageSourceRow >= 0)
    CreateDevicePage(plan.pageSourceRow, 0);
  int tabIndex = -1;
  CQuorvaneUSBDevice* device = DeviceOfRow(plan.identityRow, &tabIndex);
  switch (plan.action) {
    case ArrivalAction::OpenEventListener:
      if (device != nullptr) device->Core().AttachListener(row.path, row.kind);
      break;
    case ArrivalAction::SwitchConnection:
      SwitchConnection(index);
      break;
    case ArrivalAction::OpenChannel:
      if (device != nullptr && !device->Core().Channel().IsOpen()) {
        OpenChannel(device, plan, row.path);
        if (CDeviceOptionUI* tab = Tab(tabIndex)) {
          if (plan.showTab && !tab->GetVisibleFlag())
            ShowDeviceTab(tabIndex, true, VisibleCount() == 0);
          tab->SetTimer(IDevicePageSink::kConnectTimer, 500);
        }
      }
      break;
    case ArrivalAction::None:
    case ArrivalAction::Ignore:
      break;
  }
  if (hooks_.bringToFront) hooks_.bringToFront();
}

void CDeviceList::OpenChannel(CQuorvaneUSBDevice* device, const ArrivalPlan& plan,
                              const std::string& path) {
  CUsbDeviceCore& core = device->Core();
  CDeviceChannel& channel = core.Channel();
  if (!channel.OpenRecord(plan.record == ChannelRecord::Receiver, path, plan.connectionMode)) {
    DebugOutputF("device channel: %s does not open", path.c_str());
    return;
  }
  core.SetIdentity(table_.Row(plan.identityRow));
  core.WakeLightingThread();
}

void CDeviceList::SwitchConnection(int index) {
  int tabIndex = -1;
  CQuorvaneUSBDevice* device = DeviceOfRow(index, &tabIndex);
  if (device == nullptr) return;
  CUsbDeviceCore& core = device->Core();
  CDeviceChannel& channel = core.Channel();
  const SwitchPlan plan = PlanSwitch(table_, index, channel.IsDongleMode());
  if (!plan.valid) return;
  bool opened = false;
  {
    std::lock_guard<std::recursive_mutex> io(channel.IoLock());
    channel.SetOpen(false);
    opened = channel.OpenRecord(plan.reopen == ChannelRecord::Receiver, plan.newPath,
                                plan.connectionMode);
  }
  if (!opened) {
    DebugOutputF("device channel: switch to %s failed", plan.newPath.c_str());
    return;
  }
  core.WakeLightingThread();
  CDeviceOptionUI* tab = Tab(tabIndex);
  if (plan.toReceiver) {
    // The link query runs from a timer, a try every pause, so the UI thread
    // never waits out the whole retry time.
    if (device->GetPowerControl() != nullptr)
      TryWirelessLink(device, linkTries_);
    else
      FinishReceiverSwitch(device);
  } else {
    if (tab != nullptr) tab->SetTimer(IDevicePageSink::kConnectTimer, 500);
    PostShowTab(tabIndex, true);
    if (device->GetPowerControl() != nullptr) core.RefreshPowerStatus();
  }
}

void CDeviceList::TryWirelessLink(CQuorvaneUSBDevice* device, int triesLeft) {
  QPointer<CQuorvaneUSBDevice> guard(device);
  CDeviceChannel& channel = device->Core().Channel();
  if (!channel.IsOpen() || !channel.IsDongleMode()) return;  // switched again meanwhile
  if (channel.QueryWirelessLink() || triesLeft <= 1) {
    FinishReceiverSwitch(device);
    return;
  }
  DebugOutput("获取2.4G模式失败");
  QTimer::singleShot(linkPauseMs_, &context_, [this, guard, triesLeft] {
    if (guard) TryWirelessLink(guard, triesLeft - 1);
  });
}

void CDeviceList::FinishReceiverSwitch(CQuorvaneUSBDevice* device) {
  CUsbDeviceCore& core = device->Core();
  core.OnDeviceConnected();
  core.Channel().BeginConfig();
  if (CDeviceOptionUI* tab = device->GetDeviceTab())
    tab->SetTimer(IDevicePageSink::kLinkWatchTimer, 2000);
}

void CDeviceList::DetachInterface(int index) {
  const RemovalPlan plan = PlanRemoval(table_, index);
  if (plan.action == RemovalAction::Ignore) return;
  if (plan.lostMessage != nullptr) DebugOutput(plan.lostMessage);
  int tabIndex = -1;
  CQuorvaneUSBDevice* device = DeviceOfRow(plan.identityRow, &tabIndex);
  switch (plan.action) {
    case RemovalAction::CloseEventListener:
      if (device != nullptr) device->Core().DetachListener(table_.Row(index).kind);
      break;
    case RemovalAction::SwitchConnection:
      SwitchConnection(index);
      break;
    case RemovalAction::CloseChannel:
      if (device != nullptr) {
        CDeviceChannel& channel = device->Core().Channel();
        {
          std::lock_guard<std::recursive_mutex> io(channel.IoLock());
          channel.SetOpen(false);
          channel.WiredInterface().Close();
          channel.DongleInterface().Close();
        }
        device->Core().WakeLightingThread();
        device->SetFramesStarted(false);
        HideDeviceTab(tabIndex);
      }
      break;
    case RemovalAction::None:
    case RemovalAction::Ignore:
      break;
  }
}

std::vector<DeviceSummary> CDeviceList::Summaries() const {
  std::vector<DeviceSummary> out;
  for (int i = 0; i < TabCount(); ++i) {
    CDeviceOptionUI* tab = Tab(i);
    CQuorvaneUSBDevice* device = Device(i);
    if (tab == nullptr || device == nullptr) continue;
    DeviceSummary s;
    s.kind = tab->GetKind();
    s.connection = device->Core().Channel().IsDongleMode() ? "receiver" : "wired";
    s.visible = tab->GetVisibleFlag();
    out.push_back(s);
  }
  return out;
}

// ---------------------------------------------------------------------------
// Tab timers

bool CDeviceList::PageRepaintAllowed(CQuorvaneUSBDevice* device) const {
  if (window_ != nullptr && (!window_->isVisible() || window_->isMinimized())) return false;
  CDeviceOptionUI* tab = device->GetDeviceTab();
  return tab != nullptr && IndexOfTab(tab) == current_ && tab->GetVisibleFlag();
}

void CDeviceList::UpdatePreviewVisibility() {
  for (CQuorvaneUSBDevice* device : Devices()) {
    const bool seen = PageRepaintAllowed(device);
    device->Core().SetPreviewVisible(seen);
    CDeviceOptionUI* tab = device->GetDeviceTab();
    if (tab == nullptr) continue;
    if (!seen) {
      // Nothing to repaint; the frames a keyboard is sent come from the
      // lighting thread and keep their rate.
      tab->KillTimer(IDevicePageSink::kFrameTimer);
    } else if (device->FramesStarted() && device->Core().Channel().IsOpen() &&
               !tab->HasTimer(IDevicePageSink::kFrameTimer)) {
      tab->SetTimer(IDevicePageSink::kFrameTimer, 1);  // shows the current frame at once
    }
  }
}

void CDeviceList::OnTabTimer(CDeviceOptionUI* tab, int id) {
  tab->KillTimer(static_cast<UINT>(id));
  auto* device = tab->GetDeviceAs<CQuorvaneUSBDevice>();
  if (device == nullptr) return;
  CUsbDeviceCore& core = device->Core();
  CDeviceChannel& channel = core.Channel();
  const int index = IndexOfTab(tab);
  switch (id) {
    case IDevicePageSink::kConnectTimer: {
      if (channel.IsDongleMode() && channel.IsOpen()) {
        if (!core.IsWirelessLinkUp()) {
          tab->CountLinkFailure();
          if (tab->GetVisibleFlag()) PostShowTab(index, false);
          tab->SetTimer(IDevicePageSink::kConnectTimer, 3000);
          return;
        }
        PostShowTab(index, true);
      }
      core.OnDeviceConnected();
      tab->ResetLinkFailures();
      device->SetFramesStarted(true);
      if (PageRepaintAllowed(device)) tab->SetTimer(IDevicePageSink::kFrameTimer, 5);
      if (device->GetPowerControl() != nullptr && channel.IsOpen())
        tab->SetTimer(IDevicePageSink::kPowerTimer, 50);
      if (channel.IsDongleMode()) tab->SetTimer(IDevicePageSink::kLinkWatchTimer, 2000);
      break;
    }
    case IDevicePageSink::kFrameTimer:
      if (!channel.IsOpen()) {  // the timer stops with the channel
        device->SetFramesStarted(false);
        return;
      }
      // The timer repaints the page and runs only while the page can be
      // seen (UpdatePreviewVisibility starts it again); the frames streamed
      // to a keyboard come from its lighting thread and keep their rate.
      if (!PageRepaintAllowed(device)) return;
      device->PushLightFrame();
      tab->SetTimer(IDevicePageSink::kFrameTimer,
                    channel.IsDongleMode() ? kReceiverRepaintPeriodMs : kRepaintPeriodMs);
      break;
    case IDevicePageSink::kPowerTimer:
      core.RefreshPowerStatus();
      if (device->GetPowerControl() != nullptr && channel.IsOpen())
        tab->SetTimer(IDevicePageSink::kPowerTimer, 5000);
      break;
    case IDevicePageSink::kLinkWatchTimer: {
      if (!channel.IsDongleMode()) return;
      const bool up = core.IsWirelessLinkUp();
      if (up && !tab->GetVisibleFlag()) {
        PostShowTab(index, true);
        core.RefreshPowerStatus();
      } else if (!up && tab->GetVisibleFlag()) {
        PostShowTab(index, false);
      }
      if (channel.IsOpen()) tab->SetTimer(IDevicePageSink::kLinkWatchTimer, 3000);
      break;
    }
    case IDevicePageSink::kSyncTimer:
      core.OnDeviceSyncRequest();
      break;
    case 1003:
      core.HookOperation1();
      break;
    case 1004:
      core.HookOperation2();
      break;
    default:
      break;
  }
}
