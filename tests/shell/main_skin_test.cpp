// The main window and the message box built from the real skin: notifications
// of real controls reach their handlers, the title bar, the tray icon and its
// menu, the language lookup through "str_test", and the results of the
// message box (closed from a timer so that its modal run never blocks).

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <memory>

#include "panels/toolkit/button.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/control.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "shell/main_wnd.h"
#include "shell/msg_wnd.h"
#include "tests/shell/qt_app.h"
#include "tests/support/debug_capture.h"

namespace {

void UseSourceSkin() {
  TestApp();
  CPaintManagerUI::SetResourcePath(std::wstring(L"" RUVEMO_SOURCE_DIR) + L"/skin/");
  CResourceManager::GetInstance().LoadResource(L"res.xml");
}

class MainSkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSourceSkin();
    window = new CMainWnd();
    ASSERT_TRUE(window->Create(nullptr, L"Brivo75", UI_WNDSTYLE_DIALOG, 0, 0, 0, 800, 572));
    ASSERT_NE(window->GetRoot(), nullptr);
    // "windowinit" arrives from the event loop.
    SpinUntil([&] { return window->HandledCount(NotifyTarget::kNone) >= 0 && window->isVisible(); },
              1000);
    fixture = new CHorizontalLayoutUI();
    fixture->SetName(L"test_fixture");
    static_cast<CContainerUI*>(window->GetRoot())->Add(fixture);
  }
  void TearDown() override {
    window->Shutdown();
    delete window;
    DrainPostedQuit();
  }
  // A control of the given class and name inside the window's skin.
  template <class C>
  C* Add(const std::wstring& name) {
    auto* c = new C();
    c->SetName(name);
    fixture->Add(c);
    return c;
  }

  CMainWnd* window = nullptr;
  CContainerUI* fixture = nullptr;
};

TEST_F(MainSkinTest, TheSkinGivesTheWindowItsNamedControls) {
  for (const wchar_t* name : {L"closebtn", L"maxbtn", L"restorebtn", L"minbtn", L"skinbtn",
                              L"gamemodebtn", L"cloudbtn", L"smarteyesbtn", L"setbtn"})
    EXPECT_NE(window->WindowButton(name), nullptr) << QString::fromWCharArray(name).toStdString();
  CPaintManagerUI& pm = window->GetPaintManager();
  for (const wchar_t* name :
       {L"root", L"device_select_layout", L"device_switch", L"No_device_Link", L"str_test",
        L"control_light_status", L"nodevice_ok_btn", L"device_select_prev", L"device_select_next"})
    EXPECT_NE(pm.FindControl(name), nullptr) << QString::fromWCharArray(name).toStdString();
  EXPECT_EQ(window->width(), 1000);  // fitted to the monitor after "windowinit"
  EXPECT_EQ(window->height(), 640);
  // Without a device the notice shows and there is nothing to page through.
  EXPECT_TRUE(pm.FindControl(L"No_device_Link")->IsVisible());
  EXPECT_FALSE(pm.FindControl(L"device_select_next")->IsVisible());
  EXPECT_TRUE(window->TrayIcon().IsCreated());
}

TEST_F(MainSkinTest, TheSettingsMarkShowsOnItsPrivateMessage) {
  CControlUI* mark = window->GetPaintManager().FindControl(L"setting_progress");
  ASSERT_NE(mark, nullptr);
  EXPECT_FALSE(mark->IsVisible());
  EXPECT_TRUE(window->HandlePrivateMessage(WM_SHOW_SETTING_PROGRESS, 0, 0));
  EXPECT_TRUE(mark->IsVisible());
}

TEST_F(MainSkinTest, FittingToTheMonitorSizesAndCentresTheWindowKeepingItsVisibility) {
  // The offscreen screen is small (800 x 600 or so), so the scale stays 96.
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  for (bool visible : {false, true}) {
    window->setVisible(visible);
    window->FitToMonitor();
    EXPECT_EQ(window->size(), QSize(1000, 640)) << visible;
    EXPECT_EQ(window->geometry().center(), area.center()) << visible;
    EXPECT_EQ(window->isVisible(), visible);
  }
}

struct RouteCase {
  const wchar_t* type;
  const wchar_t* name;
  NotifyTarget target;
  int number;
};

