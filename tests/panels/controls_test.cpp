// The program's own controls: rubber-band selection, key lights, image
// buttons, the pulsing record button, battery indicator, device tabs, the
// plot and ring, list rows and the native-window host.

#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "panels/controls/audio_record.h"
#include "panels/controls/circle_progress.h"
#include "panels/controls/combo_edit_element.h"
#include "panels/controls/device_key_button.h"
#include "panels/controls/device_option.h"
#include "panels/controls/device_power.h"
#include "panels/controls/hand_img_button.h"
#include "panels/controls/hand_img_select_button.h"
#include "panels/controls/hot_frame_list_items.h"
#include "panels/controls/own_controls.h"
#include "panels/controls/redio_macro_button.h"
#include "panels/controls/select_panel.h"
#include "panels/controls/wnd_host.h"
#include "panels/toolkit/edit.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/window_impl.h"
#include "tests/panels/qt_test_env.h"

namespace {

class ControlsWnd : public WindowImplBase {
 public:
  std::wstring GetWindowClassName() const override { return L"ControlsWnd"; }
  std::wstring GetSkinFile() override { return L"XML_CONTROLS"; }
  CControlUI* CreateControl(const std::wstring& className) override {
    return CreateOwnControl(className);
  }
};

class ControlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterOwnControls(*CControlFactory::GetInstance()); }
  void SetUp() override {
    UseFixtureSkin();
    CResourceManager::GetInstance().ClearTexts();
    wnd = std::make_unique<ControlsWnd>();
    ASSERT_TRUE(wnd->Create(nullptr, L"controls"));
    pm = &wnd->GetPaintManager();
    pm->AddNotifier(&recorder);
    wnd->ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    QCoreApplication::processEvents();
    recorder.seen.clear();
  }
  void TearDown() override {
    pm->RemoveNotifier(&recorder);
    wnd.reset();
  }
  template <class T>
  T* Find(const wchar_t* name) {
    auto* c = dynamic_cast<T*>(pm->FindControl(name));
    EXPECT_NE(c, nullptr) << QString::fromWCharArray(name).toStdString();
    return c;
  }
  static void Enter(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(w, &e);
  }
  static void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
  }

  std::unique_ptr<ControlsWnd> wnd;
  CPaintManagerUI* pm = nullptr;
  NotifyRecorder recorder;
};

TEST_F(ControlsTest, RubberBandSelectsTheKeyButtonsItTouches) {
  auto* panel = Find<CSelectPanelUI>(L"device_key_light");
  CDeviceKeyButtonUI* keys[] = {Find<CDeviceKeyButtonUI>(L"key_0"),
                                Find<CDeviceKeyButtonUI>(L"key_1"),
                                Find<CDeviceKeyButtonUI>(L"key_2")};
  ASSERT_EQ(keys[0]->geometry(), QRect(50, 50, 20, 20));
  struct Case {
    const char* what;
    QPoint from, to;
    std::array<bool, 3> selected;
    bool notified;
  } cases[] = {
      {"band over two keys", {30, 30}, {110, 60}, {true, true, false}, true},
      {"band drawn backwards", {175, 105}, {115, 65}, {false, true, true}, true},
      {"touching one corner only", {30, 30}, {50, 50}, {true, false, false}, true},
      {"stopping a pixel short", {30, 30}, {49, 49}, {false, false, false}, true},
      {"band in empty space after a selection", {30, 30}, {110, 60}, {true, true, false}, true},
      {"", {200, 5}, {250, 20}, {false, false, false}, true},
      {"click without moving keeps the selection",
       {200, 5},
       {200, 5},
       {false, false, false},
       false},
  };
  for (const auto& c : cases) {
    recorder.seen.clear();
    QTest::mousePress(panel, Qt::LeftButton, {}, c.from);
    if (c.to != c.from) QTest::mouseMove(panel, c.to);
    QTest::mouseRelease(panel, Qt::LeftButton, {}, c.to);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(keys[i]->IsSelected(), c.selected[i]) << c.what << i;
    const auto ends = recorder.OfType(L"click_select_end");
    EXPECT_EQ(ends.size(), c.notified ? 1u : 0u) << c.what;
    if (!ends.empty()) {
      EXPECT_EQ(ends[0].sender, L"device_key_light");
    }
  }
  EXPECT_TRUE(panel->GetSelectionRect().isEmpty());
}

