#pragma once
// CWndUI: places a native window over its rectangle. Every change of the
// control's position, size or visibility moves the window there (in screen
// coordinates when it is a top-level window) without activating it, and
// shows or hides it with the control.

#include <QPointer>

#include "panels/toolkit/control.h"

class CWndUI : public CControlUI {
 public:
  explicit CWndUI(QWidget* parent = nullptr);
  ~CWndUI() override;
  std::wstring GetClass() const override { return L"Wnd"; }

  // Takes a window to place (not owned); nullptr detaches.
  bool Attach(QWidget* window);
  QWidget* Detach();
  QWidget* GetHostedWindow() const { return window_; }
  // Moves and shows or hides the hosted window as the control stands now.
  void UpdateHostedWindow();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  QPointer<QWidget> window_;
};
