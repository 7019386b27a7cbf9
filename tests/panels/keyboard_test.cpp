// Keyboard and scrolling: scroll bars of scrolling containers, keys on
// sliders, lists and combos (the same notifications as the mouse), the combo's
// drop-down, Tab focus, and Return / Escape in windows and dialogs.

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

#include "panels/toolkit/button.h"
#include "panels/toolkit/combo.h"
#include "panels/toolkit/edit.h"
#include "panels/toolkit/list.h"
#include "panels/toolkit/progress.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/window_impl.h"
#include "tests/panels/qt_test_env.h"

namespace {

class KeysWnd : public WindowImplBase {
 public:
  std::wstring GetWindowClassName() const override { return L"KeysWnd"; }
  std::wstring GetSkinFile() override { return L"keys_window.xml"; }
};

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFixtureSkin();
    CResourceManager::GetInstance().ClearTexts();
    wnd = std::make_unique<KeysWnd>();
    ASSERT_TRUE(wnd->Create(nullptr, L"keys"));
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
    return dynamic_cast<T*>(pm->FindControl(name));
  }
  static void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, static_cast<Qt::Key>(key), mods);
  }
  // A key held down: the first press, repeats (a release and a press each,
  // marked auto-repeat), then the real release.
  static void HoldKey(QWidget* w, int key, int repeats) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    for (int i = 0; i < repeats; ++i) {
      QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, QString(), true);
      QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
      QCoreApplication::sendEvent(w, &up);
      QCoreApplication::sendEvent(w, &down);
    }
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
  }
  std::vector<std::wstring> Types() const {
    std::vector<std::wstring> out;
    for (const auto& r : recorder.seen) out.push_back(r.type);
    return out;
  }

  std::unique_ptr<KeysWnd> wnd;
  CPaintManagerUI* pm = nullptr;
  NotifyRecorder recorder;
};

TEST_F(KeyboardTest, SliderKeysNotifyAsADragDoes) {
  using V = std::vector<std::wstring>;
  const std::wstring move = L"movevaluechanged", done = L"valuechanged";
  struct Case {
    const char* what;
    const wchar_t* slider;
    std::function<void(QWidget*)> keys;
    int value;
    V notifications;
  } cases[] = {
      {"Right: one step, then the release ends the change",
       L"level",
       [](QWidget* s) { Key(s, Qt::Key_Right); },
       55,
       {move, done}},
      {"Left held: one move per repeat, one end",
       L"level",
       [](QWidget* s) { HoldKey(s, Qt::Key_Left, 2); },
       40,
       {move, move, move, done}},
      {"Page Up: a tenth of the range",
       L"level",
       [](QWidget* s) { Key(s, Qt::Key_PageUp); },
       50,
       {move, done}},
      {"End then Home",
       L"level",
       [](QWidget* s) {
         Key(s, Qt::Key_End);
         Key(s, Qt::Key_Home);
       },
       0,
       {move, done, move, done}},
      {"at the minimum nothing moves and nothing is told",
       L"level",
       [](QWidget* s) { Key(s, Qt::Key_Down); },
       0,
       {}},
      {"other keys are not the slider's", L"level", [](QWidget* s) { Key(s, Qt::Key_A); }, 0, {}},
      {"vertical slider: Up raises the value",
       L"vlevel",
       [](QWidget* s) { Key(s, Qt::Key_Up); },
       1,
       {move, done}},
      {"focus leaving while the key is down ends the change",
       L"vlevel",
       [this](QWidget* s) {
         s->setFocus();
         QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
         QCoreApplication::sendEvent(s, &press);
         Find<CControlUI>(L"ok")->setFocus();
       },
       2,
       {move, done}},
  };
  wnd->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(wnd.get()));
  for (const auto& c : cases) {
    recorder.seen.clear();
    auto* slider = Find<CSliderUI>(c.slider);
    c.keys(slider);
    EXPECT_EQ(slider->GetValue(), c.value) << c.what;
    EXPECT_EQ(Types(), c.notifications) << c.what;
    for (const auto& r : recorder.seen) EXPECT_EQ(r.sender, c.slider) << c.what;
  }
  // A disabled slider ignores the keys.
  auto* level = Find<CSliderUI>(L"level");
  level->SetEnabled(false);
  recorder.seen.clear();
  Key(level, Qt::Key_Right);
  EXPECT_EQ(level->GetValue(), 0);
  EXPECT_TRUE(recorder.seen.empty());
}

