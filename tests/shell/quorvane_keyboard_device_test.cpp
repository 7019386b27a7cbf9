// The keyboard's page built from the skin: its key buttons and profile bar
// bound, key labels, the keys of the function-switch modes, and the
// keyboard's own profile switch followed on the UI thread.
#include "shell/quorvane_keyboard_device.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "devices/device_kind.h"
#include "link/device_channel.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/ui_types.h"
#include "profiles/data_folders.h"
#include "profiles/json_file.h"
#include "profiles/macro_library.h"
#include "shell/control_classes.h"
#include "sim/simulator.h"
#include "tests/shell/qt_app.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/sim_bus.h"

namespace {

// The main window's builder callback.
class SkinCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const std::wstring& element) override {
    return CreateMainSkinControl(element, manager);
  }
  CPaintManagerUI* manager = nullptr;
};

class KeyboardPageTest : public BusFolderTest {
 protected:
  static void SetUpTestSuite() {
    TestApp();
    RegisterControlClasses();
  }
  void SetUp() override {
    BusFolderTest::SetUp();
    ::setenv("XDG_DATA_HOME", (Folder() + "/data").c_str(), 1);
    ::setenv("RUVEMO_DATA_DIR", RUVEMO_SOURCE_DIR, 1);
    CResourceManager& resources = CResourceManager::GetInstance();
    resources.SetResourcePath(WideFromUtf8(std::string(RUVEMO_SOURCE_DIR) + "/skin/"));
    ASSERT_TRUE(resources.LoadResource(L"res.xml"));
    host_ = std::make_unique<QWidget>();
    host_->resize(968, 720);
    manager_.Init(host_.get(), L"keyboard_page");
    callback_.manager = &manager_;
  }
  void TearDown() override {
    host_.reset();  // the page goes with it
    sim_.reset();
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("RUVEMO_DATA_DIR");
    BusFolderTest::TearDown();
  }
  // The page as the main window builds it, named and bound.
  CQuorvaneKeyboardDevice* BuildPage() {
    CDialogBuilder builder;
    CControlUI* root =
        builder.Create(L"XML\\DeviceXml\\keyboarddevice.xml", L"", &callback_, &manager_);
    auto* page = dynamic_cast<CQuorvaneKeyboardDevice*>(root);
    EXPECT_NE(page, nullptr);
    if (page == nullptr) {
      delete root;
      return nullptr;
    }
    page->setParent(host_.get());
    page->Core().SetDisplayName("Keyboard");
    page->InitPage();
    return page;
  }
  std::string KeyboardPath(const char* collection) {
    return SimCollectionPath(*sim_, SimProduct::Keyboard, collection);
  }
  // Plugs the simulated keyboard and connects the page's object to it.
  void Connect(CQuorvaneKeyboardDevice* page) {
    sim_ = MakeQuickSimulator(Folder());
    ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
    ASSERT_TRUE(OpenWiredChannel(page->Core().Channel(), KeyboardPath("&col04")));
    page->Core().OnDeviceConnected();
    const auto before = sim_->ConnectionCount(SimProduct::Keyboard, false);
    ASSERT_TRUE(page->Core().AttachListener(KeyboardPath("&col03"), kKindKeyboard));
    ASSERT_TRUE(
        WaitFor([&] { return sim_->ConnectionCount(SimProduct::Keyboard, false) > before; }));
  }

  std::unique_ptr<QWidget> host_;
  CPaintManagerUI manager_;
  SkinCallback callback_;
  std::unique_ptr<CSimulator> sim_;
};

TEST_F(KeyboardPageTest, BuildingThePageFromTheSkinBindsItsKeysAndProfileBar) {
  CQuorvaneKeyboardDevice* page = BuildPage();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->GetClass(), L"QuorvaneKeyboardDevice");
  int keys = 0, lights = 0;
  for (int i = 0; i < page->KeyCount(); ++i) keys += page->KeyButton(i) != nullptr;
  for (int i = 0; i < page->LightCount(); ++i) lights += page->LightButton(i) != nullptr;
  EXPECT_EQ(keys, 104);
  EXPECT_EQ(lights, 104);
  ASSERT_NE(page->SelectPanel(), nullptr);
  EXPECT_EQ(page->SelectPanel()->GetName(), L"keyboard_device_key_light");
  EXPECT_EQ(page->KeyName(0), L"Esc");
  // The object follows the profile the bar has selected.
  ASSERT_NE(page->ProfileBar(), nullptr);
  const std::string uuid = page->ProfileBar()->GetCurrentUUID();
  ASSERT_FALSE(uuid.empty());
  EXPECT_EQ(page->KeyboardCore().GetProfilePath(),
            UserDeviceFolder(kKeyboardFolderName) + uuid + ".Json");
}

