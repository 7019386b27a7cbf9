#include "panels/controls/hand_img_button.h"

#include <QMouseEvent>
#include <QPainter>

#include "panels/toolkit/image_string.h"

CHandImgButtonUI::CHandImgButtonUI(QWidget* parent) : CButtonUI(parent) { setMouseTracking(true); }

void CHandImgButtonUI::SetDeletable(bool on) {
  deletable_ = on;
  update();
}

void CHandImgButtonUI::SetHandImage(const std::wstring& image) {
  handImage_ = image;
  update();
}

QRect CHandImgButtonUI::GetDeleteRect() const {
  return QRect(width() - Scale(30), height() - Scale(29), Scale(20), Scale(20));
}

void CHandImgButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"handimage") {
    SetHandImage(value);
  } else if (n == L"deletenormalimage") {
    deleteNormalImage_ = value;
  } else if (n == L"deletehotimage") {
    deleteHotImage_ = value;
  }
  CButtonUI::SetAttribute(name, value);
}

void CHandImgButtonUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !IsEnabled()) {
    event->ignore();
    return;
  }
  state_ |= UISTATE_PUSHED | UISTATE_CAPTURED;
  update();
}

void CHandImgButtonUI::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CHandImgButtonUI::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !(state_ & UISTATE_CAPTURED)) {
    event->ignore();
    return;
  }
  state_ &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
  update();
  const QPoint p = event->position().toPoint();
  if (deletable_ && GetDeleteRect().contains(p)) {
    RaiseNotify(L"click_handdelete");
  } else if (rect().contains(p)) {
    Activate();
  }
}

void CHandImgButtonUI::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const bool hotCorner = GetDeleteRect().contains(p);
  if (hotCorner != deleteHot_) {
    deleteHot_ = hotCorner;
    update();
  }
  CButtonUI::mouseMoveEvent(event);
}

void CHandImgButtonUI::enterEvent(QEnterEvent* event) {
  (void)event;
  if (!IsEnabled()) return;
  state_ |= UISTATE_HOT;
  update();
  RaiseNotify(L"msenter");
}

void CHandImgButtonUI::leaveEvent(QEvent* event) {
  (void)event;
  state_ &= ~UISTATE_HOT;
  deleteHot_ = false;
  update();
  RaiseNotify(L"msleave");
}

void CHandImgButtonUI::PaintStatusImage(QPainter& painter) {
  CButtonUI::PaintStatusImage(painter);
  DrawImage(painter, handImage_);
  if ((state_ & UISTATE_HOT) && deletable_) {
    const std::wstring& image = deleteHot_ ? deleteHotImage_ : deleteNormalImage_;
    if (!image.empty()) {
      ImageSpec imageSpec = ParseImageString(image);
      imageSpec.dest = QRect();
      DrawImageSpec(painter, GetDeleteRect(), imageSpec, GetScale());
    }
  }
}
