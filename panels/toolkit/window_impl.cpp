#include "panels/toolkit/window_impl.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "panels/toolkit/control.h"
#include "platform/debug_output.h"

CWindowWnd::CWindowWnd() : QWidget(nullptr) {}

CWindowWnd::~CWindowWnd() {
  if (modalLoop_) modalLoop_->quit();
}

bool CWindowWnd::SetTimer(UINT id, UINT elapse) { return timers_.Set(id, elapse); }

bool CWindowWnd::KillTimer(UINT id) { return timers_.Kill(id); }

bool CWindowWnd::Create(QWidget* parent, const std::wstring& name, UINT style, UINT exStyle, int x,
                        int y, int cx, int cy) {
  (void)style;
  if (created_) return false;
  Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
  if (exStyle & UI_WNDSTYLE_EX_TOOLWINDOW) flags |= Qt::Tool;
  if (exStyle & UI_WNDSTYLE_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  if (parent) setParent(parent);
  setWindowFlags(flags);
  setWindowTitle(ToQ(name));
  setObjectName(ToQ(GetWindowClassName()));
  setMouseTracking(true);
  if (cx > 0 && cy > 0)
    setGeometry(x, y, cx, cy);
  else
    move(x, y);
  created_ = true;
  OnCreate();
  return true;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!show) {
    hide();
    return;
  }
  setAttribute(Qt::WA_ShowWithoutActivating, !takeFocus);
  QWidget::show();
  if (takeFocus) activateWindow();
}

int CWindowWnd::ShowModal() {
  int result = 0;
  if (closed_) return result;
  QPointer<CWindowWnd> self(this);
  QEventLoop loop;
  modalLoop_ = &loop;
  modalResult_ = &result;
  // The run blocks the owner window only; a window without an owner leaves
  // every other window usable.
  setWindowModality(parentWidget() ? Qt::WindowModal : Qt::NonModal);
  QWidget::show();
  loop.exec();
  if (!self) return result;
  modalLoop_ = nullptr;
  modalResult_ = nullptr;
  FinishClose();  // may delete this
  return result;
}

void CWindowWnd::Close(int result) {
  if (closed_) return;
  HandleMessage(WM_CLOSE, static_cast<WPARAM>(result), 0);
}

void CWindowWnd::DoClose(int result) {
  if (closed_) return;
  closed_ = true;
  if (modalResult_) *modalResult_ = result;
  hide();
  HandleMessage(WM_DESTROY, 0, 0);
  if (modalLoop_) {
    modalLoop_->quit();  // ShowModal finishes the close
    return;
  }
  QMetaObject::invokeMethod(
      this, [this] { FinishClose(); }, Qt::QueuedConnection);
}

void CWindowWnd::FinishClose() {
  if (finalized_) return;
  finalized_ = true;
  OnFinalMessage();
}

void CWindowWnd::CenterWindow() {
  QRect area;
  QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) area = screen->availableGeometry();
  }
  if (area.isEmpty()) return;
  QRect r = frameGeometry();
  r.moveCenter(area.center());
  move(r.topLeft());
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (QThread::currentThread() == thread()) return HandleMessage(msg, wParam, lParam);
  LRESULT result = 0;
  QMetaObject::invokeMethod(
      this, [&] { result = HandleMessage(msg, wParam, lParam); }, Qt::BlockingQueuedConnection);
  return result;
}

void CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  QMetaObject::invokeMethod(
      this, [this, msg, wParam, lParam] { HandleMessage(msg, wParam, lParam); },
      Qt::QueuedConnection);
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  if (msg == WM_CLOSE) DoClose(static_cast<int>(wParam));
  return 0;
}

void CWindowWnd::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  // A close from the system (window manager, Alt+F4) is the close command.
  event->ignore();
  HandleMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CWindowWnd::showEvent(QShowEvent* event) {
  if (!focusWidget()) setFocus(Qt::OtherFocusReason);
  QWidget::showEvent(event);
}

bool CWindowWnd::focusNextPrevChild(bool next) {
  QWidget* focus = QApplication::focusWidget();
  if (focus && focus != this && isAncestorOf(focus) &&
      (!focus->isVisibleTo(this) || !focus->isEnabled())) {
    setFocus(Qt::OtherFocusReason);
    return true;
  }
  return QWidget::focusNextPrevChild(next);
}

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() { m_pm.RemoveNotifier(this); }