TEST_F(ControlsTest, LitKeyButtonDrawsItsLightImageInTheLightColour) {
  auto* key = Find<CDeviceKeyButtonUI>(L"key_0");
  EXPECT_EQ(key->GetLightColor(), 255u);  // initial: red
  EXPECT_EQ(key->GetLightBrightness(), 200);
  const QRgb unlit = key->grab().toImage().pixel(10, 10);
  struct Case {
    std::uint32_t packed;  // red | blue << 8 | green << 16
    int brightness;
    QColor expected;
  } cases[] = {
      {0x000000FF, 255, QColor(255, 0, 0)},
      {0x00FF0000, 255, QColor(0, 255, 0)},
      {0x0000FF00, 255, QColor(0, 0, 255)},
      {0x00102030, 255, QColor(0x30, 0x10, 0x20)},
  };
  key->SetLight(true);
  for (const auto& c : cases) {
    key->SetLightColor(c.packed);
    key->SetLightBrightness(c.brightness);
    EXPECT_EQ(QColor(key->grab().toImage().pixel(10, 10)), c.expected) << std::hex << c.packed;
  }
  key->SetLightBrightness(0);
  EXPECT_EQ(key->grab().toImage().pixel(10, 10), unlit);
  key->SetLightBrightness(255);
  key->SetLight(false);
  EXPECT_EQ(key->grab().toImage().pixel(10, 10), unlit);

  QTest::mouseDClick(key, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_FALSE(recorder.OfType(L"dbclick").empty());
  EXPECT_EQ(recorder.OfType(L"dbclick")[0].sender, L"key_0");
}

// A key button without images draws its cap; lit, its frame shows the light
// colour at the light's brightness, and the legend stays on top.
TEST_F(ControlsTest, KeyButtonWithoutImagesDrawsItsCapAndLight) {
  CDeviceKeyButtonUI key;
  key.resize(40, 40);
  const QImage unlit = key.grab().toImage();
  const QColor cap(unlit.pixel(20, 20));
  EXPECT_LT(cap.value(), 80) << "a dark cap is drawn";
  EXPECT_GT(cap.alpha(), 0);

  key.SetLight(true);
  key.SetLightColor(0x0000FF);  // red
  key.SetLightBrightness(255);
  const QColor frame(key.grab().toImage().pixel(1, 20));
  EXPECT_GT(frame.red(), 200);
  EXPECT_LT(frame.green(), 60);
  key.SetLightBrightness(60);
  EXPECT_LT(QColor(key.grab().toImage().pixel(1, 20)).red(), frame.red());

  key.SetLightBrightness(255);
  key.SetLightColor(0xFF0000);  // green
  EXPECT_GT(QColor(key.grab().toImage().pixel(1, 20)).green(), 200);
  key.SetLight(false);
  EXPECT_EQ(key.grab().toImage(), unlit);
}

// A self-drawn cap keeps its pictures between paints; after any change of
// what it shows it must look like a cap built in the new state.
TEST_F(ControlsTest, KeyButtonCapRedrawsWhatChangedSinceItsLastPaint) {
  struct Case {
    const char* what;
    std::function<void(CDeviceKeyButtonUI&)> change;
  } cases[] = {
      {"legend", [](CDeviceKeyButtonUI& k) { k.SetText(L"Shift"); }},
      {"selected", [](CDeviceKeyButtonUI& k) { k.SetSelected(true); }},
      {"disabled", [](CDeviceKeyButtonUI& k) { k.SetEnabled(false); }},
      {"text colour", [](CDeviceKeyButtonUI& k) { k.SetTextColor(0xFFFF0000); }},
      {"size", [](CDeviceKeyButtonUI& k) { k.resize(60, 40); }},
      {"light off", [](CDeviceKeyButtonUI& k) { k.SetLight(false); }},
      {"light colour", [](CDeviceKeyButtonUI& k) { k.SetLightState(0xFF0000, 90); }},
  };
  auto setUp = [](CDeviceKeyButtonUI& k) {
    k.resize(40, 40);
    k.SetText(L"A");
    k.SetTextColor(0xFFFFFFFF);
    k.SetLight(true);
    k.SetLightState(0x0000FF, 255);
  };
  for (const auto& c : cases) {
    CDeviceKeyButtonUI cached;
    setUp(cached);
    const QImage before = cached.grab().toImage();
    c.change(cached);
    CDeviceKeyButtonUI fresh;
    setUp(fresh);
    c.change(fresh);
    const QImage expected = fresh.grab().toImage();
    EXPECT_NE(expected, before) << c.what;
    EXPECT_EQ(cached.grab().toImage(), expected) << c.what;
  }
}

TEST_F(ControlsTest, ImageButtonDeleteCornerRaisesDeleteInsteadOfClick) {
  auto* button = Find<CHandImgButtonUI>(L"img_btn");
  ASSERT_EQ(button->size(), QSize(60, 60));
  EXPECT_EQ(button->GetDeleteRect(), QRect(30, 31, 20, 20));
  struct Case {
    bool deletable;
    QPoint release;
    const wchar_t* expected;
  } cases[] = {
      {true, {40, 40}, L"click_handdelete"},
      {true, {30, 31}, L"click_handdelete"},  // the corner's first pixel
      {true, {50, 40}, L"click"},             // just right of the corner
      {true, {10, 10}, L"click"},
      {false, {40, 40}, L"click"},
  };
  for (const auto& c : cases) {
    button->SetDeletable(c.deletable);
    recorder.seen.clear();
    QTest::mousePress(button, Qt::LeftButton, {}, c.release);
    QTest::mouseRelease(button, Qt::LeftButton, {}, c.release);
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].type, c.expected);
    EXPECT_EQ(recorder.seen[0].sender, L"img_btn");
  }
  recorder.seen.clear();
  Enter(button);
  EXPECT_TRUE(button->GetButtonState() & UISTATE_HOT);
  Leave(button);
  EXPECT_FALSE(button->GetButtonState() & UISTATE_HOT);
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"msenter", L"img_btn", 0, 0},
                                                      {L"msleave", L"img_btn", 0, 0}}));
}

