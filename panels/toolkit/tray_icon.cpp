#include "panels/toolkit/tray_icon.h"

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "panels/toolkit/resource_manager.h"

CTrayIcon::CTrayIcon() = default;
CTrayIcon::~CTrayIcon() { DeleteTrayIcon(); }

bool CTrayIcon::CreateTrayIcon(CWindowWnd* receiver, UINT iconId, const std::wstring& toolTip,
                               UINT message, const std::wstring& icon) {
  DeleteTrayIcon();
  receiver_ = receiver;
  iconId_ = iconId;
  message_ = message;
  tray_ = std::make_unique<QSystemTrayIcon>();
  if (!SetIcon(icon)) tray_->setIcon(QApplication::windowIcon());
  tray_->setToolTip(ToQ(toolTip));
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated, tray_.get(),
                   [this](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::Trigger) SimulateClick(WM_LBUTTONUP);
                     if (reason == QSystemTrayIcon::Context) SimulateClick(WM_RBUTTONUP);
                   });
  tray_->show();
  return true;
}

void CTrayIcon::DeleteTrayIcon() {
  if (tray_) tray_->hide();
  tray_.reset();
}

bool CTrayIcon::SetTooltipText(const std::wstring& text) {
  if (!tray_) return false;
  tray_->setToolTip(ToQ(text));
  return true;
}

std::wstring CTrayIcon::GetTooltipText() const {
  return tray_ ? FromQ(tray_->toolTip()) : std::wstring();
}

bool CTrayIcon::SetIcon(const std::wstring& icon) {
  if (!tray_ || icon.empty()) return false;
  QImage image = CResourceManager::GetInstance().LoadImage(icon);
  if (image.isNull()) return false;
  tray_->setIcon(QIcon(QPixmap::fromImage(image)));
  return true;
}

void CTrayIcon::SetShowIcon(bool show) {
  if (tray_) tray_->setVisible(show);
}

bool CTrayIcon::IsVisible() const { return tray_ && tray_->isVisible(); }

void CTrayIcon::SimulateClick(LPARAM mouseMessage) {
  if (receiver_) receiver_->PostMessage(message_, iconId_, mouseMessage);
}
