#pragma once
// CChartViewUI: named values drawn as a pie ("view" = "pie") or as bars
// ("view" = "histpgram"). Further attributes: "shadowimage",
// "shadowimageheight", "pillarimage", "pillarimagewidth", "showhtml",
// "showtext", "font".

#include <utility>
#include <vector>

#include "panels/toolkit/control.h"

class CChartViewUI : public CControlUI {
 public:
  enum class View { Pie, Histogram };
  explicit CChartViewUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"ChartView"; }

  void Add(const std::wstring& name, double value);
  void RemoveAll();
  int GetCount() const { return static_cast<int>(items_.size()); }
  View GetView() const { return view_; }
  void SetView(View view);
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void DoPaint(QPainter& painter) override;
  void PaintPie(QPainter& painter);
  void PaintHistogram(QPainter& painter);

  std::vector<std::pair<std::wstring, double>> items_;
  View view_ = View::Pie;
  std::wstring shadowImage_, pillarImage_;
  int shadowImageHeight_ = 0;
  int pillarImageWidth_ = 0;
  bool showText_ = true;
  bool showHtml_ = false;
};
