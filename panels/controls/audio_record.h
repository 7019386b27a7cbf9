#pragma once
// CAudioRecordUI: a bar plot of 500 sound samples on white: sample i is a
// black line at x = 2i from the height sample * h / 8192 above the bottom
// down to the bottom. Samples 0 to 255 start as 0, 1, ... 255, the rest as 0.

#include <array>

#include "panels/toolkit/label.h"

class CAudioRecordUI : public CLabelUI {
 public:
  static constexpr int kSamples = 500;
  explicit CAudioRecordUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"AudioRecord"; }

  int GetSample(int index) const;
  void SetSample(int index, int value);
  // Copies up to 500 samples from the front of values.
  void SetSamples(const int* values, int count);
  // The top of sample i's line for a plot of height h.
  static int LineTop(int sample, int h) { return h - sample * h / 8192; }

 protected:
  void DoPaint(QPainter& painter) override;

  std::array<int, kSamples> samples_{};
};
