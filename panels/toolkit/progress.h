#pragma once
// CProgressUI: a value between a minimum and a maximum, drawn as "foreimage"
// (or the fore colour) over the part of the bar the value covers.
// CSliderUI: a progress the user drags. While the thumb moves it raises
// "movevaluechanged", when the button is released "valuechanged" (also after
// a click on the bar or a wheel step). The keyboard works the same way: each
// press of Left/Right/Up/Down (one step), Page Up/Page Down (a tenth of the
// range, at least one step), Home or End moves the thumb with
// "movevaluechanged", and letting the key go (or the focus leaving) raises
// "valuechanged" once, as releasing the mouse button does. SetValue never
// notifies.

#include "panels/toolkit/label.h"

class CProgressUI : public CLabelUI {
 public:
  explicit CProgressUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"Progress"; }

  int GetMinValue() const { return min_; }
  void SetMinValue(int v);
  int GetMaxValue() const { return max_; }
  void SetMaxValue(int v);
  int GetValue() const { return value_; }
  virtual void SetValue(int v);
  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool on);
  std::uint32_t GetForeColor() const { return foreColor_; }
  void SetForeColor(std::uint32_t argb);

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintStatusImage(QPainter& painter) override;
  QRect ForeRect() const;

  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  bool horizontal_ = true;
  std::uint32_t foreColor_ = 0;
  std::wstring foreImage_;
};

class CSliderUI : public CProgressUI {
 public:
  explicit CSliderUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"Slider"; }

  int GetChangeStep() const { return step_; }
  void SetChangeStep(int step) { step_ = step; }
  QSize GetThumbSize() const { return thumbSize_; }
  void SetThumbSize(const QSize& size);
  QRect GetThumbRect() const;
  // The value the point of the bar stands for.
  int ValueAt(const QPoint& point) const;

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void PaintStatusImage(QPainter& painter) override;
  // Ends a keyboard change: "valuechanged" when the keys moved the value.
  void FinishKeyChange();

  int step_ = 1;
  bool keyMoved_ = false;
  QSize thumbSize_{10, 10};
  std::wstring thumbImage_, thumbHotImage_, thumbPushedImage_;
  bool dragging_ = false;
};
