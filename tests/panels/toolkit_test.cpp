// The toolkit layer: building from layouts, lookup, attributes, notifications,
// timers, language texts, menus, modal windows and the tray icon.

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <functional>

#include "panels/toolkit/button.h"
#include "panels/toolkit/color_palette.h"
#include "panels/toolkit/combo.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/edit.h"
#include "panels/toolkit/list.h"
#include "panels/toolkit/menu.h"
#include "panels/toolkit/progress.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/tray_icon.h"
#include "panels/toolkit/window_impl.h"
#include "tests/panels/qt_test_env.h"

namespace {

constexpr UINT kTrayMessage = WM_USER + 1;

class TestWnd : public WindowImplBase {
 public:
  std::wstring GetWindowClassName() const override { return L"TestWnd"; }
  std::wstring GetSkinFile() override { return L"XML_TEST"; }
  CControlUI* CreateControl(const std::wstring& className) override {
    askedFor.push_back(className);
    if (EqualsNoCase(className, L"MyPanel")) return new CHorizontalLayoutUI();
    return nullptr;
  }
  void InitWindow() override { initWindowRan = m_pm.FindControl(L"ok_btn") != nullptr; }
  void OnMenuCommand(const MenuCmd& cmd) override { menuCommands.push_back(cmd); }
  LRESULT HandleCustomMessage(UINT msg, WPARAM w, LPARAM l, bool& handled) override {
    messages.push_back({msg, w, l});
    handled = msg >= WM_USER || (msg == WM_CLOSE && refuseClose);
    return 0;
  }
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled) override {
    ++destroyed;
    handled = false;
    return 0;
  }
  void OnFinalMessage() override { ++finals; }

  std::vector<std::wstring> askedFor;
  bool initWindowRan = false;
  std::vector<MenuCmd> menuCommands;
  std::vector<std::tuple<UINT, WPARAM, LPARAM>> messages;
  int destroyed = 0;
  int finals = 0;
  bool refuseClose = false;
};

class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFixtureSkin();
    auto& res = CResourceManager::GetInstance();
    res.ClearTexts();
    res.LoadLanguage(L"lan_en.xml");
    wnd = std::make_unique<TestWnd>();
    ASSERT_TRUE(wnd->Create(nullptr, L"test"));
    pm = &wnd->GetPaintManager();
    pm->AddNotifier(&recorder);
  }
  void TearDown() override {
    if (pm) pm->RemoveNotifier(&recorder);
    wnd.reset();
  }
  void Show() {
    wnd->ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    QCoreApplication::processEvents();
  }
  template <class T>
  T* Find(const wchar_t* name) {
    return dynamic_cast<T*>(pm->FindControl(name));
  }
  static QPoint Center(CControlUI* c) { return c->rect().center(); }

  std::unique_ptr<TestWnd> wnd;
  CPaintManagerUI* pm = nullptr;
  NotifyRecorder recorder;
};

