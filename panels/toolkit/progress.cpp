#include "panels/toolkit/progress.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "panels/toolkit/image_string.h"
#include "panels/toolkit/paint_manager.h"

CProgressUI::CProgressUI(QWidget* parent) : CLabelUI(parent) { align_ = Qt::AlignCenter; }

void CProgressUI::SetMinValue(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  value_ = std::clamp(value_, min_, max_);
  update();
}

void CProgressUI::SetMaxValue(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  value_ = std::clamp(value_, min_, max_);
  update();
}

void CProgressUI::SetValue(int v) {
  value_ = std::clamp(v, min_, max_);
  update();
}

void CProgressUI::SetHorizontal(bool on) {
  horizontal_ = on;
  update();
}

void CProgressUI::SetForeColor(std::uint32_t argb) {
  foreColor_ = argb;
  update();
}

void CProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"min") {
    SetMinValue(ParseInt(value));
  } else if (n == L"max") {
    SetMaxValue(ParseInt(value));
  } else if (n == L"value") {
    SetValue(ParseInt(value));
  } else if (n == L"hor") {
    SetHorizontal(ParseBool(value));
  } else if (n == L"forecolor") {
    SetForeColor(ParseColor(value));
  } else if (n == L"foreimage") {
    foreImage_ = value;
  }
  CLabelUI::SetAttribute(name, value);
}

QRect CProgressUI::ForeRect() const {
  const int span = max_ - min_;
  const double part = span > 0 ? double(value_ - min_) / span : 0.0;
  QRect r = rect();
  if (horizontal_) {
    r.setWidth(static_cast<int>(r.width() * part));
  } else {
    const int h = static_cast<int>(r.height() * part);
    r.setTop(r.bottom() + 1 - h);
  }
  return r;
}

void CProgressUI::PaintStatusImage(QPainter& painter) {
  const QRect fore = ForeRect();
  if (fore.isEmpty()) return;
  if (foreColor_) painter.fillRect(fore, ToQColor(foreColor_));
  if (!foreImage_.empty()) {
    painter.save();
    painter.setClipRect(fore);
    DrawImage(painter, foreImage_);
    painter.restore();
  }
}

CSliderUI::CSliderUI(QWidget* parent) : CProgressUI(parent) { setFocusPolicy(Qt::StrongFocus); }

void CSliderUI::SetThumbSize(const QSize& size) {
  thumbSize_ = size;
  update();
}

QRect CSliderUI::GetThumbRect() const {
  const QSize t(Scale(thumbSize_.width()), Scale(thumbSize_.height()));
  const int span = max_ - min_;
  const double part = span > 0 ? double(value_ - min_) / span : 0.0;
  if (horizontal_) {
    const int x = static_cast<int>((width() - t.width()) * part);
    return QRect(x, (height() - t.height()) / 2, t.width(), t.height());
  }
  const int y = static_cast<int>((height() - t.height()) * (1.0 - part));
  return QRect((width() - t.width()) / 2, y, t.width(), t.height());
}

int CSliderUI::ValueAt(const QPoint& point) const {
  const QSize t(Scale(thumbSize_.width()), Scale(thumbSize_.height()));
  double part;
  if (horizontal_) {
    const int track = std::max(1, width() - t.width());
    part = double(point.x() - t.width() / 2) / track;
  } else {
    const int track = std::max(1, height() - t.height());
    part = 1.0 - double(point.y() - t.height() / 2) / track;
  }
  part = std::clamp(part, 0.0, 1.0);
  int v = min_ + static_cast<int>(part * (max_ - min_) + 0.5);
  if (step_ > 1) v = min_ + ((v - min_) + step_ / 2) / step_ * step_;
  return std::clamp(v, min_, max_);
}

void CSliderUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"step") {
    SetChangeStep(ParseInt(value));
  } else if (n == L"thumbsize") {
    SetThumbSize(ParseSize(value));
  } else if (n == L"thumbimage") {
    thumbImage_ = value;
  } else if (n == L"thumbhotimage") {
    thumbHotImage_ = value;
  } else if (n == L"thumbpushedimage") {
    thumbPushedImage_ = value;
  }
  CProgressUI::SetAttribute(name, value);
}

void CSliderUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !IsEnabled()) {
    event->ignore();
    return;
  }
  FinishKeyChange();
  dragging_ = true;
  const int v = ValueAt(event->position().toPoint());
  if (v != value_) {
    SetValue(v);
    RaiseNotify(L"movevaluechanged");
  }
}

void CSliderUI::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const int v = ValueAt(event->position().toPoint());
  if (v != value_) {
    SetValue(v);
    RaiseNotify(L"movevaluechanged");
  }
}

void CSliderUI::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  dragging_ = false;
  SetValue(ValueAt(event->position().toPoint()));
  RaiseNotify(L"valuechanged");
}

void CSliderUI::wheelEvent(QWheelEvent* event) {
  if (!IsEnabled() || event->angleDelta().y() == 0) {
    event->ignore();
    return;
  }
  SetValue(value_ + (event->angleDelta().y() > 0 ? step_ : -step_));
  RaiseNotify(L"valuechanged");
}

void CSliderUI::keyPressEvent(QKeyEvent* event) {
  SetKeyboardFocus(true);
  if (!IsEnabled() || dragging_ ||
      (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    CProgressUI::keyPressEvent(event);
    return;
  }
  const int step = std::max(1, step_);
  const int span = max_ - min_;
  const int page = std::max(step, span / 10 / step * step);
  int v = value_;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
      v -= step;
      break;
    case Qt::Key_Right:
    case Qt::Key_Up:
      v += step;
      break;
    case Qt::Key_PageDown:
      v -= page;
      break;
    case Qt::Key_PageUp:
      v += page;
      break;
    case Qt::Key_Home:
      v = min_;
      break;
    case Qt::Key_End:
      v = max_;
      break;
    default:
      CProgressUI::keyPressEvent(event);
      return;
  }
  event->accept();
  v = std::clamp(v, min_, max_);
  if (v == value_) return;
  SetValue(v);
  keyMoved_ = true;
  RaiseNotify(L"movevaluechanged");
}

void CSliderUI::keyReleaseEvent(QKeyEvent* event) {
  // Held keys repeat press and release; only the last release ends the change.
  if (!event->isAutoRepeat()) FinishKeyChange();
  CProgressUI::keyReleaseEvent(event);
}

void CSliderUI::focusOutEvent(QFocusEvent* event) {
  FinishKeyChange();
  CProgressUI::focusOutEvent(event);
}

void CSliderUI::FinishKeyChange() {
  if (!keyMoved_) return;
  keyMoved_ = false;
  RaiseNotify(L"valuechanged");
}

void CSliderUI::PaintStatusImage(QPainter& painter) {
  CProgressUI::PaintStatusImage(painter);
  const QRect thumb = GetThumbRect();
  std::wstring image = thumbImage_;
  if (dragging_ && !thumbPushedImage_.empty()) image = thumbPushedImage_;
  if (!image.empty()) {
    DrawImageSpec(painter, thumb, ParseImageString(image), GetScale());
  } else {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
    painter.drawEllipse(thumb);
  }
  PaintFocusFrame(painter, thumb.adjusted(-Scale(2), -Scale(2), Scale(2), Scale(2)));
}
