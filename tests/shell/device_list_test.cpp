// The device list against the simulator on a private bus folder: the
// discovery thread hands its findings to the UI thread the way the main
// window does, and the tabs, pages and channels follow plugging, pulling and
// switching connections.

#include "shell/device_list.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "devices/discovery_thread.h"
#include "panels/controls/device_option.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "profiles/json_file.h"
#include "shell/control_classes.h"
#include "shell/quorvane_usb_device.h"
#include "shell/stop_event.h"
#include "shell/ui_call_queue.h"
#include "shell/ui_wake.h"
#include "sim/simulator.h"
#include "tests/shell/qt_app.h"
#include "tests/support/bus_folder_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// The keyboard and mouse answer the link query through their receiver, as
// their device classes do.
class LinkCore : public CUsbDeviceCore {
 public:
  ~LinkCore() override { StopThreads(); }
  bool IsWirelessLinkUp() override {
    return Channel().IsOpen() && Channel().IsDongleMode() && Channel().QueryWirelessLink();
  }
};

class PageCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const std::wstring& element) override {
    if (EqualsNoCase(element, L"QuorvaneKeyboardDevice") ||
        EqualsNoCase(element, L"QuorvaneMouseDevice"))
      return new CQuorvaneUSBDevice(std::make_unique<LinkCore>());
    if (EqualsNoCase(element, L"QuorvaneMousePadDevice")) return new CQuorvaneUSBDevice();
    return CreateMainSkinControl(element, manager);
  }
  CPaintManagerUI* manager = nullptr;
};

constexpr wchar_t kHostXml[] =
    L"<Window><VerticalLayout name=\"root\">"
    L"<HorizontalLayout name=\"device_select_layout\"/>"
    L"<Button name=\"device_select_prev\"/><Button name=\"device_select_next\"/>"
    L"<TabLayout name=\"device_power_switch\"/>"
    L"<TabLayout name=\"device_switch\"/>"
    L"<VerticalLayout name=\"No_device_Link\"/>"
    L"</VerticalLayout></Window>";

// Hands discovery's findings to the UI thread and waits, like the main window.
class UiSink : public IDiscoverySink {
 public:
  UiSink(CUiCallQueue& calls, CDeviceList& list) : calls_(calls), list_(list) {}
  bool OnInterfaceArrived(int index) override {
    return calls_.Send([this, index] { list_.AttachInterface(index); }, &stop_);
  }
  bool OnInterfaceRemoved(int index) override {
    return calls_.Send([this, index] { list_.DetachInterface(index); }, &stop_);
  }
  void OnFirstScanComplete() override {}
  void OnStopRequested() override { stop_.Set(); }

 private:
  CUiCallQueue& calls_;
  CDeviceList& list_;
  CStopEvent stop_;
};

class DeviceListTest : public BusFolderTest {
 protected:
  static constexpr int kMouseTab = 0;
  static constexpr int kKeyboardTab = 1;

