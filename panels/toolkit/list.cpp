#include "panels/toolkit/list.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "panels/toolkit/image_string.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"

bool TListInfoUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"itemfont") {
    font = ParseInt(value);
  } else if (n == L"itemalign") {
    if (value.find(L"center") != std::wstring::npos) {
      align = Qt::AlignHCenter | Qt::AlignVCenter;
    } else if (value.find(L"right") != std::wstring::npos) {
      align = Qt::AlignRight | Qt::AlignVCenter;
    } else {
      align = Qt::AlignLeft | Qt::AlignVCenter;
    }
  } else if (n == L"itemtextpadding") {
    textPadding = ParseMargins(value);
  } else if (n == L"itemtextcolor") {
    textColor = ParseColor(value);
  } else if (n == L"itembkcolor") {
    bkColor = ParseColor(value);
  } else if (n == L"itembkimage") {
    bkImage = value;
  } else if (n == L"itemselectedtextcolor") {
    selectedTextColor = ParseColor(value);
  } else if (n == L"itemselectedbkcolor") {
    selectedBkColor = ParseColor(value);
  } else if (n == L"itemselectedimage") {
    selectedImage = value;
  } else if (n == L"itemhottextcolor") {
    hotTextColor = ParseColor(value);
  } else if (n == L"itemhotbkcolor") {
    hotBkColor = ParseColor(value);
  } else if (n == L"itemhotimage") {
    hotImage = value;
  } else if (n == L"itemdisabledtextcolor") {
    disabledTextColor = ParseColor(value);
  } else if (n == L"itemlinecolor") {
    lineColor = ParseColor(value);
  } else {
    return false;
  }
  return true;
}

bool IListItemUI::Select(bool select, bool triggerEvent) {
  if (!owner_) {
    selected_ = select;
    return true;
  }
  if (select) return owner_->SelectItem(index_, false, triggerEvent);
  return owner_->UnSelectItem(index_);
}

bool IListItemUI::SelectMulti(bool select) {
  if (!owner_) {
    selected_ = select;
    return true;
  }
  if (select) return owner_->SelectMultiItem(index_);
  return owner_->UnSelectItem(index_);
}

namespace {
// Event handling shared by text items and container rows.
void ItemPress(CControlUI* self, IListItemUI* item, QMouseEvent* event) {
  if (!self->IsEnabled() || event->button() != Qt::LeftButton) return;
  IListOwnerUI* owner = item->GetOwner();
  if (owner && owner->IsMultiSelect() && (event->modifiers() & Qt::ControlModifier)) {
    if (item->IsSelected()) {
      owner->UnSelectItem(item->GetIndex());
    } else {
      owner->SelectMultiItem(item->GetIndex());
    }
  } else {
    item->Select(true);
  }
  self->update();
}

void ItemRelease(CControlUI* self, QMouseEvent* event) {
  if (!self->IsEnabled() || event->button() != Qt::LeftButton) return;
  self->RaiseNotify(L"itemclick");
}

void ItemContextMenu(CControlUI* self, QContextMenuEvent* event) {
  if (!self->IsContextMenuUsed() || !self->IsEnabled()) return;
  const QPoint p = event->pos();
  self->RaiseNotify(L"menu", static_cast<WPARAM>(event->modifiers()),
                    static_cast<LPARAM>((p.x() & 0xFFFF) | ((p.y() & 0xFFFF) << 16)));
}

void PaintItemBackground(CControlUI* self, IListItemUI* item, QPainter& painter) {
  TListInfoUI* info = item->GetOwner() ? item->GetOwner()->GetListInfo() : nullptr;
  if (!info) return;
  std::uint32_t color = info->bkColor;
  if (item->IsSelected() && info->selectedBkColor) {
    color = info->selectedBkColor;
  } else if (item->IsHot() && info->hotBkColor) {
    color = info->hotBkColor;
  }
  if (color) painter.fillRect(self->rect(), ToQColor(color));
}

// The current item of a list that has the keyboard focus shows the focus frame.
void PaintItemFocus(CControlUI* self, IListItemUI* item, QPainter& painter) {
  auto* list = dynamic_cast<CListUI*>(item->GetOwner());
  if (list && list->HasKeyboardFocus() && list->GetCurSel() == item->GetIndex())
    self->DrawFocusFrame(painter, self->rect());
}

void PaintItemImage(CControlUI* self, IListItemUI* item, QPainter& painter) {
  TListInfoUI* info = item->GetOwner() ? item->GetOwner()->GetListInfo() : nullptr;
  if (!info) return;
  if (item->IsSelected() && self->DrawImage(painter, info->selectedImage)) return;
  if (item->IsHot() && self->DrawImage(painter, info->hotImage)) return;
  self->DrawImage(painter, info->bkImage);
}
}  // namespace

