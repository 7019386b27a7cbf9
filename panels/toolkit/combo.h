#pragma once
// CComboUI: a drop-down list. Its items are list items (usually
// CListLabelElementUI) kept inside the combo and shown in the drop-down; the
// combo itself shows the text of the selected item. Selecting raises
// "itemselect" (wParam = new index, lParam = previous), opening the list
// raises "dropdown".
// The drop-down draws every row with the item control itself (the combo's
// "item..." colours, images and font, rows built of controls), the row under
// the mouse or the keys as hot; it shows a scroll bar when the rows do not
// fit and opens above the combo when there is no room below.
// Keyboard: the combo is in the Tab chain; Up, Down, Page Up, Page Down,
// Home and End select the previous, next, first or last shown item
// ("itemselect", as a pick with the mouse); Space, F4 or Alt+Down open the
// drop-down, where the arrows move, Return or Space picks and Escape closes.

#include "panels/toolkit/list.h"

class QListWidget;

class CComboUI : public CContainerUI, public IListOwnerUI {
 public:
  explicit CComboUI(QWidget* parent = nullptr);
  ~CComboUI() override;
  std::wstring GetClass() const override { return L"Combo"; }

  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  bool RemoveAt(int index, bool doNotDestroy = false) override;
  void RemoveAll() override;

  // The text of the selected item (translated when it is a resource text).
  std::wstring GetText() const override;
  TListInfoUI* GetListInfo() override { return &info_; }
  int GetCurSel() const override { return curSel_; }
  bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true) override;
  // Same as SelectItem (index, take focus, notify).
  bool SelectItem1(int index, bool takeFocus, bool triggerEvent) {
    return SelectItem(index, takeFocus, triggerEvent);
  }
  bool Activate() override;  // opens the drop-down
  void ShowDropDown();
  void CloseDropDown();
  bool IsDropDownOpen() const;
  QListWidget* DropDown() const { return dropDown_; }
  // The drop-down's row of item (its fixed height, else one line of the item font).
  int DropDownRowHeight(CControlUI* item) const;
  // Draws item as a drop-down row into r (hot: under the mouse or the keys).
  void PaintDropDownRow(QPainter& painter, const QRect& r, CControlUI* item, bool hot);

  std::wstring GetNormalImage() const { return normalImage_; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  int DoLayout(const QRect& inner) override;
  void PaintStatusImage(QPainter& painter) override;
  void PaintText(QPainter& painter) override;
  void Reindex();
  // The nearest shown item from index (exclusive) in direction step; -1 when none.
  int NextShown(int index, int step) const;
  void PickFromDropDown();

  TListInfoUI info_;
  int curSel_ = -1;
  bool hot_ = false;
  bool pushed_ = false;
  QSize dropBox_{0, 150};
  QMargins textPadding_;
  std::wstring normalImage_, hotImage_, pushedImage_, disabledImage_;
  QListWidget* dropDown_ = nullptr;
};
