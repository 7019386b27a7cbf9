#pragma once
// Containers and layouts: CContainerUI (every child gets the inner rectangle),
// CVerticalLayoutUI and CHorizontalLayoutUI (children in a column or a row;
// fixed sizes are kept and the rest is shared), CTabLayoutUI (one page shown).
// Float children are placed by their "pos" inside the container.
// A container with "vscrollbar" scrolls its content vertically: a scroll bar
// shows at the right edge whenever the content is taller than the inner
// rectangle (the content is laid out narrower by its width); the wheel, the
// bar, Up/Down, Page Up/Page Down, Home/End (when no child takes them) and
// Tab focus moving to a child out of view scroll it.

#include <vector>

#include "panels/toolkit/control.h"

class QScrollBar;

class CContainerUI : public CControlUI {
 public:
  explicit CContainerUI(QWidget* parent = nullptr);
  ~CContainerUI() override;
  std::wstring GetClass() const override { return L"Container"; }

  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(CControlUI* control) const;
  bool SetItemIndex(CControlUI* control, int index);
  int GetCount() const { return static_cast<int>(items_.size()); }
  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  // Removes and destroys the control (doNotDestroy: the caller takes it back).
  virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
  virtual bool RemoveAt(int index, bool doNotDestroy = false);
  virtual void RemoveAll();
  const std::vector<CControlUI*>& Items() const { return items_; }

  QMargins GetInset() const { return inset_; }
  void SetInset(const QMargins& inset);
  int GetChildPadding() const { return childPadding_; }
  void SetChildPadding(int padding);
  // Mouse input for the children (the container's own stays as it is).
  // Placement of children narrower or lower than their cell: "childalign"
  // ("left", "center", "right") and "childvalign" ("top", "vcenter", "bottom").
  Qt::Alignment GetChildAlign() const { return childAlign_; }
  void SetChildAlign(Qt::Alignment align);
  bool IsMouseChildEnabled() const { return mouseChildEnabled_; }
  void SetMouseChildEnabled(bool enabled);

  // Vertical scrolling of the content ("vscrollbar" attribute).
  bool IsVScrollEnabled() const { return vscroll_; }
  void EnableScrollBar(bool vertical = true);
  int GetScrollPos() const { return scrollPos_; }
  int GetScrollRange() const { return scrollRange_; }
  void SetScrollPos(int pos);
  void LineUp();
  void LineDown();
  void PageUp();
  void PageDown();
  // The vertical scroll bar (created with "vscrollbar"; shown while needed).
  QScrollBar* GetVerticalScrollBar() const { return vbar_; }
  // Scrolls so that the widget (a descendant) is inside the visible part.
  void ScrollToShow(QWidget* widget);
  // Scrolls every scrolling container around the widget so that it shows.
  static void ScrollIntoView(QWidget* widget);
  // The style sheet of the toolkit's vertical scroll bars (width in pixels).
  static QString ScrollBarStyle(int width, int minHandle);

  CControlUI* FindSubControl(const std::wstring& name) const;

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void SetEnabled(bool enabled = true) override;

  // Lays the children out now (otherwise it happens from the event loop).
  void Relayout();
  void NeedUpdate() override;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void childEvent(QChildEvent* event) override;
  // Places the children in the inner rectangle; returns the content height.
  virtual int DoLayout(const QRect& inner);
  QRect InnerRect() const;
  // The inner rectangle less the scroll bar while it shows.
  QRect ViewRect() const;
  int ScrollBarWidth() const;
  void UpdateScrollBar(const QRect& inner);
  // Masks the children to the view rectangle (scrolling containers).
  void ClipToView();
  void PlaceFloat(CControlUI* child, const QRect& inner);
  // Where a non-float child goes inside rect, honouring its padding and sizes.
  QRect PlaceInCell(CControlUI* child, const QRect& cell) const;
  // Moves r (its size kept) inside cell by the child alignment.
  QRect AlignInCell(const QRect& r, const QRect& cell) const;
  virtual void OnItemAdded(CControlUI* control) { (void)control; }

  std::vector<CControlUI*> items_;
  QMargins inset_;
  int childPadding_ = 0;
  Qt::Alignment childAlign_ = Qt::AlignLeft | Qt::AlignTop;
  bool mouseChildEnabled_ = true;
  bool vscroll_ = false;
  int scrollPos_ = 0;
  int scrollRange_ = 0;
  bool laying_ = false;
  QScrollBar* vbar_ = nullptr;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  using CContainerUI::CContainerUI;
  std::wstring GetClass() const override { return L"VerticalLayout"; }

 protected:
  int DoLayout(const QRect& inner) override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  using CContainerUI::CContainerUI;
  std::wstring GetClass() const override { return L"HorizontalLayout"; }

 protected:
  int DoLayout(const QRect& inner) override;
};

class CTabLayoutUI : public CContainerUI {
 public:
  using CContainerUI::CContainerUI;
  std::wstring GetClass() const override { return L"TabLayout"; }

  int GetCurSel() const { return curSel_; }
  // Shows page index (hides the others); false when there is no such page.
  virtual bool SelectItem(int index);
  bool SelectItem(CControlUI* control);
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  void RemoveAll() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void ApplySelection();
  int curSel_ = -1;
};