TEST_F(KeyboardPageTest, KeyLabelsFollowTheCodesType) {
  CMacroLibrary library(UserDeviceFolder(kKeyboardFolderName));
  ASSERT_EQ(library.NewMacro(), 0);
  CQuorvaneKeyboardDevice* page = BuildPage();
  ASSERT_NE(page, nullptr);
  const std::wstring macro = page->KeyboardCore().MacroNames().at(0);
  struct Case {
    AssignmentCode code;
    std::wstring label;
  };
  const Case cases[] = {
      {{0x20, 0x00, 0x04}, L"A"},
      {{0x20, 0x01, 0x04}, L"Ctrl+A"},  // left Ctrl with A: both names
      {{0x20, 0x00, 0x00}, L"close_text"},
      {{0xA0, 0x01, 0x00}, L"Fn"},
      {{0x10, 0x04, 0x00}, L"mouse_key_middle"},
      {{0x70, 0x00, 0x00}, macro},
      {{0x71, 0x01, 0x00}, L""},  // no such macro: the key keeps its label
      {{0x30, 0x00, 0xE9}, L""},
      {{0xEE, 0x00, 0x00}, L"关闭"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code.type);
    EXPECT_EQ(page->LabelOfCode(c.code), c.label);
  }
  // A key carrying another key's function is marked and says so in its tip.
  page->SetKeyLabel(64, L"B");
  EXPECT_TRUE(page->KeyButton(64)->IsKeySetShown());
  EXPECT_NE(page->KeyButton(64)->GetToolTip().find(L"A"), std::wstring::npos);
  page->SetKeyLabel(64, L"a");
  EXPECT_FALSE(page->KeyButton(64)->IsKeySetShown());
}

TEST_F(KeyboardPageTest, FunctionSwitchModeTwoDisablesTheKeysOfTheLayerShown) {
  CQuorvaneKeyboardDevice* page = BuildPage();
  ASSERT_NE(page, nullptr);
  struct Case {
    int mode;
    bool fnLayer;
    bool f1, a, fn, leftWindows;  // enabled
  };
  const Case cases[] = {
      {2, true, false, true, true, false},
      {2, false, true, true, false, true},
      {1, true, true, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode * 10 + c.fnLayer);
    page->KeyboardCore().SetFnLayerShown(c.fnLayer);
    page->SetFunctionSwitchMode(c.mode);
    EXPECT_EQ(page->KeyButton(1)->IsEnabled(), c.f1);
    EXPECT_EQ(page->KeyButton(64)->IsEnabled(), c.a);
    EXPECT_EQ(page->KeyButton(110)->IsEnabled(), c.fn);
    EXPECT_EQ(page->KeyButton(106)->IsEnabled(), c.leftWindows);
  }
}

TEST_F(KeyboardPageTest, TheKeyboardsProfileSwitchMovesThePagesProfile) {
  CQuorvaneKeyboardDevice* page = BuildPage();
  ASSERT_NE(page, nullptr);
  CDeviceProfileUI* bar = page->ProfileBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->AddProfile());
  ASSERT_TRUE(bar->SelectProfile(0, false));
  page->KeyboardCore().SetProfileUuid(bar->GetCurrentUUID());
  Connect(page);

  // 0x1001: the keyboard switched to its profile 1, reported on the
  // listener thread and followed on the UI thread.
  ASSERT_TRUE(sim_->SendEvent(SimProduct::Keyboard, 0x1001));
  EXPECT_TRUE(SpinUntil([&] { return bar->GetSelectedIndex() == 1; }, 2000));
  EXPECT_EQ(page->KeyboardCore().ProfileUuid(), bar->GetCurrentUUID());
  EXPECT_EQ(page->KeyboardCore().DeviceState().activeProfile, 1);
}

TEST_F(KeyboardPageTest, ProfileSwitchWritesDeviceProfileZero) {
  CQuorvaneKeyboardDevice* page = BuildPage();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->ApplyProfile({}), -1);  // not connected
  Connect(page);
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 0, {3}));
  EXPECT_EQ(page->ApplyProfile({}), 0);
  EXPECT_EQ(sim_->Memory(SimProduct::Keyboard, SimArea::Parameters)[0], 0);
}

}  // namespace