TEST_F(MainSkinTest, NotificationsOfRealControlsReachTheirHandlers) {
  const RouteCase cases[] = {
      {L"click", L"color_option_7", NotifyTarget::kColourSwatch, 7},
      {L"click", L"KEY_12", NotifyTarget::kKeyButton, 12},
      {L"click", L"device_reset_btn", NotifyTarget::kProfileReset, -1},
      {L"click", L"macro_inset_moveleftkey_btn", NotifyTarget::kMacroEditor, -1},
      {L"selectchanged", L"key_Op_tab", NotifyTarget::kFunctionPage, 2},
      {L"selectchanged", L"polling_rate_option_3", NotifyTarget::kSystemSettings, 3},
      {L"itemselect", L"light_combo_modeSelect", NotifyTarget::kLightingMode, -1},
      {L"valuechanged", L"DPI_slider_4", NotifyTarget::kSystemSlider, 4},
      {L"movevaluechanged", L"tomel_DPI_slider_1", NotifyTarget::kDpiSliderMove, 1},
      {L"killfocus", L"deng_edit_G", NotifyTarget::kLightingColourEdit, -1},
      {L"colorchanged", L"deng_audioColor_Pallet", NotifyTarget::kAudioLightingColour, -1},
      {L"click_select_end", L"device_key_light", NotifyTarget::kPerKeyLightSelection, -1},
  };
  for (const RouteCase& c : cases) {
    CControlUI* control = Add<CButtonUI>(c.name);
    const int before = window->HandledCount(c.target);
    if (std::wstring(c.type) == L"click")
      ASSERT_TRUE(control->Activate());  // the button's own click
    else
      control->RaiseNotify(c.type, 1, 0);
    EXPECT_EQ(window->HandledCount(c.target), before + 1)
        << QString::fromWCharArray(c.type).toStdString() << " "
        << QString::fromWCharArray(c.name).toStdString();
    EXPECT_EQ(window->LastNumber(), c.number);
  }
  // A name the tables do not list, and the right name with the wrong type.
  const auto total = [&] {
    int n = 0;
    for (size_t t = 0; t < static_cast<size_t>(NotifyTarget::kTargetCount); ++t)
      n += window->HandledCount(static_cast<NotifyTarget>(t));
    return n;
  };
  const int before = total();
  Add<CButtonUI>(L"no_such_btn")->Activate();
  Add<CButtonUI>(L"DPI_slider_2")->Activate();
  Add<CButtonUI>(L"macro_inset_MOVELEFTKEY_btn")->Activate();  // compared with case
  EXPECT_EQ(total(), before);
}

TEST_F(MainSkinTest, TitleBarRowsCountOnlyForTheWindowsOwnButtons) {
  const int before = window->HandledCount(NotifyTarget::kMinimise);
  Add<CButtonUI>(L"minbtn")->Activate();  // a stranger of the same name
  EXPECT_EQ(window->HandledCount(NotifyTarget::kMinimise), before);
  ASSERT_TRUE(window->WindowButton(L"minbtn")->Activate());
  EXPECT_EQ(window->HandledCount(NotifyTarget::kMinimise), before + 1);
  EXPECT_TRUE(SpinUntil([&] { return window->isMinimized(); }, 500));
}

TEST_F(MainSkinTest, TheLightingStatusButtonFlipsWhoDrivesTheLighting) {
  CControlUI* status = window->GetPaintManager().FindControl(L"control_light_status");
  ASSERT_NE(status, nullptr);
  ASSERT_EQ(window->LightControlFlag(), 1);
  ASSERT_TRUE(status->Activate());
  EXPECT_EQ(window->LightControlFlag(), 0);
  EXPECT_EQ(status->GetRawText(), L"no_control_light_text");
  ASSERT_TRUE(status->Activate());
  EXPECT_EQ(window->LightControlFlag(), 1);
  EXPECT_EQ(status->GetRawText(), L"control_light_text");
  // Another program takes the lighting over; the button says so.
  window->OnLightControlRequest(1, 0);
  EXPECT_EQ(status->GetRawText(), L"no_control_light_text");
}

TEST_F(MainSkinTest, TheCloseButtonEndsTheWindowWithItsShutdown) {
  DebugCapture capture;
  ASSERT_TRUE(window->WindowButton(L"closebtn")->Activate());
  EXPECT_TRUE(window->IsClosed());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->TrayIcon().IsCreated());
  EXPECT_TRUE(capture.Contains("退出测试"));
  EXPECT_TRUE(capture.Contains("StopWorkers"));
}

