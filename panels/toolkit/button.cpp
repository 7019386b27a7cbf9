#include "panels/toolkit/button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "panels/toolkit/paint_manager.h"

CButtonUI::CButtonUI(QWidget* parent) : CLabelUI(parent) {
  align_ = Qt::AlignCenter;
  setFocusPolicy(Qt::StrongFocus);
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  RaiseNotify(L"click");
  return true;
}

void CButtonUI::SetButtonState(UINT state) {
  state_ = state;
  update();
}

void CButtonUI::SetNormalImage(const std::wstring& image) {
  normalImage_ = image;
  update();
}
void CButtonUI::SetHotImage(const std::wstring& image) {
  hotImage_ = image;
  update();
}
void CButtonUI::SetPushedImage(const std::wstring& image) {
  pushedImage_ = image;
  update();
}
void CButtonUI::SetDisabledImage(const std::wstring& image) {
  disabledImage_ = image;
  update();
}
void CButtonUI::SetForeImage(const std::wstring& image) {
  foreImage_ = image;
  update();
}
void CButtonUI::SetHotForeImage(const std::wstring& image) {
  hotForeImage_ = image;
  update();
}

void CButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"normalimage") {
    SetNormalImage(value);
  } else if (n == L"hotimage") {
    SetHotImage(value);
  } else if (n == L"pushedimage") {
    SetPushedImage(value);
  } else if (n == L"focusedimage") {
    focusedImage_ = value;
  } else if (n == L"disabledimage") {
    SetDisabledImage(value);
  } else if (n == L"foreimage") {
    SetForeImage(value);
  } else if (n == L"hotforeimage") {
    SetHotForeImage(value);
  } else if (n == L"pushedforeimage") {
    pushedForeImage_ = value;
  } else if (n == L"hottextcolor") {
    hotTextColor_ = ParseColor(value);
  } else if (n == L"pushedtextcolor") {
    pushedTextColor_ = ParseColor(value);
  } else if (n == L"hotbkcolor") {
    hotBkColor_ = ParseColor(value);
  }
  CLabelUI::SetAttribute(name, value);
}

void CButtonUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !IsEnabled()) {
    event->ignore();
    return;
  }
  state_ |= UISTATE_PUSHED | UISTATE_CAPTURED;
  update();
}

void CButtonUI::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CButtonUI::mouseMoveEvent(QMouseEvent* event) {
  if (state_ & UISTATE_CAPTURED) {
    if (rect().contains(event->position().toPoint())) {
      state_ |= UISTATE_PUSHED;
    } else {
      state_ &= ~UISTATE_PUSHED;
    }
    update();
  }
}

void CButtonUI::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !(state_ & UISTATE_CAPTURED)) {
    event->ignore();
    return;
  }
  state_ &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
  update();
  if (rect().contains(event->position().toPoint())) Activate();
}

void CButtonUI::enterEvent(QEnterEvent* event) {
  (void)event;
  if (IsEnabled()) {
    state_ |= UISTATE_HOT;
    update();
  }
}

void CButtonUI::leaveEvent(QEvent* event) {
  (void)event;
  state_ &= ~UISTATE_HOT;
  update();
}

void CButtonUI::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && IsEnabled() &&
      !event->isAutoRepeat()) {
    SetKeyboardFocus(true);
    Activate();
    return;
  }
  CLabelUI::keyPressEvent(event);
}

void CButtonUI::PaintBkColor(QPainter& painter) {
  if ((state_ & UISTATE_HOT) && hotBkColor_ && IsEnabled()) {
    painter.fillRect(rect(), ToQColor(hotBkColor_));
    return;
  }
  CLabelUI::PaintBkColor(painter);
}

void CButtonUI::PaintStatusImage(QPainter& painter) {
  bool drawn = false;
  if (!IsEnabled()) {
    drawn = DrawImage(painter, disabledImage_);
  } else if (state_ & UISTATE_PUSHED) {
    drawn = DrawImage(painter, pushedImage_);
  } else if (state_ & UISTATE_HOT) {
    drawn = DrawImage(painter, hotImage_);
  } else if (hasFocus()) {
    drawn = DrawImage(painter, focusedImage_);
  }
  if (!drawn) DrawImage(painter, normalImage_);
  if (focusedImage_.empty()) PaintFocusFrame(painter, rect());

  bool fore = false;
  if (IsEnabled() && (state_ & UISTATE_PUSHED)) fore = DrawImage(painter, pushedForeImage_);
  if (!fore && IsEnabled() && (state_ & UISTATE_HOT)) fore = DrawImage(painter, hotForeImage_);
  if (!fore) DrawImage(painter, foreImage_);
}

