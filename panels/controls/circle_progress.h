#pragma once
// CCircleProgressUI: a ring-shaped progress. The background colour fills an
// ellipse over the control, the fore colour a pie from the bottom (90 degrees,
// turning clockwise) sweeping value / (max - min) of the circle, and a white
// ellipse 10 in from every side leaves the ring.

#include "panels/toolkit/progress.h"

class CCircleProgressUI : public CProgressUI {
 public:
  explicit CCircleProgressUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"CircleProgress"; }
  // The pie's sweep in degrees.
  double SweepDegrees() const;

 protected:
  void DoPaint(QPainter& painter) override;
};
