#pragma once
// CControlUI: the base of every toolkit control. A control is a QWidget that
// carries the layout attributes of the skin (name, text, user data, tag,
// fixed size, padding, float position, colours, images), paints itself from
// them and raises named notifications through its paint manager.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "panels/toolkit/timer_set.h"
#include "panels/toolkit/ui_types.h"

class CPaintManagerUI;
class QTimer;
struct TNotifyUI;

class CControlUI : public QWidget {
  Q_OBJECT

 public:
  explicit CControlUI(QWidget* parent = nullptr);
  ~CControlUI() override;
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // The class name the skin and the program know the control by.
  virtual std::wstring GetClass() const { return L"Control"; }

  std::wstring GetName() const { return name_; }
  void SetName(const std::wstring& name);

  // Text. With the resource-text flag on, the text is a language id and
  // GetText() answers its translation (the id itself when the table has none).
  virtual std::wstring GetText() const;
  virtual void SetText(const std::wstring& text);
  std::wstring GetRawText() const { return text_; }
  bool IsResourceText() const { return resourceText_; }
  void SetResourceText(bool on);
  std::wstring GetToolTip() const { return toolTip_; }
  void SetToolTip(const std::wstring& text);

  // Own visibility and enabled flags (a hidden parent does not change them).
  virtual bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible = true);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled = true);
  bool IsMouseEnabled() const { return mouseEnabled_; }
  // Without the mouse a control also leaves the keyboard focus chain.
  void SetMouseEnabled(bool enabled = true);
  // Lets the control take the keyboard focus as its class does (Tab and
  // click), or keeps it out of the focus chain.
  void AllowFocus(bool allowed);
  // True while the control has the focus and it came from the keyboard
  // (Tab, Shift+Tab) or a key was used since: then a focus frame shows.
  bool HasKeyboardFocus() const { return keyboardFocus_ && hasFocus(); }
  // The focus frame inside r, for items that show their list's focus.
  void DrawFocusFrame(QPainter& painter, const QRect& r) const;
  bool IsContextMenuUsed() const { return contextMenuUsed_; }
  void SetContextMenuUsed(bool used) { contextMenuUsed_ = used; }

  std::wstring GetUserData() const { return userData_; }
  void SetUserData(const std::wstring& data) { userData_ = data; }
  std::uintptr_t GetTag() const { return tag_; }
  void SetTag(std::uintptr_t tag) { tag_ = tag; }

  // Sizes in skin units (before scaling); 0 = take what the layout gives.
  int GetFixedWidth() const { return fixedSize_.width(); }
  int GetFixedHeight() const { return fixedSize_.height(); }
  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  QSize GetMinSize() const { return minSize_; }
  QSize GetMaxSize() const { return maxSize_; }
  void SetMinWidth(int cx);
  void SetMinHeight(int cy);
  void SetMaxWidth(int cx);
  void SetMaxHeight(int cy);
  QMargins GetPadding() const { return padding_; }
  void SetPadding(const QMargins& padding);
  // Float controls are placed by their own position inside the parent.
  bool IsFloat() const { return float_; }
  void SetFloat(bool on);
  QRect GetFloatPos() const { return floatPos_; }
  // The control's rectangle in its parent's coordinates (as laid out).
  QRect GetPos() const { return geometry(); }
  // Float: the position in skin units inside the parent; else the fixed size.
  void SetPos(const QRect& pos);

  std::uint32_t GetBkColor() const { return bkColor_; }
  void SetBkColor(std::uint32_t argb);
  std::uint32_t GetBorderColor() const { return borderColor_; }
  void SetBorderColor(std::uint32_t argb);
  int GetBorderSize() const { return borderSize_; }
  void SetBorderSize(int size);
  std::wstring GetBkImage() const { return bkImage_; }
  void SetBkImage(const std::wstring& image);
  int GetFont() const { return font_; }
  void SetFont(int id);
  std::uint32_t GetTextColor() const { return textColor_; }
  void SetTextColor(std::uint32_t argb);

  // Any attribute of the skin by name. Known names change the control;
  // every name and value is also kept, so GetAttribute answers it.
  virtual void SetAttribute(const std::wstring& name, const std::wstring& value);
  std::wstring GetAttribute(const std::wstring& name) const;
  bool HasAttribute(const std::wstring& name) const;
  // name="value" pairs, as in a style or the default list of a class.
  void ApplyAttributeList(const std::wstring& list);

  CPaintManagerUI* GetManager() const { return manager_; }
  // Gives the control (and its children) to a paint manager; init runs DoInit once.
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
  CControlUI* GetParent() const;
  // Called once when the control first gets a manager inside a tree.
  virtual void DoInit() {}

  // The control's activation (a click for buttons). False when disabled or hidden.
  virtual bool Activate();
  // Raises a notification from this control (the manager's SendNotify).
  void RaiseNotify(const std::wstring& type, WPARAM wParam = 0, LPARAM lParam = 0,
                   bool async = false);
  // Handlers that see every notification of this control before the manager's notifiers.
  void AddNotifyHandler(std::function<void(TNotifyUI&)> handler);
  void CallNotifyHandlers(TNotifyUI& msg);

  // Per-control timers: each expiry calls DoTimer(id); the base raises "timer"
  // with the id in wParam. Setting a running id restarts it.
  bool SetTimer(UINT id, UINT elapse);
  bool KillTimer(UINT id);
  void KillTimer();
  bool HasTimer(UINT id) const;
  virtual void DoTimer(UINT id);

  void Invalidate() { update(); }
  // Asks the parent to lay its children out again.
  void NeedParentUpdate();
  virtual void NeedUpdate();

  // Scaling through the manager (96 = 100 %).
  int Scale(int v) const;
  int GetScale() const;

  // The size the layout should give the control; 0 in a dimension = stretch.
  virtual QSize EstimateSize(const QSize& available) const;

  // Draws an image string over the control (modify: extra pairs such as dest='..').
  bool DrawImage(QPainter& painter, const std::wstring& image, const std::wstring& modify = L"");

  // QWidget's own visibility is the control's flag combined with what the
  // owner wants (combo items are never shown in place).
  void SetInternVisible(bool visible);
  void ApplyQtVisibility();

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Tool tips are language ids, translated when shown.
  bool event(QEvent* event) override;
  // With the context menu in use ("menu" attribute) a context request raises
  // "menu": wParam = keyboard modifiers, lParam = x | y << 16 (control coordinates).
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Focus from Tab scrolls the control into view inside scrolling containers.
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // Keys mark the focus as keyboard focus (the focus frame shows).
  void keyPressEvent(QKeyEvent* event) override;
  virtual void DoPaint(QPainter& painter);
  virtual void PaintBkColor(QPainter& painter);
  virtual void PaintBkImage(QPainter& painter);
  virtual void PaintStatusImage(QPainter& painter) { (void)painter; }
  virtual void PaintText(QPainter& painter) { (void)painter; }
  virtual void PaintBorder(QPainter& painter);
  // A thin frame inside r that shows keyboard focus (only while HasKeyboardFocus).
  void PaintFocusFrame(QPainter& painter, const QRect& r) const;

  void SetKeyboardFocus(bool on);
  QFont ResolveFont() const;

  std::wstring name_;
  std::wstring text_;
  bool resourceText_ = true;
  std::wstring toolTip_;
  bool visible_ = true;
  bool internVisible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  bool focusAllowed_ = true;
  Qt::FocusPolicy wantedFocus_ = Qt::NoFocus;  // the class's policy while focus is not allowed
  bool keyboardFocus_ = false;
  bool contextMenuUsed_ = false;
  std::wstring userData_;
  std::uintptr_t tag_ = 0;
  QSize fixedSize_;
  QSize minSize_;
  QSize maxSize_{9999, 9999};
  QMargins padding_;
  bool float_ = false;
  QRect floatPos_;
  std::uint32_t bkColor_ = 0;
  std::uint32_t borderColor_ = 0;
  int borderSize_ = 0;
  std::wstring bkImage_;
  int font_ = -1;
  std::uint32_t textColor_ = 0;
  CPaintManagerUI* manager_ = nullptr;
  bool inited_ = false;
  std::map<std::wstring, std::wstring> attributes_;
  CTimerSet timers_{this, [this](UINT id) { DoTimer(id); }};
  std::vector<std::function<void(TNotifyUI&)>> notifyHandlers_;

  friend class CPaintManagerUI;
};