// Items take no focus of their own: a click focuses the list around them.
CListElementUI::CListElementUI(QWidget* parent) : CControlUI(parent) {}

bool CListElementUI::Activate() {
  if (!CControlUI::Activate()) return false;
  RaiseNotify(L"itemactivate");
  return true;
}

void CListElementUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (EqualsNoCase(name, L"selected")) IListItemUI::Select(ParseBool(value), false);
  CControlUI::SetAttribute(name, value);
}

void CListElementUI::mousePressEvent(QMouseEvent* event) { ItemPress(this, this, event); }
void CListElementUI::mouseReleaseEvent(QMouseEvent* event) { ItemRelease(this, event); }
void CListElementUI::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!IsEnabled() || event->button() != Qt::LeftButton) return;
  if (!selected_) Select(true);
  Activate();
}
void CListElementUI::enterEvent(QEnterEvent* event) {
  (void)event;
  if (IsEnabled()) hot_ = true;
  update();
}
void CListElementUI::leaveEvent(QEvent* event) {
  (void)event;
  hot_ = false;
  update();
}
void CListElementUI::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return && IsEnabled()) {
    Activate();
    return;
  }
  CControlUI::keyPressEvent(event);
}
void CListElementUI::contextMenuEvent(QContextMenuEvent* event) { ItemContextMenu(this, event); }
void CListElementUI::DoPaint(QPainter& painter) {
  CControlUI::DoPaint(painter);
  PaintItemFocus(this, this, painter);
}
void CListElementUI::PaintBkColor(QPainter& painter) {
  CControlUI::PaintBkColor(painter);
  PaintItemBackground(this, this, painter);
}
void CListElementUI::PaintStatusImage(QPainter& painter) { PaintItemImage(this, this, painter); }

void CListLabelElementUI::DrawItemText(QPainter& painter, const QRect& r,
                                       const std::wstring& text) {
  if (text.empty()) return;
  TListInfoUI* info = owner_ ? owner_->GetListInfo() : nullptr;
  TListInfoUI fallback;
  if (!info) info = &fallback;
  std::uint32_t color = textColor_ ? textColor_ : info->textColor;
  if (!IsEnabled() && info->disabledTextColor) {
    color = info->disabledTextColor;
  } else if (selected_ && info->selectedTextColor) {
    color = info->selectedTextColor;
  } else if (hot_ && info->hotTextColor) {
    color = info->hotTextColor;
  }
  QFont f = manager_ ? manager_->GetFont(font_ >= 0 ? font_ : info->font) : font();
  painter.setFont(f);
  painter.setPen(color ? ToQColor(color) : QColor(Qt::black));
  const QMargins& tp = info->textPadding;
  painter.drawText(r.marginsRemoved(QMargins(Scale(tp.left()), Scale(tp.top()), Scale(tp.right()),
                                             Scale(tp.bottom()))),
                   static_cast<int>(info->align), ToQ(text));
}

void CListLabelElementUI::PaintText(QPainter& painter) { DrawItemText(painter, rect(), GetText()); }

std::wstring CListTextElementUI::GetText(int column) const {
  if (column == 0) return GetRawText();
  if (column < 0 || column >= static_cast<int>(columns_.size())) return std::wstring();
  return columns_[column];
}

void CListTextElementUI::SetText(int column, const std::wstring& text) {
  if (column < 0) return;
  if (column >= static_cast<int>(columns_.size())) columns_.resize(column + 1);
  columns_[column] = text;
  if (column == 0) CListLabelElementUI::SetText(text);
  update();
}

void CListTextElementUI::PaintText(QPainter& painter) {
  const int count = std::max<int>(1, static_cast<int>(columns_.size()));
  const int w = width() / count;
  for (int i = 0; i < count; ++i) {
    std::wstring t = i == 0 ? CListLabelElementUI::GetText() : columns_[i];
    if (resourceText_ && i > 0) t = CResourceManager::GetInstance().Translate(t);
    DrawItemText(painter, QRect(i * w, 0, w, height()), t);
  }
}

CListContainerElementUI::CListContainerElementUI(QWidget* parent) : CHorizontalLayoutUI(parent) {}

bool CListContainerElementUI::Activate() {
  if (!CControlUI::Activate()) return false;
  RaiseNotify(L"itemactivate");
  return true;
}

void CListContainerElementUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (EqualsNoCase(name, L"selected")) IListItemUI::Select(ParseBool(value), false);
  CHorizontalLayoutUI::SetAttribute(name, value);
}

