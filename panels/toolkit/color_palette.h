#pragma once
// CColorPaletteUI: a colour field (hue across, saturation down) above a
// brightness bar ("barheight" high). Picking with the mouse raises
// "colorchanged"; SetSelectColor sets the colour without a notification.
// Colours are ARGB (0xFF000000 | red << 16 | green << 8 | blue).

#include "panels/toolkit/control.h"

class CColorPaletteUI : public CControlUI {
 public:
  explicit CColorPaletteUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"ColorPalette"; }

  std::uint32_t GetSelectColor() const;
  void SetSelectColor(std::uint32_t argb);
  int GetBarHeight() const { return barHeight_; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  // The colour under a point of the control (as a pick there would choose).
  std::uint32_t ColorAt(const QPoint& point) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void DoPaint(QPainter& painter) override;
  QRect FieldRect() const;
  QRect BarRect() const;
  void PickAt(const QPoint& point);

  int hue_ = 0;         // 0..359
  int saturation_ = 0;  // 0..255
  int value_ = 255;     // 0..255
  int barHeight_ = 10;
  bool dragField_ = false;
  bool dragBar_ = false;
};
