#pragma once
// Windows of the program. CWindowWnd is a top-level window that receives
// window messages (HandleMessage), can run modally and be closed with a
// result. WindowImplBase adds the skin: it builds its layout with
// CDialogBuilder (the window itself is the builder callback), is a notifier
// of its paint manager, dispatches notifications through its CNotifyPump
// table and OnClick, handles the standard caption buttons ("closebtn",
// "minbtn", "maxbtn", "restorebtn"), drags the window by its caption area and
// receives the commands of its menus.

#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <string>

#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/notify_pump.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/timer_set.h"

class CControlUI;
class QTimer;

// Window styles the program passes; anything else is ignored.
constexpr UINT UI_WNDSTYLE_FRAME = 0x00CF0000;
constexpr UINT UI_WNDSTYLE_DIALOG = 0x16C80000;
constexpr UINT UI_WNDSTYLE_EX_TOOLWINDOW = 0x00000080;  // no task-bar entry
constexpr UINT UI_WNDSTYLE_EX_TOPMOST = 0x00000008;

// What a menu item click hands to the window.
struct MenuCmd {
  std::wstring szName;
  std::wstring szUserData;
  std::wstring szText;
  bool bChecked = false;
};

class CWindowWnd : public QWidget {
 public:
  CWindowWnd();
  ~CWindowWnd() override;

  virtual std::wstring GetWindowClassName() const = 0;

  // Creates the window (hidden unless shown): parent window or none, title,
  // styles, position and size (size 0 = the skin's size).
  bool Create(QWidget* parent, const std::wstring& name, UINT style = 0, UINT exStyle = 0,
              int x = 0, int y = 0, int cx = 0, int cy = 0);
  bool IsCreated() const { return created_; }
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Shows the window modally and returns the result given to Close.
  int ShowModal();
  // Asks the window to close with a result: WM_CLOSE (wParam = result) goes
  // through HandleMessage; a handler that marks it handled refuses the close.
  // Otherwise the window hides, a modal run ends, WM_DESTROY is sent, then
  // OnFinalMessage (which may delete the object).
  void Close(int result = 1);
  bool IsClosed() const { return closed_; }
  void CenterWindow();
  // Window messages: SendMessage runs HandleMessage at once on the UI thread
  // (from another thread it waits until the UI thread has run it);
  // PostMessage queues it.
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  void PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Window timers: each expiry is WM_TIMER with wParam = id through
  // HandleMessage. Setting a running id restarts it.
  bool SetTimer(UINT id, UINT elapse);
  bool KillTimer(UINT id);
  bool HasTimer(UINT id) const { return timers_.Has(id); }

 protected:
  // Called once the window is closed; the default does nothing.
  virtual void OnFinalMessage() {}
  // Called from Create after the window exists.
  virtual void OnCreate() {}
  void closeEvent(QCloseEvent* event) override;
  // A window shown without a focused control keeps the focus itself, so
  // that activation does not hand it to the first control of the Tab chain
  // (an edit would report "setfocus").
  void showEvent(QShowEvent* event) override;
  // Focus leaving a control that is hidden or disabled returns to the
  // window instead of moving on to the next control; Tab moves on as usual.
  bool focusNextPrevChild(bool next) override;
  // A dialog: a window with an owner or running modally.
  bool IsDialog() const { return parentWidget() != nullptr || modalLoop_ != nullptr; }
  void DoClose(int result);
  void FinishClose();

  bool created_ = false;
  bool closed_ = false;
  bool finalized_ = false;
  QEventLoop* modalLoop_ = nullptr;
  int* modalResult_ = nullptr;
  CTimerSet timers_{this, [this](UINT id) { HandleMessage(WM_TIMER, id, 0); }};
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  // The layout: a file of the skin folder or a named resource of res.xml.
  virtual std::wstring GetSkinFile() = 0;
  virtual std::wstring GetSkinFolder() { return L""; }
  // Runs after the layout is built and attached (before "windowinit").
  virtual void InitWindow() {}
  // Every notification of the window's controls: the CNotifyPump table, then
  // OnClick for "click".
  void Notify(TNotifyUI& msg) override;
  virtual void OnClick(TNotifyUI& msg);
  // Builder callback; nullptr lets the toolkit create the element.
  CControlUI* CreateControl(const std::wstring& className) override;
  // Menu item clicks of the menus this window opened.
  virtual void OnMenuCommand(const MenuCmd& cmd) { (void)cmd; }

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Private and other window messages; set handled to stop the default handling.
  virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  // System commands (SC_CLOSE, SC_MINIMIZE ...); the default carries them out.
  virtual LRESULT OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);

  CPaintManagerUI& GetPaintManager() { return m_pm; }
  // The visible, enabled control marked default="true" (Return's button), if any.
  CControlUI* FindDefaultButton() const;
  CControlUI* GetRoot() const { return m_pm.GetRoot(); }

 protected:
  void OnCreate() override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Keys no control took: Return activates the default button (default="true");
  // in a dialog Escape activates "closebtn", or is the system close without one.
  void keyPressEvent(QKeyEvent* event) override;
  bool InCaption(const QPoint& point) const;
  CPaintManagerUI m_pm;
  bool dragging_ = false;
  QPoint dragOffset_;
};

// Waits until done() answers true or timeoutMs have passed, handling the UI
// thread's events meanwhile (so a worker blocked in SendMessage to a window
// can finish). False on time-out.
bool WaitWithMessages(const std::function<bool()>& done, int timeoutMs);