TEST_F(MainSkinTest, TrayClicksToggleTheWindowAndTheMenuOpensOnce) {
  ASSERT_TRUE(window->isVisible());
  window->TrayIcon().SimulateClick(WM_LBUTTONUP);
  EXPECT_TRUE(SpinUntil([&] { return !window->isVisible(); }));
  window->TrayIcon().SimulateClick(WM_LBUTTONUP);
  EXPECT_TRUE(SpinUntil([&] { return window->isVisible(); }));

  // Two quick right clicks give one menu, in the language loaded.
  CResourceManager::GetInstance().LoadLanguage(L"lan_cn.xml");
  window->TrayIcon().SimulateClick(WM_RBUTTONUP);
  window->TrayIcon().SimulateClick(WM_RBUTTONUP);
  ASSERT_TRUE(SpinUntil([&] { return window->TrayMenu() != nullptr; }));
  QApplication::processEvents();
  int open = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMenu*>(w) != nullptr && w->isVisible()) ++open;
  EXPECT_EQ(open, 1);
  ASSERT_NE(window->TrayMenu()->FindItem(L"exit"), nullptr);
  EXPECT_EQ(window->TrayMenu()->FindItem(L"exit")->text().toStdString(), "退出");

  // "exit" closes the window.
  ASSERT_TRUE(window->TrayMenu()->Trigger(L"exit"));
  EXPECT_TRUE(SpinUntil([&] { return window->IsClosed(); }));
}

TEST_F(MainSkinTest, AMenuTakesItsLookFromItsFileInTheOwnersFontAndScale) {
  // menu.xml: bkcolor #FF1B1E25, hottextcolor #FFFFFFFF, fontsize 13, width 176.
  const QString family = window->GetPaintManager().GetDefaultFont().family();
  struct Case {
    int dpi;
    const char* fontSize;
    const char* width;
  };
  for (const Case& c : {Case{96, "font-size:13px", "min-width:176px"},
                        Case{144, "font-size:19px", "min-width:264px"}}) {
    CPaintManagerUI::SetAllDPI(c.dpi);
    std::unique_ptr<CMenuWnd> menu(CMenuWnd::CreateMenu(L"menu.xml", QPoint(50, 50), window, 6));
    ASSERT_NE(menu, nullptr);
    const QString sheet = menu->Menu()->styleSheet();
    EXPECT_TRUE(sheet.contains("background:rgba(27,30,37,255)")) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains("color:rgba(255,255,255,255)"));
    EXPECT_TRUE(sheet.contains("font-family:'" + family + "'")) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(c.fontSize)) << c.dpi << " " << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(c.width)) << c.dpi;
    EXPECT_FALSE(menu->FindItem(L"exit")->icon().isNull());
  }
  CPaintManagerUI::SetAllDPI(96);
}

TEST(TrayMenuPlace, FollowsThePanelsEdge) {
  const QRect screen(0, 0, 1920, 1080);
  const QPoint cursor(1800, 20);
  struct Case {
    QRect available;
    QPoint point;
    int alignment;
  };
  const Case cases[] = {
      {screen, cursor, 6},                                // no panel
      {QRect(0, 32, 1920, 1048), QPoint(1800, 33), 12},   // at the top
      {QRect(48, 0, 1872, 1080), QPoint(49, 20), 18},     // at the left
      {QRect(0, 0, 1920, 1040), QPoint(1800, 1020), 24},  // at the bottom
      {QRect(0, 0, 1872, 1080), QPoint(1871, 20), 24},    // at the right
  };
  for (const Case& c : cases) {
    const TrayMenuPlace p = PlaceTrayMenu(cursor, screen, c.available);
    EXPECT_EQ(p.point, c.point) << c.alignment;
    EXPECT_EQ(p.alignment, c.alignment);
  }
}

TEST_F(MainSkinTest, LanguageIdsBecomeTextThroughTheHiddenLabel) {
  CResourceManager::GetInstance().LoadLanguage(L"lan_en.xml");
  EXPECT_EQ(window->LanguageText(L"menu_exit_text"), L"Exit");
  EXPECT_EQ(window->LanguageText(L"not_an_id"), L"not_an_id");
  CResourceManager::GetInstance().LoadLanguage(L"lan_cn.xml");
  EXPECT_EQ(window->LanguageText(L"menu_exit_text"), L"退出");
  EXPECT_FALSE(window->GetPaintManager().FindControl(L"str_test")->IsVisible());
}

// ---------------------------------------------------------------------------
// Message box

// Runs act on the message box once it shows, from the event loop.
void WhenTheBoxShows(const std::function<void(CMsgWnd*)>& act) {
  auto* timer = new QTimer();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = dynamic_cast<CMsgWnd*>(w);
      if (box != nullptr && box->isVisible() && !box->IsClosed()) {
        timer->stop();
        timer->deleteLater();
        act(box);
        return;
      }
    }
  });
  timer->start();
}

