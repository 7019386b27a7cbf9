#pragma once
// Text controls: CLabelUI (one line of text, aligned), CTextUI (wrapped text).

#include "panels/toolkit/control.h"

class CLabelUI : public CControlUI {
 public:
  explicit CLabelUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"Label"; }

  // Qt alignment flags from the "align" ("left", "center", "right") and
  // "valign" ("top", "vcenter", "bottom") attributes.
  Qt::Alignment GetTextAlign() const { return align_; }
  void SetTextAlign(Qt::Alignment align);
  QMargins GetTextPadding() const { return textPadding_; }
  void SetTextPadding(const QMargins& padding);
  std::uint32_t GetDisabledTextColor() const { return disabledTextColor_; }
  void SetDisabledTextColor(std::uint32_t argb) { disabledTextColor_ = argb; }
  bool IsWordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintText(QPainter& painter) override;
  void DrawText(QPainter& painter, const std::wstring& text, std::uint32_t color);

  Qt::Alignment align_ = Qt::AlignLeft | Qt::AlignVCenter;
  QMargins textPadding_;
  std::uint32_t disabledTextColor_ = 0;
  bool wordWrap_ = false;
};

class CTextUI : public CLabelUI {
 public:
  explicit CTextUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"Text"; }
};
