#include "panels/controls/chart_view.h"

#include <QPainter>

#include "panels/toolkit/image_string.h"

namespace {
const QColor kPalette[] = {QColor(0x4E, 0x9A, 0xF1), QColor(0xF1, 0x8A, 0x4E),
                           QColor(0x6C, 0xC6, 0x5B), QColor(0xE0, 0x5A, 0x6B),
                           QColor(0xA3, 0x7C, 0xE8), QColor(0xE8, 0xD2, 0x4E)};
}

CChartViewUI::CChartViewUI(QWidget* parent) : CControlUI(parent) {}

void CChartViewUI::Add(const std::wstring& name, double value) {
  items_.emplace_back(name, value < 0 ? 0 : value);
  update();
}

void CChartViewUI::RemoveAll() {
  items_.clear();
  update();
}

void CChartViewUI::SetView(View view) {
  view_ = view;
  update();
}

void CChartViewUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"view") {
    SetView(EqualsNoCase(value, L"histpgram") ? View::Histogram : View::Pie);
  } else if (n == L"shadowimage") {
    shadowImage_ = value;
  } else if (n == L"shadowimageheight") {
    shadowImageHeight_ = ParseInt(value);
  } else if (n == L"pillarimage") {
    pillarImage_ = value;
  } else if (n == L"pillarimagewidth") {
    pillarImageWidth_ = ParseInt(value);
  } else if (n == L"showhtml") {
    showHtml_ = ParseBool(value);
  } else if (n == L"showtext") {
    showText_ = ParseBool(value);
  }
  CControlUI::SetAttribute(name, value);
}

void CChartViewUI::DoPaint(QPainter& painter) {
  PaintBkColor(painter);
  PaintBkImage(painter);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(ResolveFont());
  if (view_ == View::Pie) {
    PaintPie(painter);
  } else {
    PaintHistogram(painter);
  }
  PaintBorder(painter);
}

void CChartViewUI::PaintPie(QPainter& painter) {
  double total = 0;
  for (const auto& [n, v] : items_) total += v;
  if (total <= 0) return;
  const int side = std::min(width(), height()) - Scale(4);
  const QRect pie(Scale(2), (height() - side) / 2, side, side);
  int start = 90 * 16;
  for (size_t i = 0; i < items_.size(); ++i) {
    const int span = static_cast<int>(items_[i].second / total * 360 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPalette[i % std::size(kPalette)]);
    painter.drawPie(pie, start, -span);
    start -= span;
  }
  if (!showText_) return;
  // Legend beside the pie.
  const int x = pie.right() + Scale(8);
  const int line = painter.fontMetrics().height();
  for (size_t i = 0; i < items_.size(); ++i) {
    const int y = pie.top() + static_cast<int>(i) * line;
    painter.fillRect(x, y + line / 4, line / 2, line / 2, kPalette[i % std::size(kPalette)]);
    painter.setPen(ToQColor(textColor_ ? textColor_ : 0xFF000000u));
    painter.drawText(QRect(x + line, y, width() - x - line, line), Qt::AlignVCenter,
                     ToQ(items_[i].first));
  }
}

void CChartViewUI::PaintHistogram(QPainter& painter) {
  if (items_.empty()) return;
  double top = 0;
  for (const auto& [n, v] : items_) top = std::max(top, v);
  if (top <= 0) top = 1;
  const int line = showText_ ? painter.fontMetrics().height() : 0;
  const int baseline = height() - line - Scale(shadowImageHeight_);
  const int cell = width() / static_cast<int>(items_.size());
  const int pillar = pillarImageWidth_ > 0 ? Scale(pillarImageWidth_) : cell / 2;
  if (!shadowImage_.empty()) {
    DrawImageSpec(painter, QRect(0, baseline, width(), Scale(shadowImageHeight_)),
                  ParseImageString(shadowImage_), GetScale());
  }
  for (size_t i = 0; i < items_.size(); ++i) {
    const int h = static_cast<int>(items_[i].second / top * (baseline - line));
    const QRect bar(static_cast<int>(i) * cell + (cell - pillar) / 2, baseline - h, pillar, h);
    if (!pillarImage_.empty()) {
      DrawImageSpec(painter, bar, ParseImageString(pillarImage_), GetScale());
    } else {
      painter.fillRect(bar, kPalette[i % std::size(kPalette)]);
    }
    if (showText_) {
      painter.setPen(ToQColor(textColor_ ? textColor_ : 0xFF000000u));
      painter.drawText(QRect(static_cast<int>(i) * cell, height() - line, cell, line),
                       Qt::AlignCenter, ToQ(items_[i].first));
      painter.drawText(QRect(bar.left() - cell / 2, bar.top() - line, pillar + cell, line),
                       Qt::AlignCenter, QString::number(items_[i].second));
    }
  }
}