TEST_F(ToolkitTest, BuildsTheLayoutWithCallbackFactoryIncludesAndWindowSettings) {
  EXPECT_TRUE(wnd->initWindowRan);
  EXPECT_EQ(wnd->size(), QSize(400, 300));
  EXPECT_EQ(pm->GetCaptionRect().bottom(), 30);
  // The callback is asked first, for every element, including the toolkit's own.
  EXPECT_NE(std::find(wnd->askedFor.begin(), wnd->askedFor.end(), L"Button"), wnd->askedFor.end());
  struct Case {
    const wchar_t* name;
    const wchar_t* className;
  } cases[] = {
      {L"root", L"VerticalLayout"},  {L"caption", L"HorizontalLayout"},
      {L"title", L"Label"},          {L"ok_btn", L"Button"},
      {L"tab_a", L"Option"},         {L"check_a", L"CheckBox"},
      {L"num_edit", L"Edit"},        {L"mode_combo", L"Combo"},
      {L"speed_slider", L"Slider"},  {L"power", L"Progress"},
      {L"pages", L"TabLayout"},      {L"names", L"List"},
      {L"n1", L"ListLabelElement"},  {L"custom", L"HorizontalLayout"},
      {L"included_label", L"Label"},
  };
  for (const auto& c : cases) {
    CControlUI* control = pm->FindControl(c.name);
    ASSERT_NE(control, nullptr) << QString::fromWCharArray(c.name).toStdString();
    EXPECT_EQ(control->GetClass(), c.className);
    EXPECT_EQ(control->GetManager(), pm);
  }
  EXPECT_EQ(pm->FindControl(L"nothing"), nullptr);
  EXPECT_EQ(pm->FindControl(L"missing"), nullptr);
  // The included file's controls sit inside the root, after the custom panel.
  auto* root = dynamic_cast<CContainerUI*>(pm->GetRoot());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->GetItemAt(root->GetCount() - 1)->GetName(), L"included");
  EXPECT_EQ(pm->FindSubControlByName(pm->FindControl(L"caption"), L"closebtn"),
            pm->FindControl(L"closebtn"));
  EXPECT_EQ(pm->FindSubControlByName(pm->FindControl(L"caption"), L"ok_btn"), nullptr);
  // Lookups by class see controls only, never Qt's own widgets inside them
  // (the edit's line edit, the list's scroll bar).
  EXPECT_EQ(pm->FindSubControlsByClass(root, L"Edit"),
            std::vector<CControlUI*>{pm->FindControl(L"num_edit")});
  EXPECT_EQ(pm->FindSubControlsByClass(root, L"ListLabelElement").size(), 5u);  // list and combo
}

TEST_F(ToolkitTest, FactoryClassesAreFoundByShortNameAndUnknownOnesGiveNothing) {
  CControlFactory::GetInstance()->RegistControl(L"CGaugeUI", [] {
    auto* c = new CLabelUI();
    c->SetUserData(L"from factory");
    return c;
  });
  CDialogBuilder builder;
  CControlUI* gauge = builder.Create(L"<Gauge name=\"g\" text=\"x\"/>", L"", nullptr, pm, nullptr);
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->GetUserData(), L"from factory");
  EXPECT_EQ(gauge->GetText(), L"x");
  EXPECT_EQ(pm->FindControl(L"g"), gauge);
  delete gauge;
  EXPECT_EQ(pm->FindControl(L"g"), nullptr);

  EXPECT_EQ(builder.Create(L"<NoSuchThing/>", L"", nullptr, pm), nullptr);
  EXPECT_EQ(builder.Create(L"broken.xml", L"", nullptr, pm), nullptr);
  EXPECT_FALSE(builder.GetLastErrorMessage().empty());
  EXPECT_EQ(builder.Create(L"no_such_file.xml", L"", nullptr, pm), nullptr);
}

