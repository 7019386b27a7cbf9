#include "panels/controls/select_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "panels/controls/device_key_button.h"

CSelectPanelUI::CSelectPanelUI(QWidget* parent) : CVerticalLayoutUI(parent) {}

void CSelectPanelUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !IsEnabled()) {
    event->ignore();
    return;
  }
  pressed_ = true;
  moved_ = false;
  start_ = event->position().toPoint();
  band_ = QRect();
}

void CSelectPanelUI::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_) {
    event->ignore();
    return;
  }
  const QPoint p = event->position().toPoint();
  moved_ = true;
  band_ = QRect(QPoint(std::min(start_.x(), p.x()), std::min(start_.y(), p.y())),
                QPoint(std::max(start_.x(), p.x()), std::max(start_.y(), p.y())));
  NeedUpdate();
  update();
}

void CSelectPanelUI::mouseReleaseEvent(QMouseEvent* event) {
  if (!pressed_ || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressed_ = false;
  if (!moved_) return;
  moved_ = false;
  for (CControlUI* child : items_) {
    if (child->GetClass() != L"DeviceKeyButton") continue;
    auto* key = static_cast<CDeviceKeyButtonUI*>(child);
    key->SetSelected(band_.intersects(key->geometry()));
  }
  band_ = QRect();
  NeedUpdate();
  update();
  RaiseNotify(L"click_select_end");
}

void CSelectPanelUI::paintEvent(QPaintEvent* event) {
  CVerticalLayoutUI::paintEvent(event);
  if (band_.isEmpty()) return;
  // The band is drawn over the panel's own drawing (children paint above it).
  QPainter painter(this);
  painter.setPen(QPen(QColor(0x33, 0x99, 0xFF), 1));
  painter.setBrush(QColor(0x33, 0x99, 0xFF, 0x40));
  painter.drawRect(band_);
}