void CListContainerElementUI::mousePressEvent(QMouseEvent* event) { ItemPress(this, this, event); }
void CListContainerElementUI::mouseReleaseEvent(QMouseEvent* event) { ItemRelease(this, event); }
void CListContainerElementUI::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!IsEnabled() || event->button() != Qt::LeftButton) return;
  if (!selected_) Select(true);
  Activate();
}
void CListContainerElementUI::enterEvent(QEnterEvent* event) {
  (void)event;
  if (IsEnabled()) hot_ = true;
  update();
}
void CListContainerElementUI::leaveEvent(QEvent* event) {
  (void)event;
  hot_ = false;
  update();
}
void CListContainerElementUI::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return && IsEnabled()) {
    Activate();
    return;
  }
  CHorizontalLayoutUI::keyPressEvent(event);
}
void CListContainerElementUI::contextMenuEvent(QContextMenuEvent* event) {
  ItemContextMenu(this, event);
}
void CListContainerElementUI::DoPaint(QPainter& painter) {
  CHorizontalLayoutUI::DoPaint(painter);
  PaintItemFocus(this, this, painter);
}
void CListContainerElementUI::PaintBkColor(QPainter& painter) {
  CHorizontalLayoutUI::PaintBkColor(painter);
  PaintItemBackground(this, this, painter);
}
void CListContainerElementUI::PaintStatusImage(QPainter& painter) {
  PaintItemImage(this, this, painter);
}

CListUI::CListUI(QWidget* parent) : CVerticalLayoutUI(parent) {
  EnableScrollBar(true);
  setFocusPolicy(Qt::StrongFocus);
}

int CListUI::NextSelectable(int index, int step) const {
  for (int i = index + step; i >= 0 && i < GetCount(); i += step) {
    CControlUI* c = GetItemAt(i);
    if (ItemFace(i) && c->IsVisible() && c->IsEnabled()) return i;
  }
  return -1;
}

void CListUI::keyPressEvent(QKeyEvent* event) {
  SetKeyboardFocus(true);
  if (forwardingKey_ ||
      (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    CVerticalLayoutUI::keyPressEvent(event);
    return;
  }
  const int count = GetCount();
  int target = -1;
  switch (event->key()) {
    case Qt::Key_Up:
      target = NextSelectable(curSel_ < 0 ? count : curSel_, -1);
      break;
    case Qt::Key_Down:
      target = NextSelectable(curSel_, 1);
      break;
    case Qt::Key_Home:
      target = NextSelectable(-1, 1);
      break;
    case Qt::Key_End:
      target = NextSelectable(count, -1);
      break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
      // As many items as fit in the view, or at least one.
      const int step = event->key() == Qt::Key_PageDown ? 1 : -1;
      CControlUI* current = GetItemAt(curSel_);
      const int row = std::max(1, current ? current->height() : Scale(30));
      int moves = std::max(1, ViewRect().height() / row);
      target = curSel_ < 0 ? NextSelectable(step > 0 ? -1 : count, step) : curSel_;
      for (int next = target; moves > 0 && next >= 0; --moves) {
        next = NextSelectable(target, step);
        if (next >= 0) target = next;
      }
      break;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // The current item answers Return as it would with the focus itself.
      if (CControlUI* item = GetItemAt(curSel_)) {
        forwardingKey_ = true;
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text());
        QCoreApplication::sendEvent(item, &copy);
        forwardingKey_ = false;
        event->setAccepted(copy.isAccepted());
        return;
      }
      event->ignore();
      return;
    default:
      CVerticalLayoutUI::keyPressEvent(event);
      return;
  }
  if (target >= 0 && target != curSel_) SelectItem(target, false, true);
  event->accept();
}

void CListUI::focusInEvent(QFocusEvent* event) {
  CVerticalLayoutUI::focusInEvent(event);
  if (CControlUI* current = GetItemAt(curSel_)) current->update();
}

void CListUI::focusOutEvent(QFocusEvent* event) {
  CVerticalLayoutUI::focusOutEvent(event);
  if (CControlUI* current = GetItemAt(curSel_)) current->update();
}

IListItemUI* CListUI::ItemFace(int index) const {
  return dynamic_cast<IListItemUI*>(GetItemAt(index));
}

void CListUI::Reindex() {
  for (int i = 0; i < GetCount(); ++i) {
    if (IListItemUI* item = ItemFace(i)) item->SetIndex(i);
  }
}