TEST_F(ToolkitTest, AttributesDefaultsAndStyles) {
  auto* styled = Find<CLabelUI>(L"styled");
  ASSERT_NE(styled, nullptr);
  EXPECT_EQ(styled->GetFixedHeight(), 40);       // from the style
  EXPECT_EQ(styled->GetBkColor(), 0xFF00FF00u);  // from the style
  EXPECT_EQ(styled->GetUserData(), L"ud");
  EXPECT_EQ(styled->GetTag(), 7u);
  EXPECT_EQ(styled->GetToolTip(), L"tip_text");
  EXPECT_EQ(styled->GetAttribute(L"mydata"), L"kept");                 // unknown names are kept
  EXPECT_EQ(Find<CButtonUI>(L"ok_btn")->GetTextColor(), 0xFF112233u);  // class default
  EXPECT_EQ(Find<CButtonUI>(L"ok_btn")->GetPadding(), QMargins(5, 0, 5, 0));
  EXPECT_FALSE(pm->FindControl(L"str_test")->IsVisible());

  styled->SetAttribute(L"bkcolor", L"#FF102030");
  styled->SetAttribute(L"visible", L"false");
  styled->SetAttribute(L"width", L"25");
  EXPECT_EQ(styled->GetBkColor(), 0xFF102030u);
  EXPECT_FALSE(styled->IsVisible());
  EXPECT_EQ(styled->GetFixedWidth(), 25);

  // A control made by the program finds its style before it joins a window.
  CLabelUI loose;
  loose.SetAttribute(L"style", L"big_label");
  EXPECT_EQ(loose.GetFixedHeight(), 40);

  auto* pages = Find<CTabLayoutUI>(L"pages");
  EXPECT_EQ(pages->GetCurSel(), 1);
  EXPECT_TRUE(pm->FindControl(L"page0")->isHidden());
  EXPECT_FALSE(pm->FindControl(L"page1")->isHidden());
  EXPECT_TRUE(pages->SelectItem(0));
  EXPECT_FALSE(pages->SelectItem(2));
  EXPECT_EQ(pages->GetCurSel(), 0);
  EXPECT_TRUE(pm->FindControl(L"page1")->isHidden());
  // The page keeps its own visibility flag while the tab hides it.
  EXPECT_TRUE(pm->FindControl(L"page1")->IsVisible());

  auto* combo = Find<CComboUI>(L"mode_combo");
  EXPECT_EQ(combo->GetCount(), 2);
  EXPECT_EQ(combo->GetCurSel(), -1);
  EXPECT_EQ(combo->GetItemAt(1)->GetUserData(), L"2");
}

TEST_F(ToolkitTest, LayoutKeepsFixedSizesSharesTheRestAndPlacesFloats) {
  Show();
  auto* caption = Find<CHorizontalLayoutUI>(L"caption");
  caption->Relayout();
  EXPECT_EQ(pm->FindControl(L"title")->geometry(), QRect(0, 0, 100, 30));
  EXPECT_EQ(pm->FindControl(L"minbtn")->geometry(), QRect(340, 0, 30, 30));
  EXPECT_EQ(pm->FindControl(L"closebtn")->geometry(), QRect(370, 0, 30, 30));
  auto* ok = pm->FindControl(L"ok_btn");
  EXPECT_EQ(ok->geometry(), QRect(5, 0, 80, 30));  // padding 5 each side

  auto* floating = new CButtonUI();
  floating->SetFloat(true);
  floating->SetPos(QRect(QPoint(10, 5), QPoint(29, 14)));
  caption->Add(floating);
  caption->Relayout();
  EXPECT_EQ(floating->geometry(), QRect(10, 5, 20, 10));

  // Children lower than their row are placed by "childvalign".
  auto* row = new CHorizontalLayoutUI();
  row->SetAttribute(L"childvalign", L"vcenter");
  row->setGeometry(0, 0, 100, 30);
  auto* small = new CLabelUI();
  small->SetFixedWidth(20);
  small->SetFixedHeight(10);
  row->Add(small);
  row->Relayout();
  EXPECT_EQ(small->geometry(), QRect(0, 10, 20, 10));
  delete row;

  // Scale 144: fixed sizes grow by half.
  pm->SetDPI(144);
  caption->Relayout();
  EXPECT_EQ(pm->FindControl(L"title")->geometry().width(), 150);
  pm->SetDPI(96);
}

