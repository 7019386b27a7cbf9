#pragma once
// CTrayIcon: the program's icon in the system tray. A left click reaches the
// window as the tray message with wParam = icon id and lParam =
// WM_LBUTTONUP, a right click (or the context request) with WM_RBUTTONUP,
// both through the window's HandleMessage.

#include <QIcon>
#include <QPointer>

#include <memory>
#include <string>

#include "panels/toolkit/window_impl.h"

class QSystemTrayIcon;

class CTrayIcon {
 public:
  CTrayIcon();
  ~CTrayIcon();

  // icon: an image file of the skin folder (empty: the application icon).
  bool CreateTrayIcon(CWindowWnd* receiver, UINT iconId, const std::wstring& toolTip, UINT message,
                      const std::wstring& icon = L"");
  void DeleteTrayIcon();
  bool SetTooltipText(const std::wstring& text);
  std::wstring GetTooltipText() const;
  bool SetIcon(const std::wstring& icon);
  void SetShowIcon(bool show);
  bool IsVisible() const;
  bool IsCreated() const { return tray_ != nullptr; }
  UINT GetMessage() const { return message_; }
  // Delivers a click as the tray icon would (lParam WM_LBUTTONUP or WM_RBUTTONUP).
  void SimulateClick(LPARAM mouseMessage);

 private:
  std::unique_ptr<QSystemTrayIcon> tray_;
  QPointer<CWindowWnd> receiver_;
  UINT iconId_ = 0;
  UINT message_ = 0;
};