TEST_F(KeyboardTest, ListKeysSelectAsClicksDoAndSkipHiddenItems) {
  auto* list = Find<CListUI>(L"rows");
  struct Case {
    int key;
    int selected;
    std::vector<NotifyRecord> expected;
  } cases[] = {
      {Qt::Key_Down, 0, {{L"itemselect", L"rows", 0, -1}}},
      {Qt::Key_Down, 1, {{L"itemselect", L"rows", 1, 0}}},
      {Qt::Key_Down, 3, {{L"itemselect", L"rows", 3, 1}}},  // r2 is hidden
      {Qt::Key_End, 4, {{L"itemselect", L"rows", 4, 3}}},
      {Qt::Key_Down, 4, {}},  // already the last
      {Qt::Key_Home, 0, {{L"itemselect", L"rows", 0, 4}}},
      {Qt::Key_PageDown, 3, {{L"itemselect", L"rows", 3, 0}}},  // two rows fit in the view
      {Qt::Key_Up, 1, {{L"itemselect", L"rows", 1, 3}}},
      {Qt::Key_Return, 1, {{L"itemactivate", L"r1", 0, 0}}},
  };
  for (const auto& c : cases) {
    recorder.seen.clear();
    Key(list, c.key);
    EXPECT_EQ(list->GetCurSel(), c.selected) << c.key;
    EXPECT_EQ(recorder.seen, c.expected) << c.key;
  }
  // The selected item is scrolled into the view.
  Key(list, Qt::Key_End);
  CControlUI* last = Find<CControlUI>(L"r4");
  EXPECT_GT(list->GetScrollPos(), 0);
  EXPECT_LE(last->geometry().bottom(), list->height() - 1);
  EXPECT_GE(last->geometry().top(), 0);
}

TEST_F(KeyboardTest, ScrollingContainerShowsABarThatFollowsWheelKeysAndFocus) {
  auto* scroller = Find<CContainerUI>(L"scroller");
  scroller->Relayout();
  QScrollBar* bar = scroller->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(scroller->GetScrollRange(), 150);  // 5 x 50 in 100
  EXPECT_EQ(bar->maximum(), 150);
  EXPECT_EQ(bar->pageStep(), 100);
  // The content makes room for the bar.
  CControlUI* b0 = Find<CControlUI>(L"b0");
  EXPECT_EQ(b0->width(), scroller->width() - bar->width());
  EXPECT_EQ(bar->geometry().right(), scroller->width() - 1);

  struct Case {
    const char* what;
    std::function<void()> act;
    int pos;
  } cases[] = {
      {"wheel down one notch",
       [&] {
         QWheelEvent wheel(QPointF(10, 10), scroller->mapToGlobal(QPointF(10, 10)), QPoint(),
                           QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
         QCoreApplication::sendEvent(scroller, &wheel);
       },
       30},
      {"Page Down", [&] { Key(scroller, Qt::Key_PageDown); }, 130},
      {"Page Down stops at the end", [&] { Key(scroller, Qt::Key_PageDown); }, 150},
      {"Up", [&] { Key(scroller, Qt::Key_Up); }, 120},
      {"Home", [&] { Key(scroller, Qt::Key_Home); }, 0},
      {"End", [&] { Key(scroller, Qt::Key_End); }, 150},
      {"the bar moved by the user", [&] { bar->setValue(70); }, 70},
      {"Tab focus on a control below the view",
       [&] { Find<CControlUI>(L"b4")->setFocus(Qt::TabFocusReason); }, 150},
      {"Tab focus on a control above the view",
       [&] { Find<CControlUI>(L"b0")->setFocus(Qt::BacktabFocusReason); }, 0},
  };
  wnd->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(wnd.get()));
  for (const auto& c : cases) {
    c.act();
    EXPECT_EQ(scroller->GetScrollPos(), c.pos) << c.what;
    EXPECT_EQ(bar->value(), c.pos) << c.what;
    EXPECT_EQ(b0->geometry().top(), -c.pos) << c.what;
  }
  // Content that fits again hides the bar and gives the width back.
  scroller->SetScrollPos(150);
  for (const wchar_t* name : {L"b2", L"b3", L"b4"}) scroller->Remove(Find<CControlUI>(name));
  scroller->Relayout();
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(scroller->GetScrollPos(), 0);
  EXPECT_EQ(b0->width(), scroller->width());
}