// Each user action and the notifications it must raise, in order.
TEST_F(ToolkitTest, EachControlRaisesItsNotificationsWithSenderAndParameters) {
  Show();
  auto click = [this](const wchar_t* name) {
    CControlUI* c = pm->FindControl(name);
    QTest::mouseClick(c, Qt::LeftButton, {}, Center(c));
  };
  auto slider = [this]() { return pm->FindControl(L"speed_slider"); };
  struct Case {
    const char* what;
    std::function<void()> act;
    std::vector<NotifyRecord> expected;
  } cases[] = {
      {"button click", [&] { click(L"ok_btn"); }, {{L"click", L"ok_btn", 0, 0}}},
      {"option in a group selects and only it reports",
       [&] { click(L"tab_b"); },
       {{L"click", L"tab_b", 0, 0}, {L"selectchanged", L"tab_b", 1, 0}}},
      {"selected option in a group clicked again",
       [&] { click(L"tab_b"); },
       {{L"click", L"tab_b", 0, 0}}},
      {"check box toggles",
       [&] { click(L"check_a"); },
       {{L"click", L"check_a", 0, 0},
        {L"selectchanged", L"check_a", 1, 0},
        {L"checkclick", L"check_a", 1, 0}}},
      {"check box toggles back",
       [&] { click(L"check_a"); },
       {{L"click", L"check_a", 0, 0},
        {L"selectchanged", L"check_a", 0, 0},
        {L"checkclick", L"check_a", 0, 0}}},
      {"combo selection",
       [&] { Find<CComboUI>(L"mode_combo")->SelectItem(1); },
       {{L"itemselect", L"mode_combo", 1, -1}}},
      {"combo opened and an entry picked; hidden items are not offered",
       [&] {
         auto* combo = Find<CComboUI>(L"mode_combo");
         combo->SelectItem1(0, false, false);
         combo->GetItemAt(0)->SetVisible(false);
         click(L"mode_combo");
         ASSERT_TRUE(combo->IsDropDownOpen());
         QListWidget* list = combo->DropDown();
         ASSERT_EQ(list->count(), 1);
         EXPECT_EQ(list->item(0)->text(), QString("mode_b"));
         QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                           list->visualItemRect(list->item(0)).center());
         EXPECT_FALSE(combo->IsDropDownOpen());
         combo->GetItemAt(0)->SetVisible(true);
       },
       {{L"dropdown", L"mode_combo", 0, 0}, {L"itemselect", L"mode_combo", 1, 0}}},
      {"combo selection without notification",
       [&] { Find<CComboUI>(L"mode_combo")->SelectItem1(0, false, false); },
       {}},
      {"list item pressed and released",
       [&] { click(L"n1"); },
       {{L"itemselect", L"names", 1, -1}, {L"itemclick", L"n1", 0, 0}}},
      {"list item double clicked",
       [&] {
         CControlUI* c = pm->FindControl(L"n0");
         QTest::mouseDClick(c, Qt::LeftButton, {}, Center(c));
       },
       {{L"itemselect", L"names", 0, 1}, {L"itemactivate", L"n0", 0, 0}}},
      {"list select and activate",
       [&] { Find<CListUI>(L"names")->SelectItemActivate(2); },
       {{L"itemselect", L"names", 2, 0}, {L"itemactivate", L"n2", 0, 0}}},
      {"slider dragged",
       [&] {
         CControlUI* s = slider();
         QTest::mousePress(s, Qt::LeftButton, {}, QPoint(5, 5));
         QTest::mouseMove(s, QPoint(s->width() - 5, 5));
         QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(s->width() - 5, 5));
       },
       {{L"movevaluechanged", L"speed_slider", 0, 0},
        {L"movevaluechanged", L"speed_slider", 0, 0},
        {L"valuechanged", L"speed_slider", 0, 0}}},
      {"edit focus, typing, return and focus leaving",
       [&] {
         auto* edit = Find<CEditUI>(L"num_edit");
         edit->SetFocusNow();
         QTest::keyClicks(edit->LineEdit(), "7");
         QTest::keyClick(edit->LineEdit(), Qt::Key_Return);
         pm->FindControl(L"ok_btn")->setFocus();
       },
       {{L"setfocus", L"num_edit", 0, 0},
        {L"textchanged", L"num_edit", 0, 0},
        {L"return", L"num_edit", 0, 0},
        {L"killfocus", L"num_edit", 0, 0}}},
      {"context request on an item that uses a menu",
       [&] {
         CControlUI* c = pm->FindControl(L"n0");
         QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 4), c->mapToGlobal(QPoint(3, 4)),
                             Qt::ControlModifier);
         QCoreApplication::sendEvent(c, &e);
       },
       {{L"menu", L"n0", WPARAM(Qt::ControlModifier), 3 | (4 << 16)}}},
      {"context request on an item without one",
       [&] {
         CControlUI* c = pm->FindControl(L"n1");
         QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 4), c->mapToGlobal(QPoint(3, 4)));
         QCoreApplication::sendEvent(c, &e);
       },
       {}},
      {"palette picked with the mouse",
       [&] {
         CControlUI* c = pm->FindControl(L"Pallet");
         QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(0, 0) + QPoint(1, 1));
       },
       {{L"colorchanged", L"Pallet", Find<CColorPaletteUI>(L"Pallet")->ColorAt(QPoint(1, 1)), 0}}},
      {"palette set by the program",
       [&] { Find<CColorPaletteUI>(L"Pallet")->SetSelectColor(0xFF00FF00); },
       {}},
      {"disabled button",
       [&] {
         pm->FindControl(L"ok_btn")->SetEnabled(false);
         click(L"ok_btn");
         pm->FindControl(L"ok_btn")->SetEnabled(true);
       },
       {}},
  };
  QCoreApplication::processEvents();
  for (auto& c : cases) {
    recorder.seen.clear();
    c.act();
    EXPECT_EQ(recorder.seen, c.expected) << c.what;
  }
  EXPECT_FALSE(Find<COptionUI>(L"tab_a")->IsSelected());
  for (std::uint32_t color : {0xFF00FF00u, 0xFFFF0000u, 0xFF102030u, 0xFF000000u, 0xFFFFFFFFu}) {
    Find<CColorPaletteUI>(L"Pallet")->SetSelectColor(color);
    EXPECT_EQ(Find<CColorPaletteUI>(L"Pallet")->GetSelectColor(), color) << std::hex << color;
  }
  EXPECT_EQ(Find<CSliderUI>(L"speed_slider")->GetValue(), 10);
}

