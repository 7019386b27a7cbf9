#include "panels/controls/circle_progress.h"

#include <QPainter>

CCircleProgressUI::CCircleProgressUI(QWidget* parent) : CProgressUI(parent) {}

double CCircleProgressUI::SweepDegrees() const {
  const int span = max_ - min_;
  if (span <= 0) return 0.0;
  return double(value_) / span * 360.0;
}

void CCircleProgressUI::DoPaint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0, 0, -1, -1);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ToQColor(bkColor_));
  painter.drawEllipse(r);
  // Qt's angles turn counter-clockwise from three o'clock: 90 degrees
  // clockwise is -90, and a clockwise sweep is negative.
  painter.setBrush(ToQColor(foreColor_));
  painter.drawPie(r, -90 * 16, -static_cast<int>(SweepDegrees() * 16));
  painter.setBrush(Qt::white);
  const qreal inset = Scale(10);
  painter.drawEllipse(r.adjusted(inset, inset, -inset, -inset));
  PaintText(painter);
}