TEST_F(KeyboardTest, ComboKeysSelectAndDropDownDrawsItsItems) {
  auto* combo = Find<CComboUI>(L"pick");
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    int selected;
    std::vector<NotifyRecord> expected;
  } cases[] = {
      {Qt::Key_Down, Qt::NoModifier, 0, {{L"itemselect", L"pick", 0, -1}}},
      {Qt::Key_Down, Qt::NoModifier, 2, {{L"itemselect", L"pick", 2, 0}}},  // beta hidden
      {Qt::Key_End, Qt::NoModifier, 3, {{L"itemselect", L"pick", 3, 2}}},
      {Qt::Key_Up, Qt::NoModifier, 2, {{L"itemselect", L"pick", 2, 3}}},
      {Qt::Key_Home, Qt::NoModifier, 0, {{L"itemselect", L"pick", 0, 2}}},
      {Qt::Key_Up, Qt::NoModifier, 0, {}},
  };
  for (const auto& c : cases) {
    recorder.seen.clear();
    Key(combo, c.key, c.mods);
    EXPECT_EQ(combo->GetCurSel(), c.selected) << c.key;
    EXPECT_EQ(recorder.seen, c.expected) << c.key;
  }

  // Opening with the keys, moving in the drop-down, picking with Return.
  for (auto open :
       {std::make_pair(Qt::Key_Space, Qt::NoModifier), std::make_pair(Qt::Key_F4, Qt::NoModifier),
        std::make_pair(Qt::Key_Down, Qt::AltModifier)}) {
    Key(combo, open.first, open.second);
    ASSERT_TRUE(combo->IsDropDownOpen()) << open.first;
    Key(combo->DropDown(), Qt::Key_Escape);
    EXPECT_FALSE(combo->IsDropDownOpen()) << open.first;
  }
  recorder.seen.clear();
  Key(combo, Qt::Key_Space);
  QListWidget* drop = combo->DropDown();
  ASSERT_EQ(drop->count(), 3);  // the hidden item is not offered
  EXPECT_EQ(drop->currentRow(), 0);
  EXPECT_TRUE(drop->verticalScrollBar()->isHidden() || !drop->verticalScrollBar()->isVisible());
  EXPECT_EQ(drop->height(), 3 * 20 + 2);  // as tall as its rows

  // Rows are drawn by their items: the chosen one in the selected colour,
  // the one under the keys in the hot colour, the others in the item colour.
  Key(drop, Qt::Key_Down);
  EXPECT_EQ(drop->currentRow(), 1);
  const QImage look = drop->grab().toImage();
  auto rowColour = [&](int row) {
    return QColor(
        look.pixel(look.width() / 2 + 20, drop->visualItemRect(drop->item(row)).center().y() + 1));
  };
  EXPECT_EQ(rowColour(0), QColor(0x00, 0xC0, 0x00));
  EXPECT_EQ(rowColour(1), QColor(0x00, 0x00, 0xFF));
  EXPECT_EQ(rowColour(2), QColor(0x20, 0x20, 0x20));

  Key(drop, Qt::Key_Return);
  EXPECT_FALSE(combo->IsDropDownOpen());
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"dropdown", L"pick", 0, 0},
                                                      {L"itemselect", L"pick", 2, 0}}));
  // Escape leaves the choice as it was.
  recorder.seen.clear();
  Key(combo, Qt::Key_Space);
  Key(combo->DropDown(), Qt::Key_Down);
  Key(combo->DropDown(), Qt::Key_Escape);
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(Types(), std::vector<std::wstring>{L"dropdown"});
}