TEST_F(ToolkitTest, DraggingTheCaptionMovesTheWindowButNotFromBelowIt) {
  Show();
  CControlUI* title = pm->FindControl(L"title");  // a label in the caption band
  const QPoint before = wnd->pos();
  QTest::mousePress(title, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(title, QPoint(40, 30));
  QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(40, 30));
  QCoreApplication::processEvents();
  EXPECT_EQ(wnd->pos() - before, QPoint(30, 20));

  const QPoint moved = wnd->pos();
  CControlUI* styled = pm->FindControl(L"styled");  // below the caption
  QTest::mousePress(styled, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(styled, QPoint(40, 30));
  QTest::mouseRelease(styled, Qt::LeftButton, {}, QPoint(40, 30));
  QCoreApplication::processEvents();
  EXPECT_EQ(wnd->pos(), moved);
}

TEST_F(ToolkitTest, WindowInitIsPostedAndWindowSizeFollowsResizes) {
  EXPECT_TRUE(recorder.OfType(L"windowinit").empty());  // not yet: posted
  Show();
  EXPECT_EQ(recorder.OfType(L"windowinit"),
            (std::vector<NotifyRecord>{{L"windowinit", L"root", 0, 0}}));
  recorder.seen.clear();
  wnd->resize(500, 320);
  EXPECT_EQ(recorder.OfType(L"windowsize").size(), 1u);
  EXPECT_EQ(pm->GetRoot()->size(), QSize(500, 320));
}

TEST_F(ToolkitTest, PostedNotificationsArriveLaterAndDieWithTheirSender) {
  QCoreApplication::processEvents();
  recorder.seen.clear();
  auto* extra = new CButtonUI();
  extra->SetName(L"extra");
  Find<CContainerUI>(L"root")->Add(extra);
  pm->SendNotify(extra, L"menu", 3, 4, true);
  pm->SendNotify(pm->FindControl(L"ok_btn"), L"dbclick", 5, 6, true);
  EXPECT_TRUE(recorder.seen.empty());
  delete extra;
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"dbclick", L"ok_btn", 5, 6}}));
}

