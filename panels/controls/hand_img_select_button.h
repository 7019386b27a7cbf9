#pragma once
// CHandImgSelectButtonUI: a button showing "handimage" at its natural size.
// When the image is larger than the button only a button-sized part is shown
// and dragging with the button held moves that part opposite to the mouse,
// never beyond the image's edges. "cursor" names the pointer shape.
// Entering and leaving raise "msenter" and "msleave".

#include "panels/toolkit/button.h"

class CHandImgSelectButtonUI : public CButtonUI {
 public:
  explicit CHandImgSelectButtonUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"HandImgSelectButton"; }

  void SetHandImage(const std::wstring& file);
  std::wstring GetHandImage() const { return handImage_; }
  // The image string drawn: "file='..' " plus "source='l,t,r,b'" when cut.
  std::wstring GetShownImage() const;
  QPoint GetSourceOffset() const { return offset_; }
  Qt::CursorShape GetCursorShape() const { return cursorShape_; }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void PaintStatusImage(QPainter& painter) override;
  QSize ImageSize() const;
  void ClampOffset();

  std::wstring handImage_;
  QPoint offset_;
  QPoint dragStart_;
  QPoint offsetAtStart_;
  bool dragging_ = false;
  Qt::CursorShape cursorShape_ = Qt::ArrowCursor;
};