bool CListUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!CVerticalLayoutUI::AddAt(control, index)) return false;
  IListItemUI* item = dynamic_cast<IListItemUI*>(control);
  if (item) item->SetOwner(this);
  if (index == GetCount() - 1) {
    if (item) item->SetIndex(index);
  } else {
    Reindex();
    if (curSel_ >= index) ++curSel_;
  }
  // An item that arrives selected (its "selected" attribute) becomes the
  // list's selection, without a notification.
  if (item && item->IsSelected()) {
    item->SetSelectedFlag(false);
    if (multiSelect_) {
      SelectMultiItem(index, false);
    } else {
      SelectItem(index, false, false);
    }
  }
  return true;
}

bool CListUI::Remove(CControlUI* control, bool doNotDestroy) {
  return RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CListUI::RemoveAt(int index, bool doNotDestroy) {
  if (!GetItemAt(index)) return false;
  if (IListItemUI* item = ItemFace(index)) {
    item->SetOwner(nullptr);
    item->SetSelectedFlag(false);
  }
  if (!CVerticalLayoutUI::RemoveAt(index, doNotDestroy)) return false;
  if (index == curSel_) {
    curSel_ = -1;
  } else if (index < curSel_) {
    --curSel_;
  }
  Reindex();
  return true;
}

void CListUI::RemoveAll() {
  curSel_ = -1;
  CVerticalLayoutUI::RemoveAll();
}

bool CListUI::SelectItem(int index, bool takeFocus, bool triggerEvent) {
  if (index < -1 || index >= GetCount()) return false;
  if (index >= 0 && !ItemFace(index)) return false;
  if (index == curSel_ && (index < 0 || ItemFace(index)->IsSelected())) {
    // Already current; with multi-select the others are still cleared.
    if (multiSelect_) UnSelectItem(index, true);
    return true;
  }
  const int old = curSel_;
  for (int i = 0; i < GetCount(); ++i) {
    if (IListItemUI* item = ItemFace(i); item && item->IsSelected()) {
      item->SetSelectedFlag(false);
      GetItemAt(i)->update();
    }
  }
  curSel_ = index;
  if (index >= 0) {
    ItemFace(index)->SetSelectedFlag(true);
    CControlUI* control = GetItemAt(index);
    control->update();
    if (takeFocus) setFocus(Qt::OtherFocusReason);
    EnsureVisible(index);
  }
  if (triggerEvent) RaiseNotify(L"itemselect", static_cast<WPARAM>(index), old);
  return true;
}

bool CListUI::SelectItemActivate(int index) {
  if (!SelectItem(index, true)) return false;
  CControlUI* control = GetItemAt(index);
  return control && control->Activate();
}

bool CListUI::SelectMultiItem(int index, bool triggerEvent) {
  if (!multiSelect_) return SelectItem(index, false, triggerEvent);
  IListItemUI* item = ItemFace(index);
  if (!item) return false;
  if (item->IsSelected()) return true;
  const int old = curSel_;
  item->SetSelectedFlag(true);
  curSel_ = index;
  GetItemAt(index)->update();
  if (triggerEvent) RaiseNotify(L"itemselect", static_cast<WPARAM>(index), old);
  return true;
}

bool CListUI::UnSelectItem(int index, bool others) {
  if (others) {
    for (int i = 0; i < GetCount(); ++i) {
      if (i == index) continue;
      if (IListItemUI* item = ItemFace(i); item && item->IsSelected()) {
        item->SetSelectedFlag(false);
        GetItemAt(i)->update();
      }
    }
    return true;
  }
  IListItemUI* item = ItemFace(index);
  if (!item) return false;
  item->SetSelectedFlag(false);
  GetItemAt(index)->update();
  if (curSel_ == index) {
    curSel_ = -1;
    for (int i = 0; i < GetCount(); ++i) {
      if (IListItemUI* other = ItemFace(i); other && other->IsSelected()) curSel_ = i;
    }
  }
  return true;
}

void CListUI::SetMultiSelect(bool on) {
  multiSelect_ = on;
  if (!on && curSel_ >= 0) UnSelectItem(curSel_, true);
}

std::vector<int> CListUI::GetSelectedItems() const {
  std::vector<int> out;
  for (int i = 0; i < GetCount(); ++i) {
    if (IListItemUI* item = ItemFace(i); item && item->IsSelected()) out.push_back(i);
  }
  return out;
}

void CListUI::EnsureVisible(int index) {
  CControlUI* control = GetItemAt(index);
  if (!control) return;
  Relayout();
  ScrollToShow(control);
}

void CListUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (info_.SetAttribute(name, value)) {
    CControlUI::SetAttribute(name, value);
    update();
    return;
  }
  if (EqualsNoCase(name, L"multiselect")) SetMultiSelect(ParseBool(value));
  CVerticalLayoutUI::SetAttribute(name, value);
}