TEST_F(ToolkitTest, ControlTimersRaiseTimerWithTheirIdUntilKilled) {
  auto* ok = pm->FindControl(L"ok_btn");
  auto* title = pm->FindControl(L"title");
  int okTicks = 0;
  ok->AddNotifyHandler([&](TNotifyUI& msg) {
    if (msg.sType == L"timer" && msg.wParam == 1001 && ++okTicks == 3) ok->KillTimer(1001);
  });
  ASSERT_TRUE(pm->SetTimer(ok, 1001, 1));
  ASSERT_TRUE(title->SetTimer(1055, 1));
  EXPECT_TRUE(title->HasTimer(1055));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return okTicks >= 3 && !recorder.OfType(L"timer").empty(); }, 2000));
  EXPECT_EQ(okTicks, 3);
  EXPECT_FALSE(ok->HasTimer(1001));
  EXPECT_TRUE(pm->KillTimer(title, 1055));
  EXPECT_FALSE(pm->KillTimer(title, 1055));
  QTest::qWait(20);
  EXPECT_EQ(okTicks, 3);
  bool sawTitle = false;
  for (const auto& r : recorder.OfType(L"timer")) {
    EXPECT_TRUE((r.sender == L"ok_btn" && r.wParam == 1001) ||
                (r.sender == L"title" && r.wParam == 1055));
    sawTitle |= r.sender == L"title";
  }
  EXPECT_TRUE(sawTitle);
}

TEST_F(ToolkitTest, HiddenLabelTranslatesLanguageIds) {
  auto* strTest = pm->FindControl(L"str_test");
  auto lookup = [&](const std::wstring& id) {
    strTest->SetText(id);
    return strTest->GetText();
  };
  EXPECT_EQ(lookup(L"message_text_5"), L"The name is already in use");
  EXPECT_EQ(lookup(L"no_such_id"), L"no_such_id");
  EXPECT_EQ(pm->FindControl(L"title")->GetText(), L"Brivo75 test");

  auto& res = CResourceManager::GetInstance();
  ASSERT_TRUE(res.LoadLanguage(L"lan_cn.xml"));
  res.ReloadText();
  EXPECT_EQ(pm->FindControl(L"ok_btn")->GetText(), L"确定");
  EXPECT_EQ(lookup(L"message_text_5"), L"message_text_5");  // the new table replaces the old
  EXPECT_FALSE(res.LoadLanguage(L"missing.xml"));
  EXPECT_EQ(pm->FindControl(L"ok_btn")->GetText(), L"确定");  // kept

  // A control whose text is finished text shows it as it is.
  strTest->SetResourceText(false);
  EXPECT_EQ(lookup(L"ok_text"), L"ok_text");
  // Edits never translate what is typed.
  CEditUI edit;
  edit.SetText(L"ok_text");
  EXPECT_EQ(edit.GetText(), L"ok_text");
}

TEST_F(ToolkitTest, NumberOnlyEditTakesDigitsAndClipsToItsRange) {
  Show();
  auto* edit = Find<CEditUI>(L"num_edit");
  struct Case {
    const char* typed;
    std::wstring after;
  } cases[] = {
      {"12a3", L"123"}, {"9999", L"500"}, {"0", L"1"}, {"77777", L"500"}, {"", L""},
  };
  for (const auto& c : cases) {
    edit->SetText(L"");
    edit->SetFocusNow();
    QTest::keyClicks(edit->LineEdit(), c.typed);
    pm->FindControl(L"ok_btn")->setFocus();
    EXPECT_EQ(edit->GetText(), c.after) << c.typed;
  }
}