void CButtonUI::PaintText(QPainter& painter) {
  std::uint32_t color = textColor_;
  if (!IsEnabled() && disabledTextColor_) {
    color = disabledTextColor_;
  } else if ((state_ & UISTATE_PUSHED) && pushedTextColor_) {
    color = pushedTextColor_;
  } else if ((state_ & UISTATE_HOT) && hotTextColor_) {
    color = hotTextColor_;
  }
  DrawText(painter, GetText(), color);
}

COptionUI::COptionUI(QWidget* parent) : CButtonUI(parent) {}

COptionUI::~COptionUI() {
  if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
}

void COptionUI::SetGroup(const std::wstring& group) {
  if (group == group_) return;
  if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
  group_ = group;
  if (manager_ && !group_.empty()) manager_->AddOptionGroup(group_, this);
  Selected(selected_, false);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (manager_ != manager && manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
  CButtonUI::SetManager(manager, parent, init);
  if (manager_ && !group_.empty()) manager_->AddOptionGroup(group_, this);
}

void COptionUI::Selected(bool selected, bool triggerEvent) {
  if (selected_ == selected) {
    // Already in that state; in a group the others may still need clearing.
    if (!(selected && manager_ && !group_.empty())) return;
  }
  const bool changed = selected_ != selected;
  selected_ = selected;
  if (selected_) {
    state_ |= UISTATE_SELECTED;
  } else {
    state_ &= ~UISTATE_SELECTED;
  }
  update();
  if (!group_.empty()) {
    if (selected_ && manager_) {
      for (CControlUI* c : manager_->GetOptionGroup(group_)) {
        auto* other = dynamic_cast<COptionUI*>(c);
        if (other && other != this && other->selected_) other->Selected(false, triggerEvent);
      }
      if (changed && triggerEvent) RaiseNotify(L"selectchanged", 1, 0);
    }
  } else if (changed && triggerEvent) {
    RaiseNotify(L"selectchanged", selected_ ? 1 : 0, 0);
  }
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!group_.empty()) {
    Selected(true);
  } else {
    Selected(!selected_);
  }
  return true;
}

void COptionUI::SetSelectedImage(const std::wstring& image) {
  selectedImage_ = image;
  update();
}
void COptionUI::SetSelectedHotImage(const std::wstring& image) {
  selectedHotImage_ = image;
  update();
}
void COptionUI::SetSelectedForeImage(const std::wstring& image) {
  selectedForeImage_ = image;
  update();
}
void COptionUI::SetSelectedBkColor(std::uint32_t argb) {
  selectedBkColor_ = argb;
  update();
}

void COptionUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"group") {
    SetGroup(value);
  } else if (n == L"selected") {
    Selected(ParseBool(value), false);
  } else if (n == L"selectedimage") {
    SetSelectedImage(value);
  } else if (n == L"selectedhotimage") {
    SetSelectedHotImage(value);
  } else if (n == L"selectedpushedimage") {
    selectedPushedImage_ = value;
  } else if (n == L"selectedforeimage") {
    SetSelectedForeImage(value);
  } else if (n == L"selectedbkcolor") {
    SetSelectedBkColor(ParseColor(value));
  } else if (n == L"selectedtextcolor") {
    selectedTextColor_ = ParseColor(value);
  }
  CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintBkColor(QPainter& painter) {
  if (selected_ && selectedBkColor_) {
    painter.fillRect(rect(), ToQColor(selectedBkColor_));
    return;
  }
  CButtonUI::PaintBkColor(painter);
}

void COptionUI::PaintStatusImage(QPainter& painter) {
  if (selected_) {
    bool drawn = false;
    if ((state_ & UISTATE_PUSHED) && IsEnabled()) drawn = DrawImage(painter, selectedPushedImage_);
    if (!drawn && (state_ & UISTATE_HOT) && IsEnabled())
      drawn = DrawImage(painter, selectedHotImage_);
    if (!drawn) drawn = DrawImage(painter, selectedImage_);
    if (drawn) {
      if (!DrawImage(painter, selectedForeImage_)) DrawImage(painter, foreImage_);
      return;
    }
  }
  CButtonUI::PaintStatusImage(painter);
}

void COptionUI::PaintText(QPainter& painter) {
  if (selected_ && selectedTextColor_) {
    DrawText(painter, GetText(), selectedTextColor_);
    return;
  }
  CButtonUI::PaintText(painter);
}

bool CCheckBoxUI::Activate() {
  if (!COptionUI::Activate()) return false;
  RaiseNotify(L"checkclick", IsSelected() ? 1 : 0, 0);
  return true;
}
