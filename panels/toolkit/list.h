#pragma once
// Lists: CListUI (a scrolling column of list items with one current item, or
// several with multi-select), the items CListElementUI (base),
// CListLabelElementUI (one text), CListTextElementUI (text per column) and
// CListContainerElementUI (a row holding controls).
// Notifications: "itemselect" from the list (wParam = new index, lParam = the
// previous one), "itemclick" from an item on button release, "itemactivate"
// from an item on double click, Return or SelectItemActivate.
// Keyboard: the list takes the focus (Tab, or a click on an item); Up, Down,
// Page Up, Page Down, Home and End select like a click ("itemselect"),
// Return goes to the current item (activation). The current item shows a
// focus frame while the focus came from the keyboard.

#include "panels/toolkit/container.h"

// How the owner draws its items ("item..." attributes of a list or combo).
struct TListInfoUI {
  int font = -1;
  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
  QMargins textPadding;
  std::uint32_t textColor = 0;
  std::uint32_t bkColor = 0;
  std::wstring bkImage;
  std::uint32_t selectedTextColor = 0;
  std::uint32_t selectedBkColor = 0;
  std::wstring selectedImage;
  std::uint32_t hotTextColor = 0;
  std::uint32_t hotBkColor = 0;
  std::wstring hotImage;
  std::uint32_t disabledTextColor = 0;
  std::uint32_t lineColor = 0;
  // Sets one "item..." attribute; false when the name is not one of them.
  bool SetAttribute(const std::wstring& name, const std::wstring& value);
};

class CListElementUI;

// What an item asks of its list or combo.
class IListOwnerUI {
 public:
  virtual ~IListOwnerUI() = default;
  virtual TListInfoUI* GetListInfo() = 0;
  virtual int GetCurSel() const = 0;
  virtual bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true) = 0;
  virtual bool SelectMultiItem(int index, bool triggerEvent = true) {
    return SelectItem(index, false, triggerEvent);
  }
  virtual bool UnSelectItem(int index, bool others = false) {
    (void)index;
    (void)others;
    return false;
  }
  virtual bool IsMultiSelect() const { return false; }
};

// The list-item face shared by text items and container rows.
class IListItemUI {
 public:
  virtual ~IListItemUI() = default;
  int GetIndex() const { return index_; }
  void SetIndex(int index) { index_ = index; }
  IListOwnerUI* GetOwner() const { return owner_; }
  void SetOwner(IListOwnerUI* owner) { owner_ = owner; }
  bool IsSelected() const { return selected_; }
  // Changes the selection through the owner (select = true selects this item).
  virtual bool Select(bool select = true, bool triggerEvent = true);
  virtual bool SelectMulti(bool select = true);
  bool IsHot() const { return hot_; }
  // Set the flags only (the owner calls them).
  void SetSelectedFlag(bool on) { selected_ = on; }
  void SetHotFlag(bool on) { hot_ = on; }

 protected:
  int index_ = -1;
  IListOwnerUI* owner_ = nullptr;
  bool selected_ = false;
  bool hot_ = false;
};

class CListElementUI : public CControlUI, public IListItemUI {
 public:
  explicit CListElementUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"ListElement"; }
  bool Activate() override;  // "itemactivate"
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void DoPaint(QPainter& painter) override;
  void PaintBkColor(QPainter& painter) override;
  void PaintStatusImage(QPainter& painter) override;
};

class CListLabelElementUI : public CListElementUI {
 public:
  using CListElementUI::CListElementUI;
  std::wstring GetClass() const override { return L"ListLabelElement"; }

 protected:
  void PaintText(QPainter& painter) override;
  void DrawItemText(QPainter& painter, const QRect& rect, const std::wstring& text);
};

class CListTextElementUI : public CListLabelElementUI {
 public:
  using CListLabelElementUI::CListLabelElementUI;
  std::wstring GetClass() const override { return L"ListTextElement"; }
  // Column texts; column 0 is also the item's text.
  std::wstring GetText(int column) const;
  void SetText(int column, const std::wstring& text);
  using CListLabelElementUI::GetText;
  using CListLabelElementUI::SetText;

 protected:
  void PaintText(QPainter& painter) override;
  std::vector<std::wstring> columns_;
};

class CListContainerElementUI : public CHorizontalLayoutUI, public IListItemUI {
 public:
  explicit CListContainerElementUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"ListContainerElement"; }
  bool Activate() override;  // "itemactivate"
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void DoPaint(QPainter& painter) override;
  void PaintBkColor(QPainter& painter) override;
  void PaintStatusImage(QPainter& painter) override;
};

class CListUI : public CVerticalLayoutUI, public IListOwnerUI {
 public:
  explicit CListUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"List"; }

  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  bool RemoveAt(int index, bool doNotDestroy = false) override;
  void RemoveAll() override;

  TListInfoUI* GetListInfo() override { return &info_; }
  int GetCurSel() const override { return curSel_; }
  // Selects one item (index -1 clears the selection); "itemselect" unless
  // triggerEvent is false. Returns false for an index that is not an item.
  bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true) override;
  // Selects the item and activates it ("itemactivate").
  bool SelectItemActivate(int index);
  bool SelectMultiItem(int index, bool triggerEvent = true) override;
  bool UnSelectItem(int index, bool others = false) override;
  void SetMultiSelect(bool on);
  bool IsMultiSelect() const override { return multiSelect_; }
  std::vector<int> GetSelectedItems() const;
  // Scrolls so that the item is fully inside the list.
  void EnsureVisible(int index);

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void Reindex();
  IListItemUI* ItemFace(int index) const;
  // The nearest item from index (exclusive) in direction step that can be
  // selected (visible, enabled); -1 when there is none.
  int NextSelectable(int index, int step) const;
  bool forwardingKey_ = false;

  TListInfoUI info_;
  int curSel_ = -1;
  bool multiSelect_ = false;
};