TEST_F(KeyboardTest, TabMovesTheFocusButActivationAndHidingDoNotFocusAnEdit) {
  wnd->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(wnd.get()));
  // Activation leaves the focus with the window.
  EXPECT_EQ(QApplication::focusWidget(), wnd.get());
  EXPECT_TRUE(recorder.OfType(L"setfocus").empty());
  // Tab walks the controls in layout order: the close button first.
  Key(wnd.get(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), pm->FindControl(L"closebtn"));
  Key(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), pm->FindControl(L"b0"));
  // Shift+Tab goes back.
  Key(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), pm->FindControl(L"closebtn"));
  // The focused button shows it and Space clicks it.
  auto* ok = Find<CButtonUI>(L"ok");
  ok->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(ok->HasKeyboardFocus());
  recorder.seen.clear();
  Key(ok, Qt::Key_Space);
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"click", L"ok", 0, 0}}));
  // A focused control that is hidden hands the focus back to the window,
  // not on to the edit after it.
  ok->SetVisible(false);
  EXPECT_EQ(QApplication::focusWidget(), wnd.get());
  auto* slider = Find<CControlUI>(L"vlevel");
  slider->setFocus(Qt::TabFocusReason);
  slider->SetEnabled(false);
  EXPECT_EQ(QApplication::focusWidget(), wnd.get());
  EXPECT_TRUE(recorder.OfType(L"setfocus").empty());
}

TEST_F(KeyboardTest, ReturnPressesTheDefaultButtonAndEscapeClosesDialogsOnly) {
  wnd->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(wnd.get()));
  // Return that no control takes: the default button.
  Key(wnd.get(), Qt::Key_Return);
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"click", L"ok", 0, 0}}));
  // Return in an edit: the edit's "return", then the default button.
  recorder.seen.clear();
  auto* entry = Find<CEditUI>(L"entry");
  entry->SetFocusNow();
  Key(entry->LineEdit(), Qt::Key_Return);
  EXPECT_EQ(Types(), (std::vector<std::wstring>{L"setfocus", L"return", L"click"}));
  // Return on a focused button clicks that button only.
  recorder.seen.clear();
  Key(pm->FindControl(L"b1"), Qt::Key_Return);
  EXPECT_EQ(recorder.seen, (std::vector<NotifyRecord>{{L"click", L"b1", 0, 0}}));
  // Escape does not close a window that is no dialog.
  Key(wnd.get(), Qt::Key_Escape);
  EXPECT_FALSE(wnd->IsClosed());

  // In a dialog (owned or modal) Escape is the close button.
  for (bool withCloseButton : {true, false}) {
    KeysWnd dialog;
    dialog.Create(wnd.get(), L"dialog");
    if (!withCloseButton) dialog.GetPaintManager().FindControl(L"closebtn")->SetVisible(false);
    NotifyRecorder heard;
    dialog.GetPaintManager().AddNotifier(&heard);
    QTimer::singleShot(0, &dialog, [&] { Key(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.ShowModal(), 0);
    EXPECT_EQ(heard.OfType(L"click").size(), withCloseButton ? 1u : 0u);
    dialog.GetPaintManager().RemoveNotifier(&heard);
  }
}

}  // namespace
