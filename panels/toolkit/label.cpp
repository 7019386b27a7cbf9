#include "panels/toolkit/label.h"

#include <QPainter>

#include "panels/toolkit/paint_manager.h"

CLabelUI::CLabelUI(QWidget* parent) : CControlUI(parent) {}

void CLabelUI::SetTextAlign(Qt::Alignment align) {
  align_ = align;
  update();
}

void CLabelUI::SetTextPadding(const QMargins& padding) {
  textPadding_ = padding;
  update();
}

void CLabelUI::SetWordWrap(bool on) {
  wordWrap_ = on;
  update();
}

void CLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"align") {
    Qt::Alignment h = Qt::AlignLeft;
    if (value.find(L"center") != std::wstring::npos) h = Qt::AlignHCenter;
    if (value.find(L"right") != std::wstring::npos) h = Qt::AlignRight;
    align_ = (align_ & Qt::AlignVertical_Mask) | h;
  } else if (n == L"valign") {
    Qt::Alignment v = Qt::AlignVCenter;
    if (value.find(L"top") != std::wstring::npos) v = Qt::AlignTop;
    if (value.find(L"bottom") != std::wstring::npos) v = Qt::AlignBottom;
    align_ = (align_ & Qt::AlignHorizontal_Mask) | v;
  } else if (n == L"textpadding") {
    SetTextPadding(ParseMargins(value));
  } else if (n == L"disabledtextcolor") {
    SetDisabledTextColor(ParseColor(value));
  } else if (n == L"wordwrap" || n == L"multiline") {
    SetWordWrap(ParseBool(value));
  }
  CControlUI::SetAttribute(name, value);
}

void CLabelUI::DrawText(QPainter& painter, const std::wstring& text, std::uint32_t color) {
  if (text.empty()) return;
  painter.setFont(ResolveFont());
  painter.setPen(color ? ToQColor(color) : QColor(Qt::black));
  const QMargins pad(Scale(textPadding_.left()), Scale(textPadding_.top()),
                     Scale(textPadding_.right()), Scale(textPadding_.bottom()));
  int flags = static_cast<int>(align_);
  if (wordWrap_) flags |= Qt::TextWordWrap;
  painter.drawText(rect().marginsRemoved(pad), flags, ToQ(text));
}

void CLabelUI::PaintText(QPainter& painter) {
  std::uint32_t color = textColor_;
  if (!IsEnabled() && disabledTextColor_) color = disabledTextColor_;
  DrawText(painter, GetText(), color);
}

CTextUI::CTextUI(QWidget* parent) : CLabelUI(parent) {
  wordWrap_ = true;
  align_ = Qt::AlignLeft | Qt::AlignTop;
}