TEST_F(ControlsTest, ImageSelectButtonShowsAButtonSizedPartThatDragsWithinTheImage) {
  auto* button = Find<CHandImgSelectButtonUI>(L"img_select");
  ASSERT_EQ(button->size(), QSize(50, 60));
  EXPECT_EQ(button->GetCursorShape(), Qt::PointingHandCursor);
  EXPECT_EQ(button->GetShownImage(), L"file='big.svg' source='0,0,50,60'");
  struct Step {
    QPoint press, move;
    QPoint offset;
  } steps[] = {
      {{40, 30}, {10, 20}, {30, 10}},    // dragging left and up shows more of the right and bottom
      {{40, 40}, {1, 1}, {69, 40}},      // bottom edge reached
      {{1, 1}, {-199, -49}, {150, 40}},  // right edge reached
      {{1, 1}, {201, 201}, {0, 0}},
  };
  for (const auto& s : steps) {
    QTest::mousePress(button, Qt::LeftButton, {}, s.press);
    QTest::mouseMove(button, s.move);
    QTest::mouseRelease(button, Qt::LeftButton, {}, s.move);
    EXPECT_EQ(button->GetSourceOffset(), s.offset);
  }
  button->SetHandImage(L"light.svg");  // smaller than the button: whole image, natural size
  EXPECT_EQ(button->GetShownImage(), L"file='light.svg' dest='0,0,10,10'");
}

