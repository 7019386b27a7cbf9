#include "panels/controls/audio_record.h"

#include <QPainter>

CAudioRecordUI::CAudioRecordUI(QWidget* parent) : CLabelUI(parent) {
  for (int i = 0; i < 256; ++i) samples_[i] = i;
}

int CAudioRecordUI::GetSample(int index) const {
  return index >= 0 && index < kSamples ? samples_[index] : 0;
}

void CAudioRecordUI::SetSample(int index, int value) {
  if (index < 0 || index >= kSamples) return;
  samples_[index] = value;
  update();
}

void CAudioRecordUI::SetSamples(const int* values, int count) {
  if (!values) return;
  for (int i = 0; i < std::min(count, kSamples); ++i) samples_[i] = values[i];
  update();
}

void CAudioRecordUI::DoPaint(QPainter& painter) {
  const QRect r = rect();
  painter.fillRect(r, Qt::white);
  painter.setPen(QPen(Qt::black, 1));
  const int h = r.height();
  for (int i = 0; i < kSamples && 2 * i < r.width(); ++i) {
    const int x = r.left() + 2 * i;
    const int top = std::clamp(r.top() + LineTop(samples_[i], h), r.top(), r.bottom());
    painter.drawLine(x, top, x, r.bottom());
  }
}
