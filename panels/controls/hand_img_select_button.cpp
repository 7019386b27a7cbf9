#include "panels/controls/hand_img_select_button.h"

#include <QMouseEvent>
#include <QPainter>

#include <map>

#include "panels/toolkit/image_string.h"
#include "panels/toolkit/resource_manager.h"

CHandImgSelectButtonUI::CHandImgSelectButtonUI(QWidget* parent) : CButtonUI(parent) {}

void CHandImgSelectButtonUI::SetHandImage(const std::wstring& file) {
  handImage_ = ParseImageString(file).file;
  offset_ = QPoint();
  ClampOffset();
  update();
}

QSize CHandImgSelectButtonUI::ImageSize() const {
  if (handImage_.empty()) return QSize();
  return CResourceManager::GetInstance().LoadImage(handImage_).size();
}

void CHandImgSelectButtonUI::ClampOffset() {
  const QSize img = ImageSize();
  offset_.setX(std::clamp(offset_.x(), 0, std::max(0, img.width() - width())));
  offset_.setY(std::clamp(offset_.y(), 0, std::max(0, img.height() - height())));
}

std::wstring CHandImgSelectButtonUI::GetShownImage() const {
  if (handImage_.empty()) return std::wstring();
  const QSize img = ImageSize();
  std::wstring s = L"file='" + handImage_ + L"' ";
  if (img.width() <= width() && img.height() <= height()) {
    return s + L"dest='0,0," + std::to_wstring(img.width()) + L"," + std::to_wstring(img.height()) +
           L"'";
  }
  const int w = std::min(width(), img.width());
  const int h = std::min(height(), img.height());
  return s + L"source='" + std::to_wstring(offset_.x()) + L"," + std::to_wstring(offset_.y()) +
         L"," + std::to_wstring(offset_.x() + w) + L"," + std::to_wstring(offset_.y() + h) + L"'";
}

void CHandImgSelectButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"handimage") {
    SetHandImage(value);
  } else if (n == L"cursor") {
    static const std::map<std::wstring, Qt::CursorShape> shapes = {
        {L"arrow", Qt::ArrowCursor},        {L"ibeam", Qt::IBeamCursor},
        {L"wait", Qt::WaitCursor},          {L"cross", Qt::CrossCursor},
        {L"uparrow", Qt::UpArrowCursor},    {L"size", Qt::SizeAllCursor},
        {L"icon", Qt::ArrowCursor},         {L"sizenwse", Qt::SizeFDiagCursor},
        {L"sizenesw", Qt::SizeBDiagCursor}, {L"sizewe", Qt::SizeHorCursor},
        {L"sizens", Qt::SizeVerCursor},     {L"sizeall", Qt::SizeAllCursor},
        {L"no", Qt::ForbiddenCursor},       {L"hand", Qt::PointingHandCursor},
    };
    auto it = shapes.find(ToLower(value));
    if (it != shapes.end()) {
      cursorShape_ = it->second;
      setCursor(cursorShape_);
    }
  }
  CButtonUI::SetAttribute(name, value);
}

void CHandImgSelectButtonUI::mousePressEvent(QMouseEvent* event) {
  CButtonUI::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && IsEnabled()) {
    dragging_ = true;
    dragStart_ = event->position().toPoint();
    offsetAtStart_ = offset_;
  }
}

void CHandImgSelectButtonUI::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    offset_ = offsetAtStart_ - (event->position().toPoint() - dragStart_);
    ClampOffset();
    update();
  }
  CButtonUI::mouseMoveEvent(event);
}

void CHandImgSelectButtonUI::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  CButtonUI::mouseReleaseEvent(event);
}

void CHandImgSelectButtonUI::enterEvent(QEnterEvent* event) {
  CButtonUI::enterEvent(event);
  if (IsEnabled()) RaiseNotify(L"msenter");
}

void CHandImgSelectButtonUI::leaveEvent(QEvent* event) {
  CButtonUI::leaveEvent(event);
  RaiseNotify(L"msleave");
}

void CHandImgSelectButtonUI::resizeEvent(QResizeEvent* event) {
  CButtonUI::resizeEvent(event);
  ClampOffset();
}

void CHandImgSelectButtonUI::PaintStatusImage(QPainter& painter) {
  CButtonUI::PaintStatusImage(painter);
  const std::wstring shown = GetShownImage();
  if (shown.empty()) return;
  ImageSpec imageSpec = ParseImageString(shown);
  if (!imageSpec.source.isEmpty()) imageSpec.dest = QRect(QPoint(0, 0), imageSpec.source.size());
  // Drawn one image pixel per screen pixel.
  DrawImageSpec(painter, rect(), imageSpec, 96);
}
