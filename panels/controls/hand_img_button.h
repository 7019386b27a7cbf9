#pragma once
// CHandImgButtonUI: a button with an extra image ("handimage") over it and,
// while hot and deletable, a delete mark in its bottom-right corner.
// Releasing inside that corner raises "click_handdelete" instead of "click".
// Entering and leaving raise "msenter" and "msleave".

#include "panels/toolkit/button.h"

class CHandImgButtonUI : public CButtonUI {
 public:
  explicit CHandImgButtonUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"HandImgButton"; }

  bool IsDeletable() const { return deletable_; }
  void SetDeletable(bool on);
  std::wstring GetHandImage() const { return handImage_; }
  void SetHandImage(const std::wstring& image);
  // The delete corner in the button's coordinates (20 x 20, 10 in from the
  // right edge and 9 up from the bottom edge, scaled).
  QRect GetDeleteRect() const;
  bool IsDeleteHot() const { return deleteHot_; }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void PaintStatusImage(QPainter& painter) override;

  bool deletable_ = false;
  bool deleteHot_ = false;
  std::wstring handImage_, deleteNormalImage_, deleteHotImage_;
};