TEST_F(ControlsTest, RecordButtonPulsesItsFadeBetween80And255) {
  auto* button = Find<CRedioMacroButtonUI>(L"macro_btn_starredio");
  button->SetPulsing(true);
  EXPECT_TRUE(button->HasTimer(CRedioMacroButtonUI::kPulseTimer));
  std::vector<int> fades;
  for (int i = 0; i < 12; ++i) {
    button->DoTimer(CRedioMacroButtonUI::kPulseTimer);
    fades.push_back(button->GetFade());
  }
  EXPECT_EQ(fades, (std::vector<int>{235, 215, 195, 175, 155, 135, 115, 95, 80, 100, 120, 140}));
  EXPECT_EQ(button->GetForeImage(), L"res='light.svg' fade='140'");
  button->SetPulsing(false);
  EXPECT_FALSE(button->HasTimer(CRedioMacroButtonUI::kPulseTimer));
  button->DoTimer(7);  // other timers are plain "timer" notifications
  EXPECT_EQ(recorder.OfType(L"timer"),
            (std::vector<NotifyRecord>{{L"timer", L"macro_btn_starredio", 7, 0}}));
}

TEST_F(ControlsTest, BatteryIndicatorShowsLevelChargeWirelessAndPhone) {
  auto* power = Find<CMpDevicePowerUI>(L"power0");
  auto* progress = Find<CProgressUI>(L"device_Power_progress");
  struct Case {
    const char* what;
    int kind;
    std::vector<std::uint8_t> block;
    int progressValue;
    const wchar_t* text;
    bool progressShown;
    const wchar_t* status;
    bool logoShown;
    const wchar_t* phone;
  } cases[] = {
      {"level 30 powered",
       2,
       {30, 0, 0, 0},
       70,
       L"30%",
       true,
       L"file='power/powered.png'",
       false,
       L""},
      {"charging wireless",
       2,
       {55, 1, 0, 1},
       45,
       L"55%",
       false,
       L"file='power/wuxian_powering.png'",
       true,
       L""},
      {"charging by cable",
       1,
       {80, 1, 0, 0},
       20,
       L"80%",
       true,
       L"file='power/powering.png'",
       false,
       L""},
      {"full", 1, {100, 2, 0, 1}, 0, L"100%", true, L"file='power/power.png'", true, L""},
      {"pad with a phone",
       3,
       {10, 0, 0, 0, 0, 2},
       90,
       L"10%",
       true,
       L"file='power/powered.png'",
       false,
       L"Phone_type_samsung"},
      {"pad, unknown phone value",
       3,
       {10, 0, 0, 0, 0, 9},
       90,
       L"10%",
       true,
       L"file='power/powered.png'",
       false,
       L"Phone_type_no_device"},
      {"one byte block reads as zero-padded",
       3,
       {100},
       0,
       L"100%",
       true,
       L"file='power/powered.png'",
       false,
       L"Phone_type_no_device"},
  };
  for (const auto& c : cases) {
    power->SetKind(c.kind, 0);
    Find<CControlUI>(L"device_phone_type")->SetText(L"");
    power->ShowBattery(c.block.data(), c.block.size());
    EXPECT_EQ(progress->GetValue(), c.progressValue) << c.what;
    EXPECT_EQ(Find<CControlUI>(L"device_power_value")->GetText(), c.text) << c.what;
    EXPECT_EQ(progress->IsVisible(), c.progressShown) << c.what;
    EXPECT_EQ(Find<CControlUI>(L"device_power_status")->GetBkImage(), c.status) << c.what;
    if (c.kind != 3) {
      EXPECT_EQ(Find<CControlUI>(L"device_wuxian_logo")->IsVisible(), c.logoShown);
    }
    EXPECT_EQ(Find<CControlUI>(L"device_phone_type")->GetText(), c.phone) << c.what;
  }
  power->ShowBattery(nullptr, 64);  // no block: an empty one
  EXPECT_EQ(progress->GetValue(), 100);
  power->ShowLayout(false);
  EXPECT_FALSE(Find<CControlUI>(L"device_power_Layout")->IsVisible());
}

