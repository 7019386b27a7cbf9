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
#include <filesystem>
#include <fstream>
#include <thread>

#include "panels/controls/device_option.h"
#include "panels/device_profile.h"
#include "panels/toolkit/combo.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "profiles/json_file.h"
#include "shell/control_classes.h"
#include "shell/file_dialogs.h"
#include "shell/main_wnd.h"
#include "shell/quorvane_usb_device.h"
#include "sim/simulator.h"
#include "tests/shell/qt_app.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/sim_bus.h"

namespace {

constexpr int kKeyboardTab = 1;

QString TestService() {
  return QString("org.ruvemo.TestDevices.P%1").arg(QCoreApplication::applicationPid());
}

class MainWndDevicesTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    sim = MakeQuickSimulator(Folder());
    CreateWindow();
  }
  void CreateWindow() {
    TestApp();
    CPaintManagerUI::SetResourcePath(std::wstring(L"" RUVEMO_SOURCE_DIR) + L"/skin/");
    CResourceManager::GetInstance().LoadResource(L"res.xml");
    RegisterControlClasses();
    window = new CMainWnd();
    DiscoveryOptions discovery;
    discovery.watchHidraw = false;  // the machine's own devices stay out
    window->SetDiscoveryOptions(discovery);
    ASSERT_TRUE(window->Create(nullptr, L"Brivo75", UI_WNDSTYLE_DIALOG, 0, 0, 0, 800, 572));
    ASSERT_TRUE(SpinUntil([&] { return window->Devices() != nullptr; }, 2000));
  }
  void TearDown() override {
    if (window != nullptr) {
      window->Shutdown();
      delete window;
      DrainPostedQuit();
    }
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

// A keyboard present at start: its arrival comes during the first scan, and
// the window still waits for the scan's end.
class StartWithKeyboardTest : public MainWndDevicesTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    sim = MakeQuickSimulator(Folder());
    ASSERT_TRUE(sim->Plug(SimProduct::Keyboard));
    MainWndDevicesTest::CreateWindow();
  }
};

TEST_F(StartWithKeyboardTest, TheWindowShowsOnlyAfterTheFirstScan) {
  bool shownEarly = false;
  ASSERT_TRUE(SpinUntil(
      [&] {
        if (window->isVisible() && !window->FirstScanDone()) shownEarly = true;
        return window->isVisible();
      },
      2000));
  EXPECT_FALSE(shownEarly);
  EXPECT_TRUE(KeyboardShown());
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
  EXPECT_TRUE(window->WorkerSlots().Finished(CWorkerSlots::kSyncLightingSlot));
  for (CQuorvaneUSBDevice* device : window->Devices()->Devices()) {
    EXPECT_FALSE(device->Core().IsLightingThreadRunning());
    EXPECT_FALSE(device->Core().IsListenerAttached(1));
  }
}

TEST_F(MainWndDevicesTest, SameModePausesTheConnectedDevicesAndRunsTheCommonEffect) {
  ASSERT_TRUE(sim->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(SpinUntil([&] { return KeyboardShown(); }, 2000));
  CUsbDeviceCore& keyboard = window->CurrentDevice()->Core();
  keyboard.SetLightInfo(23 | 4 << 8 | 1 << 16, 0, 0, 0);  // blink, brightest, speed 1
  window->ApplyLightingToAll();
  EXPECT_TRUE(keyboard.Channel().IsLightingPaused());
  EXPECT_EQ(keyboard.GetLightInfo().SelectItem, 23);
  ASSERT_TRUE(SpinUntil([&] { return window->SyncLighting().Steps() > 0; }, 2000));

  // A mode without a common effect changes nothing.
  keyboard.SetLightingPaused(false);
  keyboard.SetLightInfo(7, 0, 0, 0);
  window->ApplyLightingToAll();
  EXPECT_FALSE(keyboard.Channel().IsLightingPaused());
}

// The profile bar of the keyboard's page on a folder of its own, with the
// message box and the file dialogs answered by the test.
class ProfileBarTest : public MainWndDevicesTest {
 protected:
  void SetUp() override {
    MainWndDevicesTest::SetUp();
    if (HasFatalFailure()) return;
    folder = Folder() + "-profiles/";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "default.json")
        << R"({"profilename":"default","profileUUID":"0","Device":[{}]})";
    ASSERT_TRUE(sim->Plug(SimProduct::Keyboard));
    ASSERT_TRUE(SpinUntil([&] { return KeyboardShown(); }, 2000));
    keyboard = window->CurrentDevice();
    ASSERT_NE(keyboard, nullptr);
    bar = dynamic_cast<CDeviceProfileUI*>(keyboard->FindSubControl(L"DeviceProfileItem"));
    ASSERT_NE(bar, nullptr);
    bar->SetFolders(folder, folder + "default.json");
    ASSERT_TRUE(bar->InitProfiles());
    window->SetMessageHook([this](const std::wstring& text, int buttons) {
      messages.push_back(text);
      (void)buttons;
      return answer;
    });
  }
  void TearDown() override {
    SetFileDialogProvider({});
    MainWndDevicesTest::TearDown();
    std::filesystem::remove_all(folder);
  }
  // A click on a button of the bar, as the skin sends it.
  void Click(const wchar_t* name) {
    CControlUI* button = bar->FindSubControl(name);
    ASSERT_NE(button, nullptr);
    TNotifyUI msg;
    msg.sType = L"click";
    msg.pSender = button;
    window->Notify(msg);
  }
  void ChooseFile(const std::string& path) {
    SetFileDialogProvider(
        [path](FileDialogKind, const QString&, QWidget*) { return QString::fromStdString(path); });
  }

  std::string folder;
  CQuorvaneUSBDevice* keyboard = nullptr;
  CDeviceProfileUI* bar = nullptr;
  std::vector<std::wstring> messages;
  int answer = 1;
};

