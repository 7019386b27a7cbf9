#include "panels/controls/wnd_host.h"

#include <QEvent>

CWndUI::CWndUI(QWidget* parent) : CControlUI(parent) {}

CWndUI::~CWndUI() { Detach(); }

bool CWndUI::Attach(QWidget* window) {
  Detach();
  window_ = window;
  if (!window_) return false;
  window_->setAttribute(Qt::WA_ShowWithoutActivating);
  // Moves of the window that holds this control move the hosted window too.
  if (QWidget* top = this->window(); top && top != this) top->installEventFilter(this);
  UpdateHostedWindow();
  return true;
}

QWidget* CWndUI::Detach() {
  QWidget* w = window_;
  if (QWidget* top = window(); top && top != this) top->removeEventFilter(this);
  window_ = nullptr;
  return w;
}

void CWndUI::UpdateHostedWindow() {
  if (!window_) return;
  QRect r = rect();
  if (window_->isWindow()) {
    r.moveTopLeft(mapToGlobal(QPoint(0, 0)));
  } else if (QWidget* p = window_->parentWidget()) {
    r.moveTopLeft(mapTo(p->window(), QPoint(0, 0)) - p->mapTo(p->window(), QPoint(0, 0)));
  }
  window_->setGeometry(r);
  const bool show = IsVisible() && isVisible();
  if (show != window_->isVisible()) window_->setVisible(show);
}

bool CWndUI::event(QEvent* event) {
  const bool result = CControlUI::event(event);
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
      UpdateHostedWindow();
      break;
    default:
      break;
  }
  return result;
}

bool CWndUI::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Move || event->type() == QEvent::Show ||
      event->type() == QEvent::Hide)
    UpdateHostedWindow();
  return CControlUI::eventFilter(watched, event);
}