TEST_F(ControlsTest, DeviceTabPicksIconsByKindAndRoleAndSwitchesToTheSynchronisedPair) {
  auto* tab = Find<CDeviceOptionUI>(L"tab0");
  auto* option = Find<COptionUI>(L"device_select");
  EXPECT_EQ(tab->GetNormalImage(), L"common/device_ico/unknow_device_normal.png");
  struct Case {
    int kind, role;
    const wchar_t* prefix;
  } cases[] = {
      {1, 0, L"kb"},      {2, 5, L"ms"}, {3, 0, L"hard_mp"}, {3, 1, L"soft_mp"},
      {3, 2, L"soft_mp"},  // neither role: the previous icons stay
      {4, 0, L"hd"},      {7, 0, L"hd"}, {5, 0, L"hub"},     {9, 0, L"unknow"},
  };
  for (const auto& c : cases) {
    tab->SetKind(c.kind, c.role);
    const std::wstring prefix = c.prefix;
    EXPECT_EQ(option->GetNormalImage(), L"common/device_ico/" + prefix + L"_device_normal.png");
    EXPECT_EQ(option->GetForeImage(), L"common/device_ico/" + prefix + L"_device_normal.png");
    EXPECT_EQ(option->GetSelectedImage(), L"common/device_ico/" + prefix + L"_device_selected.png");
    EXPECT_EQ(Find<CControlUI>(L"device_select_name")->GetRawText(), prefix + L"_device_name_text");
  }
  tab->SetKind(1, 0);
  recorder.seen.clear();
  tab->SetSynchronised(true);
  EXPECT_TRUE(tab->IsSynchronised());
  EXPECT_EQ(recorder.seen,
            (std::vector<NotifyRecord>{{L"selectchanged", L"synchro_device_select", 1, 0}}));
  EXPECT_EQ(option->GetNormalImage(), L"common/device_ico/kb_device_synchro_normal.png");
  EXPECT_EQ(option->GetSelectedImage(), L"common/device_ico/kb_device_synchro_selected.png");
  tab->ShowSynchronise(false);
  EXPECT_FALSE(Find<CControlUI>(L"synchro_device_select")->IsVisible());
  tab->SetSynchronised(false);
  EXPECT_EQ(option->GetNormalImage(), L"common/device_ico/kb_device_normal.png");

  tab->SetVisible(false);
  EXPECT_FALSE(tab->GetVisibleFlag());
  for (int i = 0; i < 19; ++i) tab->CountLinkFailure();
  EXPECT_EQ(tab->LinkFailures(), 19);
  EXPECT_EQ(tab->CountLinkFailure(), 0);  // wraps at 20
  EXPECT_EQ(tab->BatteryIndex(), -1);
}

TEST_F(ControlsTest, RingSweepAndPlotLines) {
  auto* ring = Find<CCircleProgressUI>(L"ring");
  struct Case {
    int min, max, value;
    double sweep;
  } cases[] = {{0, 100, 25, 90.0}, {0, 100, 100, 360.0}, {0, 200, 50, 90.0}, {5, 5, 5, 0.0}};
  for (const auto& c : cases) {
    ring->SetMinValue(-1000);
    ring->SetMaxValue(c.max);
    ring->SetMinValue(c.min);
    ring->SetValue(c.value);
    EXPECT_DOUBLE_EQ(ring->SweepDegrees(), c.sweep);
  }

  auto* plot = Find<CAudioRecordUI>(L"plot");
  EXPECT_EQ(plot->GetSample(0), 0);
  EXPECT_EQ(plot->GetSample(255), 255);
  EXPECT_EQ(plot->GetSample(256), 0);
  ASSERT_EQ(plot->height(), 60);
  plot->SetSample(3, 4096);  // half the full scale: line from y = 30 down
  const QImage image = plot->grab().toImage();
  EXPECT_EQ(QColor(image.pixel(6, 31)), QColor(Qt::black));
  EXPECT_EQ(QColor(image.pixel(6, 28)), QColor(Qt::white));
  EXPECT_EQ(QColor(image.pixel(7, 40)), QColor(Qt::white));  // odd columns stay white
}