TEST_F(ProfileBarTest, RenameRefusalsShowTheirMessages) {
  ASSERT_TRUE(bar->AddProfile());  // profile2
  struct Case {
    const wchar_t* name;
    const wchar_t* message;
  };
  for (const Case& c : {Case{L"PROFILE2", L"message_text_5"}, Case{L"  ", L"message_text_25"}}) {
    messages.clear();
    bar->SetNameEditText(c.name);
    Click(L"device_profile_edit_save_btn");
    EXPECT_EQ(messages, std::vector<std::wstring>{c.message});
  }
}

TEST_F(ProfileBarTest, ImportTakesOnlyProfileDocuments) {
  const int before = bar->GetProfileCount();
  std::ofstream(folder + "stray.json") << R"({"profilename":"stray"})";
  ChooseFile(folder + "stray.json");
  Click(L"device_import_btn");
  EXPECT_EQ(bar->GetProfileCount(), before);
  EXPECT_TRUE(messages.empty());

  std::ofstream(folder + "Work.json") << R"({"profilename":"w","profileUUID":"1","Device":[{}]})";
  ChooseFile(folder + "Work.json");
  Click(L"device_import_btn");
  EXPECT_EQ(bar->GetProfileCount(), before + 1);

  // Export writes the selected profile where the dialog says.
  ChooseFile(folder + "out.json");
  Click(L"device_export_btn");
  EXPECT_TRUE(std::filesystem::exists(folder + "out.json"));
}

TEST_F(ProfileBarTest, AFailedWriteSaysWhy) {
  // The list file cannot be written where a folder stands in its place.
  std::filesystem::remove(folder + "ProfileList.ini");
  std::filesystem::create_directory(folder + "ProfileList.ini");
  Click(L"device_add_btn");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(L"The profile could not be saved"), std::wstring::npos);
  EXPECT_GT(messages[0].size(), std::wstring(L"The profile could not be saved:").size() + 1);
}

TEST_F(ProfileBarTest, SwitchingGivesTheDeviceTheSelectedProfileAfterTheTimer) {
  ASSERT_TRUE(bar->AddProfile());
  ASSERT_TRUE(bar->SelectProfile(1, false));
  TNotifyUI msg;
  msg.sType = L"itemselect";
  msg.pSender = bar->Combo();
  window->Notify(msg);
  EXPECT_TRUE(window->TimerActive(kTimerProfileSwitch));
  ASSERT_TRUE(SpinUntil([&] { return !window->TimerActive(kTimerProfileSwitch); }, 2000));
  EXPECT_EQ(keyboard->Core().ProfileStem(), bar->GetCurrentUUID());
  EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : Utf8FromWide(messages[0]));
}

TEST_F(ProfileBarTest, ResetAsksFirst) {
  const std::string path = bar->GetCurrentProfilePath();
  std::ofstream(path) << R"({"profilename":"profile1","profileUUID":"changed","Device":[{}]})";
  answer = 0;
  TNotifyUI msg;
  msg.sType = L"click";
  msg.pSender = bar->FindSubControl(L"device_reset_btn");
  ASSERT_NE(msg.pSender, nullptr);
  window->Notify(msg);
  EXPECT_EQ(messages, std::vector<std::wstring>{L"message_text_22"});
  EXPECT_EQ(ReadJson(path)["profileUUID"].asString(), "changed");
  answer = 1;
  window->Notify(msg);
  EXPECT_EQ(ReadJson(path)["profileUUID"].asString(), bar->GetCurrentUUID());
  EXPECT_EQ(keyboard->Core().ProfileStem(), bar->GetCurrentUUID());
}

}  // namespace
