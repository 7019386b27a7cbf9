// The device page: button binding, the preview on the light buttons, the
// function-switch pages and the sink's hand-over to the UI thread.
#include "shell/quorvane_usb_device.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <map>

#include <thread>

#include "devices/device_kind.h"
#include "panels/controls/device_key_button.h"
#include "panels/controls/device_option.h"
#include "panels/controls/select_panel.h"
#include "tests/shell/qt_app.h"

namespace {

struct ButtonDef {
  const wchar_t* name;
  const wchar_t* userData;
};

class DevicePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    page_ = std::make_unique<CQuorvaneUSBDevice>();
    page_->Core().SetDisplayName("keyboard");
    page_->SetKeyCount(10);
    page_->SetLightCount(12);
  }
  // A SelectPanel child holding one key button per entry.
  std::vector<CDeviceKeyButtonUI*> AddPanel(std::initializer_list<ButtonDef> defs) {
    auto* panel = new CSelectPanelUI;
    page_->Add(panel);
    std::vector<CDeviceKeyButtonUI*> buttons;
    for (const ButtonDef& def : defs) {
      auto* button = new CDeviceKeyButtonUI;
      button->SetName(def.name);
      button->SetUserData(def.userData);
      panel->Add(button);
      buttons.push_back(button);
    }
    return buttons;
  }
  std::unique_ptr<CQuorvaneUSBDevice> page_;
};

}  // namespace

TEST(SplitNumberedName, SplitsAtTheLastUnderscore) {
  struct Case {
    const wchar_t* text;
    bool ok;
    const wchar_t* prefix;
    int number;
  };
  const Case cases[] = {
      {L"key_12", true, L"key_", 12},      {L"a_b_7", true, L"a_b_", 7},
      {L"key12", false, L"", 0},           {L"key_", false, L"", 0},
      {L"key_1x", false, L"", 0},          {L"_0", true, L"_", 0},
      {L"key_99999999999", false, L"", 0},
  };
  for (const Case& c : cases) {
    std::wstring prefix;
    int number = -1;
    EXPECT_EQ(SplitNumberedName(c.text, &prefix, &number), c.ok);
    if (c.ok) {
      EXPECT_EQ(prefix, c.prefix);
      EXPECT_EQ(number, c.number);
    }
  }
}

TEST_F(DevicePageTest, BindsKeysAndLightsBelowTheirCounts) {
  const auto buttons = AddPanel({
      {L"key_3", L"light_2"},    // both key 3 and light 2
      {L"KEY_4", L""},           // the key prefix ignores case
      {L"key_10", L"light_12"},  // both numbers at the count: not bound
      {L"other_5", L"Light_5"},  // neither prefix
      {L"key5", L"light_11"},    // light 11 only
  });
  page_->InitPage();
  EXPECT_EQ(page_->SelectPanel(), page_->GetItemAt(0));
  EXPECT_EQ(page_->KeyButton(3), buttons[0]);
  EXPECT_EQ(page_->LightButton(2), buttons[0]);
  EXPECT_EQ(page_->KeyButton(4), buttons[1]);
  EXPECT_EQ(page_->LightButton(11), buttons[4]);
  EXPECT_EQ(page_->KeyButton(5), nullptr);
  EXPECT_EQ(page_->LightButton(5), nullptr);
  EXPECT_EQ(page_->LightButton(12), nullptr);
  int bound = 0;
  for (int i = 0; i < page_->KeyCount(); ++i) bound += page_->KeyButton(i) != nullptr;
  for (int i = 0; i < page_->LightCount(); ++i) bound += page_->LightButton(i) != nullptr;
  EXPECT_EQ(bound, 4);
  // A bound light starts white at full brightness, lit; others stay as made.
  EXPECT_TRUE(buttons[0]->IsLight());
  EXPECT_EQ(buttons[0]->GetLightColor(), 0xFFFFFFu);
  EXPECT_EQ(buttons[0]->GetLightBrightness(), 255);
  EXPECT_FALSE(buttons[1]->IsLight());
  EXPECT_FALSE(buttons[2]->IsLight());
}

TEST_F(DevicePageTest, NoSelectPanelOrNoNameBindsNothing) {
  auto* layout = new CHorizontalLayoutUI;  // a key button outside any SelectPanel
  page_->Add(layout);
  auto* loose = new CDeviceKeyButtonUI;
  loose->SetName(L"key_1");
  loose->SetUserData(L"light_1");
  layout->Add(loose);
  page_->InitPage();
  EXPECT_EQ(page_->SelectPanel(), nullptr);
  EXPECT_EQ(page_->KeyButton(1), nullptr);
  EXPECT_EQ(page_->LightButton(1), nullptr);
  page_->PushLightFrame();  // runs without anything to show

  AddPanel({{L"key_1", L"light_1"}});
  page_->Core().SetDisplayName("");
  page_->InitPage();
  EXPECT_EQ(page_->KeyCount(), 0);
  EXPECT_EQ(page_->LightCount(), 0);
}

