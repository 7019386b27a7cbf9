#pragma once
// CSelectPanelUI: the container of a device picture's key buttons. Dragging
// over the panel draws a selection rectangle; releasing after a move marks
// exactly the key buttons the rectangle touches as selected and raises
// "click_select_end". A click without moving changes nothing.

#include "panels/toolkit/container.h"

class CSelectPanelUI : public CVerticalLayoutUI {
 public:
  explicit CSelectPanelUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"SelectPanel"; }

  bool IsSelecting() const { return pressed_; }
  // The current selection rectangle (corners ordered), empty when none.
  QRect GetSelectionRect() const { return band_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

  bool pressed_ = false;
  bool moved_ = false;
  QPoint start_;
  QRect band_;
};