  void SetUp() override {
    BusFolderTest::SetUp();
    TestApp();
    RegisterControlClasses();
    // The skin with a stand-in page for the mouse pad, whose page file is
    // not part of the skin yet.
    char pattern[] = "/tmp/ruvemo-skin-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    skin = pattern;
    std::filesystem::copy(std::string(RUVEMO_SOURCE_DIR) + "/skin", skin,
                          std::filesystem::copy_options::recursive);
    std::ofstream(skin + "/XML/DeviceXml/mousepaddevice.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuorvaneMousePadDevice/>\n";
    CResourceManager& resources = CResourceManager::GetInstance();
    resources.SetResourcePath(WideFromUtf8(skin + "/"));
    ASSERT_TRUE(resources.LoadResource(L"res.xml"));
    host = std::make_unique<QWidget>();
    manager.Init(host.get(), L"device_list_test");
    callback.manager = &manager;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(kHostXml, L"", &callback, &manager);
    ASSERT_NE(root, nullptr);
    root->setParent(host.get());
    manager.AttachDialog(root);
    list = std::make_unique<CDeviceList>(manager, &callback, host.get());
    list->SetLinkRetry(3, 5);
    wake = std::make_unique<CUiWake>([this] { calls.Serve(); });
    calls.SetWake([this] { wake->Signal(); });
    // The mouse and keyboard pages exist from the start, as at "windowinit".
    for (int t = 0; t < 2; ++t) {
      const DeviceTypeEntry& type = kDeviceTypes[static_cast<size_t>(t)];
      ASSERT_TRUE(list->CreateDevicePage(
          FindCommandRow(type.vendorId, type.productId, type.kind, type.role), 0));
    }
    sink = std::make_unique<UiSink>(calls, *list);
  }
  void TearDown() override {
    if (discovery) discovery->Stop();
    discovery.reset();
    sims.clear();
    list.reset();
    host.reset();
    if (!skin.empty()) std::filesystem::remove_all(skin);
    BusFolderTest::TearDown();
  }

  CSimulator& Sim(const std::string& prefix = "ruvemo-sim") {
    SimulatorOptions options;
    options.busFolder = Folder();
    options.timing = false;
    options.stemPrefix = prefix;
    sims.push_back(std::make_unique<CSimulator>(options));
    return *sims.back();
  }
  void StartDiscovery() {
    DiscoveryOptions options;
    options.watchHidraw = false;
    discovery = std::make_unique<CDiscoveryThread>(list->Table(), *sink, options);
    ASSERT_TRUE(discovery->Start());
  }
  bool TabVisible(int i) const { return list->Tab(i) != nullptr && list->Tab(i)->GetVisibleFlag(); }
  bool Notice() const { return manager.FindControl(L"No_device_Link")->IsVisible(); }

  std::string skin;
  std::unique_ptr<QWidget> host;
  CPaintManagerUI manager;
  PageCallback callback;
  CUiCallQueue calls;
  std::unique_ptr<CUiWake> wake;
  std::unique_ptr<CDeviceList> list;
  std::unique_ptr<UiSink> sink;
  std::unique_ptr<CDiscoveryThread> discovery;
  std::vector<std::unique_ptr<CSimulator>> sims;
};

TEST_F(DeviceListTest, WithoutADeviceTheNoticeShowsAndPagesZeroAreSelected) {
  list->UpdateNotice();
  EXPECT_EQ(list->TabCount(), 2);
  EXPECT_EQ(list->VisibleCount(), 0);
  EXPECT_TRUE(Notice());
  for (const wchar_t* name : {L"device_switch", L"device_power_switch"})
    EXPECT_EQ(static_cast<CTabLayoutUI*>(manager.FindControl(name))->GetCurSel(), 0);
  // Paging with nothing visible does nothing.
  list->NextDevice();
  list->PreviousDevice();
  EXPECT_EQ(list->CurrentIndex(), -1);
}

TEST_F(DeviceListTest, PluggingTheKeyboardShowsItsTabAndUnpluggingHidesIt) {
  StartDiscovery();
  CSimulator& sim = Sim();
  const auto plugged = Clock::now();
  ASSERT_TRUE(sim.Plug(SimProduct::Keyboard));
  ASSERT_TRUE(SpinUntil([&] { return TabVisible(kKeyboardTab); }, 2000));
  EXPECT_LT(Clock::now() - plugged, std::chrono::milliseconds(1000));
  EXPECT_FALSE(Notice());
  EXPECT_TRUE(manager.FindControl(L"device_select_next")->IsVisible());
  EXPECT_EQ(list->CurrentIndex(), kKeyboardTab);
  CQuorvaneUSBDevice* keyboard = list->Device(kKeyboardTab);
  EXPECT_TRUE(keyboard->Core().Channel().IsOpen());
  const auto summaries = list->Summaries();
  ASSERT_EQ(summaries.size(), 2u);
  EXPECT_EQ(summaries[kKeyboardTab].kind, 1);
  EXPECT_EQ(summaries[kKeyboardTab].connection, "wired");
  EXPECT_TRUE(summaries[kKeyboardTab].visible);
  // The start-up timer starts the frames: the repaint timer runs only while
  // the page can be seen, and the lighting thread is told whether it is.
  CDeviceOptionUI* tab = list->Tab(kKeyboardTab);
  ASSERT_TRUE(SpinUntil([&] { return keyboard->FramesStarted(); }, 2000));
  EXPECT_FALSE(tab->HasTimer(1000));  // the window was never shown
  EXPECT_FALSE(keyboard->Core().IsPreviewVisible());
  struct Step {
    const char* what;
    std::function<void()> act;
    bool seen;
  };
  const Step steps[] = {
      {"shown", [&] { host->show(); }, true},
      {"minimised", [&] { host->showMinimized(); }, false},
      {"restored", [&] { host->showNormal(); }, true},
      {"hidden to the tray", [&] { host->hide(); }, false},
      {"shown again", [&] { host->show(); }, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(list->PageRepaintAllowed(keyboard), step.seen);
    EXPECT_EQ(keyboard->Core().IsPreviewVisible(), step.seen);
    EXPECT_EQ(tab->HasTimer(1000), step.seen);
  }
  // The frame timer keeps itself going while seen, and a tick after the
  // window went away does not start it again.
  list->OnTabTimer(tab, 1000);
  EXPECT_TRUE(tab->HasTimer(1000));
  host->hide();
  list->OnTabTimer(tab, 1000);
  EXPECT_FALSE(tab->HasTimer(1000));
  host->show();

  sim.Unplug(SimProduct::Keyboard);
  ASSERT_TRUE(SpinUntil([&] { return !TabVisible(kKeyboardTab); }, 2000));
  EXPECT_FALSE(keyboard->Core().Channel().IsOpen());
  EXPECT_TRUE(Notice());
  EXPECT_FALSE(manager.FindControl(L"device_select_next")->IsVisible());
  // The frame timer ends with the channel.
  EXPECT_TRUE(SpinUntil([&] { return !list->Tab(kKeyboardTab)->HasTimer(1000); }, 500));

  // A new plug reuses the same page.
  ASSERT_TRUE(sim.Plug(SimProduct::Keyboard));
  ASSERT_TRUE(SpinUntil([&] { return TabVisible(kKeyboardTab); }, 2000));
  EXPECT_EQ(list->Device(kKeyboardTab), keyboard);
  EXPECT_EQ(list->TabCount(), 2);
}

TEST_F(DeviceListTest, PullingTheCableMovesTheChannelToTheReceiverAndBack) {
  CSimulator& sim = Sim();
  ASSERT_TRUE(sim.Plug(SimProduct::Keyboard));
  ASSERT_TRUE(sim.SetReceiverPlugged(SimProduct::Keyboard, true));
  StartDiscovery();
  ASSERT_TRUE(SpinUntil([&] { return TabVisible(kKeyboardTab); }, 2000));
  CDeviceChannel& channel = list->Device(kKeyboardTab)->Core().Channel();
  EXPECT_FALSE(channel.IsDongleMode());

  ASSERT_TRUE(sim.SetConnection(SimProduct::Keyboard, true));  // the cable is pulled
  ASSERT_TRUE(SpinUntil([&] { return channel.IsDongleMode() && channel.IsOpen(); }, 2000));
  SpinUntil([] { return false; }, 200);
  EXPECT_TRUE(TabVisible(kKeyboardTab));
  EXPECT_EQ(list->TabCount(), 2);
  EXPECT_EQ(list->Summaries()[kKeyboardTab].connection, "receiver");

  ASSERT_TRUE(sim.SetConnection(SimProduct::Keyboard, false));  // plugged in again
  ASSERT_TRUE(SpinUntil([&] { return !channel.IsDongleMode() && channel.IsOpen(); }, 2000));
  EXPECT_TRUE(TabVisible(kKeyboardTab));
  EXPECT_EQ(list->TabCount(), 2);
}

TEST_F(DeviceListTest, AnUnreachableDeviceBehindItsReceiverKeepsItsTabHiddenUntilItAnswers) {
  CSimulator& sim = Sim();
  ASSERT_TRUE(sim.SetConnection(SimProduct::Keyboard, true));
  sim.SetReachable(SimProduct::Keyboard, false);
  StartDiscovery();
  ASSERT_TRUE(sim.Plug(SimProduct::Keyboard));
  CDeviceChannel& channel = list->Device(kKeyboardTab)->Core().Channel();
  ASSERT_TRUE(SpinUntil([&] { return channel.IsOpen() && channel.IsDongleMode(); }, 2000));
  // The start-up timer asked and got no answer.
  ASSERT_TRUE(SpinUntil([&] { return list->Tab(kKeyboardTab)->LinkFailures() > 0; }, 2000));
  EXPECT_FALSE(TabVisible(kKeyboardTab));
  EXPECT_TRUE(list->Tab(kKeyboardTab)->HasTimer(1001));  // probed again later

  sim.SetReachable(SimProduct::Keyboard, true);
  list->OnTabTimer(list->Tab(kKeyboardTab), 1001);  // the retry, without its 3 s
  ASSERT_TRUE(SpinUntil([&] { return TabVisible(kKeyboardTab); }, 2000));
}

TEST_F(DeviceListTest, TwoIdenticalPadsMakeOnePage) {
  CSimulator& first = Sim("first");
  CSimulator& second = Sim("second");
  ASSERT_TRUE(first.Plug(SimProduct::Pad));
  ASSERT_TRUE(second.Plug(SimProduct::Pad));
  StartDiscovery();
  ASSERT_TRUE(SpinUntil([&] { return list->TabCount() == 3 && TabVisible(2); }, 2000));
  SpinUntil([] { return false; }, 200);
  EXPECT_EQ(list->TabCount(), 3);
  EXPECT_EQ(list->Tab(2)->GetKind(), 3);
}

TEST_F(DeviceListTest, WithoutItsPageLayoutADeviceIsOnlyRecordedInTheTable) {
  std::filesystem::remove(skin + "/XML/DeviceXml/mousepaddevice.xml");
  CSimulator& sim = Sim();
  ASSERT_TRUE(sim.Plug(SimProduct::Pad));
  StartDiscovery();
  SpinUntil([] { return false; }, 500);
  discovery->Stop();  // the table is read once discovery has ended
  EXPECT_EQ(list->Table().ClaimedRows(), (std::vector<int>{8, 9}));
  EXPECT_EQ(list->TabCount(), 2);
  EXPECT_EQ(list->VisibleCount(), 0);
}

TEST_F(DeviceListTest, ASecondDeviceDoesNotTakeTheCurrentTabAndNextStopsAtTheLast) {
  CSimulator& sim = Sim();
  StartDiscovery();
  ASSERT_TRUE(sim.Plug(SimProduct::Keyboard));
  ASSERT_TRUE(SpinUntil([&] { return TabVisible(kKeyboardTab); }, 2000));
  ASSERT_TRUE(sim.Plug(SimProduct::Pad));
  ASSERT_TRUE(SpinUntil([&] { return list->TabCount() == 3 && TabVisible(2); }, 2000));
  EXPECT_EQ(list->CurrentIndex(), kKeyboardTab);
  EXPECT_EQ(list->VisibleCount(), 2);

  list->NextDevice();
  EXPECT_EQ(list->CurrentIndex(), 2);
  list->NextDevice();  // the last visible tab: nothing happens
  EXPECT_EQ(list->CurrentIndex(), 2);
  list->PreviousDevice();
  EXPECT_EQ(list->CurrentIndex(), kKeyboardTab);
  list->PreviousDevice();  // the mouse tab is hidden
  EXPECT_EQ(list->CurrentIndex(), kKeyboardTab);

  // Losing the current device makes the other one current.
  sim.Unplug(SimProduct::Keyboard);
  ASSERT_TRUE(SpinUntil([&] { return !TabVisible(kKeyboardTab); }, 2000));
  EXPECT_EQ(list->CurrentIndex(), 2);
  EXPECT_FALSE(Notice());
}

}  // namespace
