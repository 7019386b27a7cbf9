#include "panels/toolkit/combo.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "panels/toolkit/paint_manager.h"

CComboUI::CComboUI(QWidget* parent) : CContainerUI(parent) { setFocusPolicy(Qt::ClickFocus); }

CComboUI::~CComboUI() { delete dropDown_; }

void CComboUI::Reindex() {
  for (int i = 0; i < GetCount(); ++i) {
    if (auto* item = dynamic_cast<IListItemUI*>(GetItemAt(i))) item->SetIndex(i);
  }
}

bool CComboUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CComboUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  control->SetInternVisible(false);  // items show in the drop-down only
  if (auto* item = dynamic_cast<IListItemUI*>(control)) {
    item->SetOwner(this);
    item->SetSelectedFlag(false);
  }
  if (curSel_ >= index && GetCount() > 1) ++curSel_;
  Reindex();
  return true;
}

bool CComboUI::Remove(CControlUI* control, bool doNotDestroy) {
  return RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CComboUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = GetItemAt(index);
  if (!control) return false;
  if (auto* item = dynamic_cast<IListItemUI*>(control)) item->SetOwner(nullptr);
  if (doNotDestroy) control->SetInternVisible(true);
  if (!CContainerUI::RemoveAt(index, doNotDestroy)) return false;
  if (index == curSel_) {
    curSel_ = -1;
  } else if (index < curSel_) {
    --curSel_;
  }
  Reindex();
  update();
  return true;
}

void CComboUI::RemoveAll() {
  curSel_ = -1;
  CContainerUI::RemoveAll();
  update();
}

std::wstring CComboUI::GetText() const {
  CControlUI* item = GetItemAt(curSel_);
  return item ? item->GetText() : std::wstring();
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool triggerEvent) {
  (void)takeFocus;
  if (index < -1 || index >= GetCount()) return false;
  if (index == curSel_) return true;
  const int old = curSel_;
  if (auto* prev = dynamic_cast<IListItemUI*>(GetItemAt(old))) prev->SetSelectedFlag(false);
  curSel_ = index;
  if (auto* item = dynamic_cast<IListItemUI*>(GetItemAt(index))) item->SetSelectedFlag(true);
  update();
  if (triggerEvent) RaiseNotify(L"itemselect", static_cast<WPARAM>(index), old);
  return true;
}

bool CComboUI::Activate() {
  if (!CControlUI::Activate()) return false;
  ShowDropDown();
  return true;
}

void CComboUI::ShowDropDown() {
  if (!dropDown_) {
    dropDown_ = new QListWidget();
    dropDown_->setWindowFlags(Qt::Popup);
    QObject::connect(dropDown_, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) {
      const int index = it->data(Qt::UserRole).toInt();
      CloseDropDown();
      SelectItem(index, false, true);
    });
  }
  dropDown_->clear();
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* c = GetItemAt(i);
    if (!c->IsVisible()) continue;
    auto* row = new QListWidgetItem(ToQ(c->GetText()), dropDown_);
    row->setData(Qt::UserRole, i);
    if (i == curSel_) dropDown_->setCurrentItem(row);
  }
  const int w = dropBox_.width() > 0 ? Scale(dropBox_.width()) : width();
  dropDown_->setGeometry(
      QRect(mapToGlobal(QPoint(0, height())), QSize(w, Scale(dropBox_.height()))));
  dropDown_->show();
  RaiseNotify(L"dropdown");
}

void CComboUI::CloseDropDown() {
  if (dropDown_) dropDown_->hide();
}

bool CComboUI::IsDropDownOpen() const { return dropDown_ && dropDown_->isVisible(); }

void CComboUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (info_.SetAttribute(name, value)) {
  } else if (n == L"normalimage") {
    normalImage_ = value;
  } else if (n == L"hotimage") {
    hotImage_ = value;
  } else if (n == L"pushedimage") {
    pushedImage_ = value;
  } else if (n == L"disabledimage") {
    disabledImage_ = value;
  } else if (n == L"dropboxsize") {
    dropBox_ = ParseSize(value);
  } else if (n == L"textpadding") {
    textPadding_ = ParseMargins(value);
  }
  CContainerUI::SetAttribute(name, value);
  update();
}

void CComboUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !IsEnabled()) {
    event->ignore();
    return;
  }
  pushed_ = true;
  update();
}

void CComboUI::mouseReleaseEvent(QMouseEvent* event) {
  if (!pushed_) {
    event->ignore();
    return;
  }
  pushed_ = false;
  update();
  if (rect().contains(event->position().toPoint())) Activate();
}

void CComboUI::enterEvent(QEnterEvent* event) {
  (void)event;
  hot_ = IsEnabled();
  update();
}

void CComboUI::leaveEvent(QEvent* event) {
  (void)event;
  hot_ = false;
  update();
}

void CComboUI::wheelEvent(QWheelEvent* event) { event->ignore(); }

int CComboUI::DoLayout(const QRect& inner) {
  (void)inner;
  return 0;
}

void CComboUI::PaintStatusImage(QPainter& painter) {
  bool drawn = false;
  if (!IsEnabled()) {
    drawn = DrawImage(painter, disabledImage_);
  } else if (pushed_) {
    drawn = DrawImage(painter, pushedImage_);
  } else if (hot_) {
    drawn = DrawImage(painter, hotImage_);
  }
  if (!drawn) DrawImage(painter, normalImage_);
}

void CComboUI::PaintText(QPainter& painter) {
  const std::wstring text = GetText();
  if (text.empty()) return;
  painter.setFont(ResolveFont());
  const std::uint32_t color = textColor_ ? textColor_ : info_.textColor;
  painter.setPen(color ? ToQColor(color) : QColor(Qt::black));
  const QMargins pad(Scale(textPadding_.left()), Scale(textPadding_.top()),
                     Scale(textPadding_.right()), Scale(textPadding_.bottom()));
  painter.drawText(rect().marginsRemoved(pad), static_cast<int>(info_.align), ToQ(text));
}