TEST_F(ControlsTest, StepRowIsBuiltFromItsLayoutAndRaisesItsNotifications) {
  auto* row = Find<CComboEditContainerElementUI>(L"macro_action");
  ASSERT_NE(row->Text1(), nullptr);
  ASSERT_NE(row->Text2(), nullptr);
  ASSERT_NE(row->DelayEdit(), nullptr);
  EXPECT_EQ(pm->FindControl(L"dropped"), nullptr);  // replaced by the layout's children
  auto* list = Find<CListUI>(L"macro_action_list");
  QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"itemselect", L"macro_action_list", 0, -1},
                                                      {L"itemclick", L"macro_action", 0, 0},
                                                      {L"itemactivate", L"macro_action", 0, 0}}));
  recorder.seen.clear();
  row->setFocus();
  QTest::keyClick(row, Qt::Key_Return);
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"return", L"macro_action", 0, 0},
                                                      {L"itemactivate", L"macro_action", 0, 0}}));
  // Ctrl toggles in a multi-select list.
  list->SetMultiSelect(true);
  QTest::mousePress(row, Qt::LeftButton, Qt::ControlModifier, QPoint(2, 2));
  EXPECT_FALSE(row->IsSelected());
  QTest::mousePress(row, Qt::LeftButton, Qt::ControlModifier, QPoint(2, 2));
  EXPECT_TRUE(row->IsSelected());
}

TEST_F(ControlsTest, HotFrameShowsOnlyWhileHotAndNotSelected) {
  auto* item = Find<CCloudShareListItemUI>(L"cloud0");
  EXPECT_FALSE(item->ShowsHotFrame());
  Enter(item);
  EXPECT_TRUE(item->ShowsHotFrame());
  item->Select(true);
  EXPECT_FALSE(item->ShowsHotFrame());
  item->Select(false);
  Leave(item);
  EXPECT_FALSE(item->ShowsHotFrame());
  EXPECT_TRUE(item->Activate());
  EXPECT_EQ(recorder.OfType(L"itemactivate").back().sender, L"cloud0");
}

TEST_F(ControlsTest, HostedWindowFollowsTheControl) {
  auto* root = Find<CContainerUI>(L"root");
  auto* host = new CWndUI();
  host->SetFixedHeight(20);
  root->Add(host);
  root->Relayout();
  QWidget native(wnd.get());
  host->Attach(&native);
  EXPECT_EQ(native.geometry(), host->geometry());
  EXPECT_TRUE(native.isVisible());
  host->SetVisible(false);
  EXPECT_FALSE(native.isVisible());
  host->SetVisible(true);
  root->Relayout();
  EXPECT_TRUE(native.isVisible());
  EXPECT_EQ(native.geometry(), host->geometry());
  host->Detach();
}

TEST_F(ControlsTest, FactoryKnowsTheOwnClassesByElementName) {
  for (const wchar_t* element :
       {L"SelectPanel", L"DeviceOption", L"MpDevicePower", L"Wnd", L"CloudShareListItemUI",
        L"UpdateInfoListItemUI", L"ComboEditContainerElement", L"AudioRecord"}) {
    std::unique_ptr<CControlUI> c(CControlFactory::GetInstance()->CreateControl(element));
    ASSERT_NE(c, nullptr) << QString::fromWCharArray(element).toStdString();
    EXPECT_TRUE(EqualsNoCase(c->GetClass(), element) ||
                EqualsNoCase(c->GetClass() + L"UI", element) || c->GetClass() == L"Wnd");
  }
  EXPECT_EQ(CControlFactory::GetInstance()->CreateControl(L"QuorvaneKeyboardDevice"), nullptr);
  EXPECT_EQ(CreateOwnControl(L"circleprogress")->GetClass(), L"CircleProgress");
}

}  // namespace