void WindowImplBase::OnCreate() {
  m_pm.Init(this, GetWindowClassName());
  std::wstring skin = GetSkinFile();
  const std::wstring folder = GetSkinFolder();
  if (!folder.empty()) skin = folder + L"/" + skin;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(skin, L"", this, &m_pm);
  if (!root) {
    DebugOutputF("window %s: layout %s gave no controls",
                 QString::fromStdWString(GetWindowClassName()).toUtf8().constData(),
                 QString::fromStdWString(skin).toUtf8().constData());
    root = new CControlUI();
  }
  root->setParent(this);
  root->ApplyQtVisibility();
  m_pm.AttachDialog(root);
  m_pm.AddNotifier(this);
  const QSize initial = m_pm.GetInitSize();
  if (width() <= 1 || height() <= 1 || !testAttribute(Qt::WA_Resized)) {
    if (!initial.isEmpty())
      resize(m_pm.ScaleValue(initial.width()), m_pm.ScaleValue(initial.height()));
  }
  if (!m_pm.GetMinInfo().isEmpty())
    setMinimumSize(m_pm.ScaleValue(m_pm.GetMinInfo().width()),
                   m_pm.ScaleValue(m_pm.GetMinInfo().height()));
  root->setGeometry(rect());
  InitWindow();
  m_pm.SendNotify(root, L"windowinit", 0, 0, true);
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  NotifyPump(msg);
  if (msg.sType == L"click") OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
  if (name == L"closebtn") {
    Close(0);
  } else if (name == L"minbtn") {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

CControlUI* WindowImplBase::CreateControl(const std::wstring& className) {
  (void)className;
  return nullptr;
}

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = 0;
  switch (msg) {
    case WM_SYSCOMMAND:
      result = OnSysCommand(msg, wParam, lParam, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(msg, wParam, lParam, handled);
      break;
    default:
      break;
  }
  if (handled) return result;
  result = HandleCustomMessage(msg, wParam, lParam, handled);
  if (handled) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  (void)msg;
  (void)wParam;
  (void)lParam;
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  (void)msg;
  (void)lParam;
  handled = true;
  switch (wParam & 0xFFF0) {
    case SC_CLOSE:
      Close(0);
      break;
    case SC_MINIMIZE:
      showMinimized();
      break;
    case SC_MAXIMIZE:
      showMaximized();
      break;
    case SC_RESTORE:
      showNormal();
      break;
    default:
      handled = false;
  }
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  (void)msg;
  (void)wParam;
  (void)lParam;
  handled = false;
  return 0;
}

void WindowImplBase::resizeEvent(QResizeEvent* event) {
  CWindowWnd::resizeEvent(event);
  if (CControlUI* root = m_pm.GetRoot()) {
    root->setGeometry(rect());
    m_pm.SendNotify(root, L"windowsize", 0, 0, false);
  }
}

bool WindowImplBase::InCaption(const QPoint& point) const {
  const QMargins c = m_pm.GetCaptionRect();
  if (c.bottom() <= 0) return false;
  const QRect band(
      QPoint(m_pm.ScaleValue(c.left()), m_pm.ScaleValue(c.top())),
      QPoint(width() - 1 - m_pm.ScaleValue(c.right()), m_pm.ScaleValue(c.bottom()) - 1));
  return band.contains(point);
}

void WindowImplBase::mousePressEvent(QMouseEvent* event) {
  // Presses that no control took; inside the caption they move the window.
  if (event->button() == Qt::LeftButton && InCaption(event->position().toPoint())) {
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    return;
  }
  CWindowWnd::mousePressEvent(event);
}

void WindowImplBase::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    move(event->globalPosition().toPoint() - dragOffset_);
    return;
  }
  CWindowWnd::mouseMoveEvent(event);
}

void WindowImplBase::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  CWindowWnd::mouseReleaseEvent(event);
}

void WindowImplBase::mouseDoubleClickEvent(QMouseEvent* event) {
  CWindowWnd::mouseDoubleClickEvent(event);
}

void WindowImplBase::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    CControlUI* maxBtn = m_pm.FindControl(L"maxbtn");
    CControlUI* restoreBtn = m_pm.FindControl(L"restorebtn");
    const bool maximized = isMaximized();
    if (maxBtn) maxBtn->SetVisible(!maximized);
    if (restoreBtn) restoreBtn->SetVisible(maximized);
  }
  CWindowWnd::changeEvent(event);
}

CControlUI* WindowImplBase::FindDefaultButton() const {
  CControlUI* root = m_pm.GetRoot();
  if (!root) return nullptr;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    auto* c = dynamic_cast<CControlUI*>(w);
    if (c && c->HasAttribute(L"default") && ParseBool(c->GetAttribute(L"default")) &&
        c->isVisibleTo(const_cast<WindowImplBase*>(this)) && c->IsEnabled())
      return c;
  }
  return nullptr;
}

void WindowImplBase::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
  if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
    if (CControlUI* button = FindDefaultButton()) {
      button->Activate();
      return;
    }
  } else if (plain && key == Qt::Key_Escape && IsDialog()) {
    CControlUI* close = m_pm.FindControl(L"closebtn");
    if (close && close->isVisibleTo(this) && close->IsEnabled()) {
      close->Activate();
    } else {
      HandleMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    return;
  }
  CWindowWnd::keyPressEvent(event);
}

bool WaitWithMessages(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() >= timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}
