// The main window built from the skin with discovery on a private bus folder:
// the keyboard's tab follows the simulator, other programs can list the
// device pages over the bus, and a shutdown with a keyboard connected ends
// every thread within its bounds.

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <atomic>
#include <thread>

#include "panels/controls/device_option.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "shell/control_classes.h"
#include "shell/main_wnd.h"
#include "shell/quorvane_usb_device.h"
#include "sim/simulator.h"
#include "tests/shell/qt_app.h"
#include "tests/support/bus_folder_fixture.h"

namespace {

constexpr int kKeyboardTab = 1;

QString TestService() {
  return QString("org.ruvemo.TestDevices.P%1").arg(QCoreApplication::applicationPid());
}

class MainWndDevicesTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    TestApp();
    CPaintManagerUI::SetResourcePath(std::wstring(L"" RUVEMO_SOURCE_DIR) + L"/skin/");
    CResourceManager::GetInstance().LoadResource(L"res.xml");
    RegisterControlClasses();
    SimulatorOptions options;
    options.busFolder = Folder();
    options.timing = false;
    sim = std::make_unique<CSimulator>(options);
    window = new CMainWnd();
    DiscoveryOptions discovery;
    discovery.watchHidraw = false;  // the machine's own devices stay out
    window->SetDiscoveryOptions(discovery);
    ASSERT_TRUE(window->Create(nullptr, L"Brivo75", UI_WNDSTYLE_DIALOG, 0, 0, 0, 800, 572));
    ASSERT_TRUE(SpinUntil([&] { return window->Devices() != nullptr; }, 2000));
  }
  void TearDown() override {
    window->Shutdown();
    delete window;
    DrainPostedQuit();
    sim.reset();
    BusFolderTest::TearDown();
  }
  bool KeyboardShown() const {
    CDeviceOptionUI* tab = window->Devices()->Tab(kKeyboardTab);
    return tab != nullptr && tab->GetVisibleFlag();
  }

  std::unique_ptr<CSimulator> sim;
  CMainWnd* window = nullptr;
};

TEST_F(MainWndDevicesTest, TheWindowShowsAfterTheFirstScanWithTheMouseAndKeyboardPages) {
  ASSERT_TRUE(SpinUntil([&] { return window->isVisible(); }, 2000));
  EXPECT_TRUE(window->FirstScanDone());
  CDeviceList* list = window->Devices();
  ASSERT_EQ(list->TabCount(), 2);
  EXPECT_EQ(list->Tab(0)->GetKind(), 2);
  EXPECT_EQ(list->Tab(1)->GetKind(), 1);
  EXPECT_EQ(list->VisibleCount(), 0);
  EXPECT_TRUE(window->GetPaintManager().FindControl(L"No_device_Link")->IsVisible());
  EXPECT_EQ(window->CurrentDevice(), nullptr);
}

TEST_F(MainWndDevicesTest, PluggingTheKeyboardShowsItsTabAndTheBusListsIt) {
  ASSERT_TRUE(SpinUntil([&] { return window->FirstScanDone(); }, 2000));
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(sim->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(SpinUntil([&] { return KeyboardShown(); }, 2000));
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_EQ(window->CurrentDevice(), window->Devices()->Device(kKeyboardTab));
  EXPECT_FALSE(window->GetPaintManager().FindControl(L"No_device_Link")->IsVisible());

  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  CProgramBus bus(QDBusConnection::sessionBus(), TestService());
  window->AttachProgramBus(&bus);
  ASSERT_EQ(bus.ClaimInstance(), CProgramBus::Claim::kFirst);
  QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "lister");
  QDBusMessage reply;
  std::atomic<bool> done{false};
  std::thread caller([&] {
    reply = other.call(QDBusMessage::createMethodCall(TestService(), kProgramBusPath,
                                                      kProgramBusInterface, "ListDevices"),
                       QDBus::Block, 2000);
    done = true;
  });
  SpinUntil([&] { return done.load(); }, 3000);
  caller.join();
  ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  EXPECT_EQ(reply.signature(), "a(isb)");
  const BusDeviceList devices = qdbus_cast<BusDeviceList>(reply.arguments().value(0));
  ASSERT_EQ(devices.size(), 2);
  EXPECT_EQ(devices[0].kind, 2);
  EXPECT_FALSE(devices[0].visible);
  EXPECT_EQ(devices[1].kind, 1);
  EXPECT_EQ(devices[1].connection, "wired");
  EXPECT_TRUE(devices[1].visible);
  window->AttachProgramBus(nullptr);
  bus.Release();
  QDBusConnection::disconnectFromBus("lister");
}

TEST_F(MainWndDevicesTest, ShutdownWithAKeyboardConnectedEndsEveryThread) {
  ASSERT_TRUE(sim->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(SpinUntil([&] { return KeyboardShown(); }, 2000));
  CQuorvaneUSBDevice* keyboard = window->Devices()->Device(kKeyboardTab);
  ASSERT_TRUE(SpinUntil([&] { return keyboard->Core().IsListenerAttached(1); }, 2000));
  EXPECT_TRUE(keyboard->Core().IsLightingThreadRunning());

  QElapsedTimer clock;
  clock.start();
  window->Shutdown();
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_TRUE(window->WorkerSlots().Finished(CWorkerSlots::kDiscoverySlot));
  for (CQuorvaneUSBDevice* device : window->Devices()->Devices()) {
    EXPECT_FALSE(device->Core().IsLightingThreadRunning());
    EXPECT_FALSE(device->Core().IsListenerAttached(1));
  }
}

}  // namespace