TEST_F(ToolkitTest, ContainersAddInsertRemoveAndForgetDeletedChildren) {
  auto* list = Find<CListUI>(L"names");
  auto* extra = new CListLabelElementUI();
  extra->SetName(L"n_extra");
  ASSERT_TRUE(list->AddAt(extra, 0));
  EXPECT_EQ(list->GetCount(), 4);
  EXPECT_EQ(extra->GetIndex(), 0);
  EXPECT_EQ(dynamic_cast<IListItemUI*>(list->GetItemAt(3))->GetIndex(), 3);
  EXPECT_EQ(pm->FindControl(L"n_extra"), extra);
  list->SelectItem(2, false, false);
  ASSERT_TRUE(list->RemoveAt(0));
  EXPECT_EQ(list->GetCurSel(), 1);  // follows its item
  EXPECT_EQ(list->GetItemAt(1)->GetName(), L"n1");
  delete list->GetItemAt(0);  // deleted directly
  EXPECT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetItemAt(0)->GetName(), L"n1");
  EXPECT_FALSE(list->RemoveAt(5));
  auto* preselected = new CListLabelElementUI();
  preselected->SetAttribute(L"selected", L"true");
  recorder.seen.clear();
  list->Add(preselected);
  EXPECT_EQ(list->GetCurSel(), 2);  // arrives selected, silently
  EXPECT_TRUE(recorder.seen.empty());
  list->RemoveAll();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(pm->FindControl(L"n1"), nullptr);
}

TEST_F(ToolkitTest, MenuCommandsReachTheWindowAfterTheMenuCloses) {
  std::vector<std::wstring> handled;
  std::unique_ptr<CMenuWnd> menu(
      CMenuWnd::CreateMenu(L"menu.xml", QPoint(100, 100), wnd.get(), 6,
                           [&](const MenuCmd& cmd) { handled.push_back(cmd.szName); }));
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(menu->FindItem(L"setwnd_menu"), nullptr);  // nested item
  EXPECT_EQ(menu->FindItem(L"about_menu")->text(), QString("About"));
  EXPECT_TRUE(menu->Trigger(L"setwnd_menu"));
  EXPECT_TRUE(wnd->menuCommands.empty());
  QCoreApplication::processEvents();
  ASSERT_EQ(wnd->menuCommands.size(), 1u);
  EXPECT_EQ(wnd->menuCommands[0].szName, L"setwnd_menu");
  EXPECT_EQ(wnd->menuCommands[0].szUserData, L"s");
  EXPECT_EQ(handled, std::vector<std::wstring>{L"setwnd_menu"});
  EXPECT_TRUE(menu->Trigger(L"exit"));
  QCoreApplication::processEvents();
  ASSERT_EQ(wnd->menuCommands.size(), 2u);
  EXPECT_FALSE(wnd->menuCommands[1].bChecked);  // triggering a checked item unchecks it
  EXPECT_FALSE(menu->Trigger(L"more_missing"));
  EXPECT_EQ(CMenuWnd::CreateMenu(L"missing_menu.xml", QPoint(), wnd.get()), nullptr);

  struct Place {
    int align;
    QPoint topLeft;
  } places[] = {{6, {100, 100}}, {12, {60, 100}}, {18, {100, 80}}, {24, {60, 80}}};
  for (const auto& p : places)
    EXPECT_EQ(CMenuWnd::PlaceMenu(QPoint(100, 100), QSize(40, 20), p.align), p.topLeft) << p.align;
}

TEST_F(ToolkitTest, ShowModalReturnsTheCloseResultAndDestroysOnce) {
  QTimer::singleShot(0, wnd.get(), [this] { wnd->Close(7); });
  EXPECT_EQ(wnd->ShowModal(), 7);
  EXPECT_EQ(wnd->destroyed, 1);
  EXPECT_EQ(wnd->finals, 1);
  EXPECT_EQ(wnd->messages.front(), std::make_tuple(WM_CLOSE, WPARAM(7), LPARAM(0)));
  wnd->Close(3);
  QCoreApplication::processEvents();
  EXPECT_EQ(wnd->destroyed, 1);
}

