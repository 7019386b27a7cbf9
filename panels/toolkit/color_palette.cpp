#include "panels/toolkit/color_palette.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

CColorPaletteUI::CColorPaletteUI(QWidget* parent) : CControlUI(parent) {}

std::uint32_t CColorPaletteUI::GetSelectColor() const {
  const QColor c = QColor::fromHsv(hue_, saturation_, value_);
  return 0xFF000000u | (static_cast<std::uint32_t>(c.red()) << 16) |
         (static_cast<std::uint32_t>(c.green()) << 8) | static_cast<std::uint32_t>(c.blue());
}

void CColorPaletteUI::SetSelectColor(std::uint32_t argb) {
  const QColor c = ToQColor(argb | 0xFF000000u);
  int h, s, v;
  c.getHsv(&h, &s, &v);
  // Greys have no hue; keep the previous one so the field marker stays put.
  if (h >= 0) hue_ = h;
  saturation_ = s;
  value_ = v;
  update();
}

void CColorPaletteUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (EqualsNoCase(name, L"barheight")) barHeight_ = ParseInt(value);
  CControlUI::SetAttribute(name, value);
}

QRect CColorPaletteUI::FieldRect() const {
  const int bar = Scale(barHeight_);
  return QRect(0, 0, width(), std::max(1, height() - bar - Scale(4)));
}

QRect CColorPaletteUI::BarRect() const {
  const int bar = Scale(barHeight_);
  return QRect(0, height() - bar, width(), bar);
}

std::uint32_t CColorPaletteUI::ColorAt(const QPoint& point) const {
  const QRect f = FieldRect();
  int h = hue_, s = saturation_, v = value_;
  if (f.contains(point)) {
    h = std::clamp(point.x() * 359 / std::max(1, f.width() - 1), 0, 359);
    s = std::clamp(255 - point.y() * 255 / std::max(1, f.height() - 1), 0, 255);
  } else {
    v = std::clamp(point.x() * 255 / std::max(1, width() - 1), 0, 255);
  }
  const QColor c = QColor::fromHsv(h, s, v);
  return 0xFF000000u | (static_cast<std::uint32_t>(c.red()) << 16) |
         (static_cast<std::uint32_t>(c.green()) << 8) | static_cast<std::uint32_t>(c.blue());
}

void CColorPaletteUI::PickAt(const QPoint& point) {
  const QRect f = FieldRect();
  if (dragField_) {
    const QPoint p(std::clamp(point.x(), 0, f.width() - 1),
                   std::clamp(point.y(), 0, f.height() - 1));
    hue_ = std::clamp(p.x() * 359 / std::max(1, f.width() - 1), 0, 359);
    saturation_ = std::clamp(255 - p.y() * 255 / std::max(1, f.height() - 1), 0, 255);
  } else if (dragBar_) {
    value_ = std::clamp(point.x() * 255 / std::max(1, width() - 1), 0, 255);
  }
  update();
  RaiseNotify(L"colorchanged", GetSelectColor(), 0);
}

void CColorPaletteUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !IsEnabled()) {
    event->ignore();
    return;
  }
  const QPoint p = event->position().toPoint();
  dragField_ = FieldRect().contains(p);
  dragBar_ = !dragField_ && BarRect().contains(p);
  if (dragField_ || dragBar_) PickAt(p);
}

void CColorPaletteUI::mouseMoveEvent(QMouseEvent* event) {
  if (dragField_ || dragBar_) PickAt(event->position().toPoint());
}

void CColorPaletteUI::mouseReleaseEvent(QMouseEvent* event) {
  (void)event;
  dragField_ = dragBar_ = false;
}

void CColorPaletteUI::DoPaint(QPainter& painter) {
  PaintBkColor(painter);
  const QRect f = FieldRect();
  QLinearGradient hues(f.topLeft(), f.topRight());
  for (int i = 0; i <= 6; ++i)
    hues.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 255, value_));
  painter.fillRect(f, hues);
  QLinearGradient grey(f.topLeft(), f.bottomLeft());
  grey.setColorAt(0, QColor(0, 0, 0, 0));
  grey.setColorAt(1, QColor(value_, value_, value_, 255));
  painter.fillRect(f, grey);
  const QRect b = BarRect();
  QLinearGradient bar(b.topLeft(), b.topRight());
  bar.setColorAt(0, Qt::black);
  bar.setColorAt(1, QColor::fromHsv(hue_, saturation_, 255));
  painter.fillRect(b, bar);
  // Markers: a ring on the field, a tick on the bar.
  const QPoint m(hue_ * std::max(1, f.width() - 1) / 359,
                 (255 - saturation_) * std::max(1, f.height() - 1) / 255);
  painter.setPen(QPen(Qt::white, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(m, Scale(4), Scale(4));
  const int x = value_ * std::max(1, width() - 1) / 255;
  painter.drawLine(x, b.top(), x, b.bottom());
  PaintBorder(painter);
}