TEST_F(DevicePageTest, PushLightFrameShowsThePreviewWhileSoftwareLightingIsOn) {
  const auto buttons = AddPanel({{L"k_0", L"light_0"}, {L"k_1", L"light_1"}, {L"k_2", L"light_2"}});
  page_->InitPage();
  buttons[2]->SetVisible(false);
  // red 0x11, green 0x22, blue 0x33, brightness 0x44
  for (int light = 0; light < 3; ++light) page_->Core().SetPreviewColour(light, 0x44332211);
  page_->Core().SetSoftwareLighting(0);
  page_->PushLightFrame();
  EXPECT_EQ(buttons[0]->GetLightColor(), 0xFFFFFFu);
  page_->Core().SetSoftwareLighting(1);
  page_->PushLightFrame();
  EXPECT_EQ(buttons[0]->GetLightColor(), 0x223311u);  // red | blue << 8 | green << 16
  EXPECT_EQ(buttons[0]->GetLightBrightness(), 0x44);
  EXPECT_EQ(buttons[1]->GetLightColor(), 0x223311u);
  EXPECT_EQ(buttons[2]->GetLightColor(), 0xFFFFFFu);  // hidden: left alone
}

TEST_F(DevicePageTest, PushLightFrameRepaintsOnlyTheCapsWhoseLightChanged) {
  const auto buttons = AddPanel({{L"k_0", L"light_0"}, {L"k_1", L"light_1"}, {L"k_2", L"light_2"}});
  page_->InitPage();
  for (int i = 0; i < 3; ++i) {
    buttons[i]->SetFloat(true);
    buttons[i]->SetPos(QRect(10 + 60 * i, 10, 40, 40));
  }
  page_->resize(300, 100);
  page_->show();
  for (int light = 0; light < 3; ++light) page_->Core().SetPreviewColour(light, 0xFF0000FF);
  page_->PushLightFrame();
  QCoreApplication::processEvents();

  struct PaintCounter : QObject {
    std::map<QObject*, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints[watched];
      return false;
    }
  } counter;
  for (auto* button : buttons) button->installEventFilter(&counter);
  page_->Core().SetPreviewColour(1, 0xFF00FF00);  // only the middle cap changes
  page_->PushLightFrame();
  QCoreApplication::processEvents();
  EXPECT_GE(counter.paints[buttons[1]], 1);
  EXPECT_EQ(counter.paints[buttons[0]], 0);
  EXPECT_EQ(counter.paints[buttons[2]], 0);
  // An unchanged frame repaints nothing.
  counter.paints.clear();
  page_->PushLightFrame();
  QCoreApplication::processEvents();
  EXPECT_TRUE(counter.paints.empty());
  for (auto* button : buttons) button->removeEventFilter(&counter);
}

TEST_F(DevicePageTest, FunctionSwitchModesSelectPages) {
  auto makeTab = [this](const wchar_t* name) {
    auto* tab = new CTabLayoutUI;
    tab->SetName(name);
    for (int i = 0; i < 4; ++i) tab->Add(new CControlUI);
    page_->Add(tab);
    return tab;
  };
  CTabLayoutUI* fn = makeTab(L"device_function_switch");
  CTabLayoutUI* key = makeTab(L"device_key_function_switch");
  struct Case {
    int mode;
    int kind;
    int fnPage;
    int keyPage;  // -1: left as it was
  };
  const Case cases[] = {
      {2, 1, 0, 1}, {6, 3, 0, 1}, {3, 1, 1, -1}, {8, 2, 1, -1}, {4, 1, 3, -1}, {4, 2, 3, -1},
      {4, 3, 0, 2}, {7, 1, 0, 2}, {5, 1, 2, -1}, {1, 1, 0, 0},  {9, 3, 0, 0},
  };
  for (const Case& c : cases) {
    page_->Core().SetProductKind(c.kind, 0);
    fn->SelectItem(3 - (c.fnPage == 3 ? 1 : 0));
    key->SelectItem(3);
    page_->SetFunctionSwitchMode(c.mode);
    EXPECT_EQ(page_->GetFunctionSwitchMode(), c.mode);
    EXPECT_EQ(fn->GetCurSel(), c.fnPage) << c.mode << "/" << c.kind;
    EXPECT_EQ(key->GetCurSel(), c.keyPage < 0 ? 3 : c.keyPage) << c.mode << "/" << c.kind;
  }
}

TEST_F(DevicePageTest, SinkArmsTheTabTimerOnTheUiThread) {
  CDeviceOptionUI tab;
  page_->SetDeviceTab(&tab);
  std::thread worker([this] { page_->ArmTabTimer(IDevicePageSink::kSyncTimer, 50); });
  worker.join();
  EXPECT_FALSE(tab.HasTimer(IDevicePageSink::kSyncTimer));  // not before the UI thread runs it
  EXPECT_TRUE(SpinUntil([&] { return tab.HasTimer(IDevicePageSink::kSyncTimer); }));
  tab.KillTimer();
  page_->SetDeviceTab(nullptr);
  // A request still queued when the page goes is dropped with it.
  page_->ArmTabTimer(IDevicePageSink::kSyncTimer, 50);
  page_.reset();
  QApplication::processEvents();
}