TEST_F(ToolkitTest, AModalRunBlocksItsOwnerOnly) {
  Show();
  for (bool owned : {false, true}) {
    TestWnd box;
    box.Create(owned ? wnd.get() : nullptr, L"box");
    bool ownerBlocked = true;
    QTimer::singleShot(0, &box, [&] {
      ownerBlocked = QApplication::activeModalWidget() != nullptr;
      box.Close(1);
    });
    EXPECT_EQ(box.ShowModal(), 1);
    EXPECT_EQ(ownerBlocked, owned);
  }
}

TEST_F(ToolkitTest, WaitingWithMessagesLetsAWorkerSendToTheWindow) {
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    wnd->SendMessage(WM_USER + 9, 0, 0);  // needs the UI thread
    finished = true;
  });
  EXPECT_TRUE(WaitWithMessages([&] { return finished.load(); }, 2000));
  worker.join();
  EXPECT_FALSE(WaitWithMessages([] { return false; }, 10));
}

TEST_F(ToolkitTest, AWindowMayRefuseToClose) {
  wnd->refuseClose = true;
  QTimer::singleShot(0, wnd.get(), [this] {
    wnd->Close(4);  // refused
    wnd->close();   // the window manager's close: refused too
    EXPECT_FALSE(wnd->IsClosed());
    wnd->refuseClose = false;
    wnd->Close(5);
  });
  EXPECT_EQ(wnd->ShowModal(), 5);
  EXPECT_EQ(wnd->destroyed, 1);
}

TEST_F(ToolkitTest, CloseButtonAndSystemCloseEndTheModalRunWithZero) {
  QTimer::singleShot(0, wnd.get(), [this] {
    CControlUI* close = pm->FindControl(L"closebtn");
    QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
  });
  EXPECT_EQ(wnd->ShowModal(), 0);

  TestWnd other;
  other.Create(nullptr, L"other");
  QTimer::singleShot(0, &other, [&] { other.close(); });  // the window manager's close
  EXPECT_EQ(other.ShowModal(), 0);
  EXPECT_EQ(other.destroyed, 1);
}

TEST_F(ToolkitTest, MessagesReachTheWindowSentPostedFromThreadsAndFromTheTray) {
  wnd->SendMessage(WM_USER + 5, 1, 2);
  ASSERT_EQ(wnd->messages.size(), 1u);
  wnd->PostMessage(WM_USER + 6, 3, 4);
  EXPECT_EQ(wnd->messages.size(), 1u);
  std::thread worker([&] { wnd->SendMessage(WM_USER + 7, 5, 6); });
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd->messages.size() >= 3; }, 2000));
  worker.join();
  ASSERT_EQ(wnd->messages.size(), 3u);
  EXPECT_EQ(wnd->messages[1], std::make_tuple(WM_USER + 6, WPARAM(3), LPARAM(4)));
  EXPECT_EQ(wnd->messages[2], std::make_tuple(WM_USER + 7, WPARAM(5), LPARAM(6)));

  // Window timers arrive as WM_TIMER with the id; killing one in its handler stops it.
  wnd->messages.clear();
  ASSERT_TRUE(wnd->SetTimer(1032, 1));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !wnd->messages.empty(); }, 2000));
  EXPECT_TRUE(wnd->KillTimer(1032));
  EXPECT_FALSE(wnd->KillTimer(1032));
  ASSERT_FALSE(wnd->messages.empty());
  EXPECT_EQ(wnd->messages[0], std::make_tuple(WM_TIMER, WPARAM(1032), LPARAM(0)));

  CTrayIcon tray;
  ASSERT_TRUE(tray.CreateTrayIcon(wnd.get(), 107, L"Brivo75", kTrayMessage));
  EXPECT_EQ(tray.GetTooltipText(), L"Brivo75");
  tray.SimulateClick(WM_RBUTTONUP);
  QCoreApplication::processEvents();
  EXPECT_EQ(wnd->messages.back(), std::make_tuple(kTrayMessage, WPARAM(107), LPARAM(WM_RBUTTONUP)));
  tray.DeleteTrayIcon();
  EXPECT_FALSE(tray.IsCreated());
}

}  // namespace