CControlUI* Find(CMsgWnd* box, const wchar_t* name) {
  return box->GetPaintManager().FindControl(name);
}

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSourceSkin();
    CResourceManager::GetInstance().LoadLanguage(L"lan_en.xml");
    CPaintManagerUI::SetAllDPI(96);
  }
};

TEST_F(MessageBoxTest, ResultsFollowTheButtonThatClosedTheBox) {
  struct Case {
    int buttons;
    const wchar_t* press;  // nullptr: the system's close command
    int result;
    bool cancelShown;
  };
  const Case cases[] = {
      {kMsgConfirmCancel, L"confirm_btn", 1, true}, {kMsgConfirmCancel, L"cancel_btn", 0, true},
      {kMsgConfirmCancel, L"closebtn", 0, true},    {kMsgConfirmOnly, L"confirm_btn", 1, false},
      {kMsgConfirmOnly, L"closebtn", 0, false},     {kMsgConfirmOnly, nullptr, 0, false},
  };
  for (const Case& c : cases) {
    bool cancelShown = !c.cancelShown;
    std::wstring text;
    WhenTheBoxShows([&](CMsgWnd* box) {
      cancelShown = Find(box, L"cancel_btn")->IsVisible();
      text = Find(box, L"MessageText")->GetText();
      if (c.press != nullptr)
        Find(box, c.press)->Activate();
      else
        box->close();  // as the window manager would
    });
    EXPECT_EQ(ShowMessageBox(nullptr, L"", L"message_text_22", 96, true, c.buttons), c.result)
        << c.buttons << " " << (c.press ? QString::fromWCharArray(c.press).toStdString() : "");
    EXPECT_EQ(cancelShown, c.cancelShown);
    EXPECT_EQ(text.substr(0, 28), L"Restore the default settings");
  }
}

TEST_F(MessageBoxTest, FinishedTextTitleAndScale) {
  struct Case {
    int requested, taken;
    bool errorLine;
  };
  for (const Case& c : {Case{144, 144, false}, Case{120, 120, false}, Case{100, 96, true}}) {
    DebugCapture capture;
    int scale = 0;
    std::wstring text, title;
    WhenTheBoxShows([&](CMsgWnd* box) {
      scale = box->Scale();
      text = Find(box, L"MessageText")->GetText();
      title = Find(box, L"MessageTitle")->GetText();
      Find(box, L"confirm_btn")->Activate();
    });
    // Finished text is shown as it stands, even when it looks like an id.
    EXPECT_EQ(ShowMessageBox(nullptr, L"Title", L"menu_exit_text", c.requested, false, 0), 1);
    EXPECT_EQ(scale, c.taken);
    EXPECT_EQ(text, L"menu_exit_text");
    EXPECT_EQ(title, L"Title");
    EXPECT_EQ(capture.Contains("MSG_WND DPI SET ERROR"), c.errorLine) << c.requested;
    CPaintManagerUI::SetAllDPI(96);
  }
}

TEST_F(MessageBoxTest, AFormattedMessageFillsInTheNumberThroughTheLanguageText) {
  UseSourceSkin();
  CMainWnd window;
  ASSERT_TRUE(window.Create(nullptr, L"Brivo75", UI_WNDSTYLE_DIALOG, 0, 0, 0, 800, 572));
  CResourceManager::GetInstance().LoadLanguage(L"lan_en.xml");
  std::wstring text;
  WhenTheBoxShows([&](CMsgWnd* box) {
    text = Find(box, L"MessageText")->GetText();
    Find(box, L"closebtn")->Activate();
  });
  EXPECT_EQ(window.ShowFormatMessage(L"message_text_16", 37), 0);
  EXPECT_NE(text.find(L"by 37 steps"), std::wstring::npos)
      << QString::fromStdWString(text).toStdString();
  window.Shutdown();
  DrainPostedQuit();
}

TEST(FormatWithNumber, OnlyTheFirstIntegerIsFilledIn) {
  struct Case {
    const wchar_t* format;
    const wchar_t* result;
  };
  for (const Case& c : {Case{L"%d steps", L"5 steps"}, Case{L"a %d b %d", L"a 5 b %d"},
                        Case{L"%s and %n %d", L"%s and %n 5"}, Case{L"100%% of %d", L"100% of 5"},
                        Case{L"no number", L"no number"}, Case{L"ends in %", L"ends in %"}}) {
    EXPECT_EQ(FormatWithNumber(c.format, 5), c.result)
        << QString::fromWCharArray(c.format).toStdString();
  }
}

}  // namespace
