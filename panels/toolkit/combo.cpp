#include "panels/toolkit/combo.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>

#include "panels/toolkit/paint_manager.h"

namespace {
// Draws the drop-down's rows with the combo's item controls.
class ComboRowDelegate : public QStyledItemDelegate {
 public:
  ComboRowDelegate(CComboUI* combo, QObject* parent) : QStyledItemDelegate(parent), combo_(combo) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    CControlUI* item = combo_->GetItemAt(index.data(Qt::UserRole).toInt());
    if (!item) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    combo_->PaintDropDownRow(*painter, option.rect, item,
                             option.state & (QStyle::State_Selected | QStyle::State_MouseOver));
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    CControlUI* item = combo_->GetItemAt(index.data(Qt::UserRole).toInt());
    return QSize(option.rect.width(), combo_->DropDownRowHeight(item));
  }

 private:
  CComboUI* combo_;
};

QString CssColor(std::uint32_t argb) {
  const QColor c = ToQColor(argb);
  return QStringLiteral("rgba(%1,%2,%3,%4)")
      .arg(c.red())
      .arg(c.green())
      .arg(c.blue())
      .arg(c.alpha());
}
}  // namespace

CComboUI::CComboUI(QWidget* parent) : CContainerUI(parent) { setFocusPolicy(Qt::StrongFocus); }

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

int CComboUI::DropDownRowHeight(CControlUI* item) const {
  if (item) {
    const int fixed = item->EstimateSize(QSize(width(), 0)).height();
    if (fixed > 0) return fixed;
  }
  const QFont f = manager_ ? manager_->GetFont(info_.font) : font();
  const int text =
      QFontMetrics(f).height() + Scale(info_.textPadding.top()) + Scale(info_.textPadding.bottom());
  return std::max(Scale(24), text + Scale(8));
}

void CComboUI::PaintDropDownRow(QPainter& painter, const QRect& r, CControlUI* item, bool hot) {
  // The item paints itself as a row of this size, with the hot flag of the
  // row and the selected flag of the combo's choice.
  auto* face = dynamic_cast<IListItemUI*>(item);
  const bool wasHot = face && face->IsHot();
  const bool wasSelected = face && face->IsSelected();
  if (face) {
    face->SetHotFlag(hot);
    face->SetSelectedFlag(face->GetIndex() == curSel_);
  }
  if (item->size() != r.size()) item->resize(r.size());
  item->render(&painter, r.topLeft(), QRegion(), QWidget::DrawChildren);
  if (face) {
    face->SetHotFlag(wasHot);
    face->SetSelectedFlag(wasSelected);
  }
}

void CComboUI::ShowDropDown() {
  if (!dropDown_) {
    dropDown_ = new QListWidget();
    dropDown_->setWindowFlags(Qt::Popup);
    dropDown_->setItemDelegate(new ComboRowDelegate(this, dropDown_));
    dropDown_->setMouseTracking(true);
    dropDown_->setSelectionMode(QAbstractItemView::SingleSelection);
    dropDown_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dropDown_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    dropDown_->installEventFilter(this);
    QObject::connect(dropDown_, &QListWidget::itemClicked, this,
                     [this](QListWidgetItem*) { PickFromDropDown(); });
    // The row under the mouse is the one the keys move from.
    QObject::connect(dropDown_, &QListWidget::itemEntered, this,
                     [this](QListWidgetItem* it) { dropDown_->setCurrentItem(it); });
  }
  dropDown_->clear();
  const int w = dropBox_.width() > 0 ? Scale(dropBox_.width()) : width();
  int rows = 0;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* c = GetItemAt(i);
    if (!c->IsVisible()) continue;
    auto* row = new QListWidgetItem(ToQ(c->GetText()), dropDown_);
    row->setData(Qt::UserRole, i);
    row->setSizeHint(QSize(w, DropDownRowHeight(c)));
    rows += row->sizeHint().height();
    if (!c->IsEnabled()) row->setFlags(row->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    if (i == curSel_) dropDown_->setCurrentItem(row);
  }
  if (!dropDown_->currentItem() && dropDown_->count() > 0) dropDown_->setCurrentRow(0);

  const std::uint32_t back = info_.bkColor ? info_.bkColor : bkColor_;
  const std::uint32_t line = borderColor_ ? borderColor_ : info_.lineColor;
  const int bar = std::max(6, Scale(10));
  dropDown_->setStyleSheet(
      QStringLiteral("QListWidget{border:1px solid %1;background:%2;outline:none;}")
          .arg(line ? CssColor(line) : QStringLiteral("rgba(128,128,128,160)"))
          .arg(back ? CssColor(back) : QStringLiteral("palette(base)")) +
      ScrollBarStyle(bar, Scale(24)));

  // As tall as the rows, at most the drop box; below the combo, or above
  // it when the screen has no room below.
  const int frame = 2;
  const int limit = dropBox_.height() > 0 ? Scale(dropBox_.height()) : rows + frame;
  const int h = std::min(rows + frame, std::max(limit, Scale(24)));
  QPoint at = mapToGlobal(QPoint(0, height()));
  if (const QScreen* s = screen()) {
    const QRect avail = s->availableGeometry();
    const QPoint top = mapToGlobal(QPoint(0, 0));
    if (at.y() + h > avail.bottom() + 1 && top.y() - avail.top() > avail.bottom() + 1 - at.y())
      at.setY(top.y() - h);
    at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() + 1 - w)));
  }
  dropDown_->setGeometry(QRect(at, QSize(w, h)));
  dropDown_->show();
  dropDown_->setFocus(Qt::PopupFocusReason);
  if (dropDown_->currentItem()) dropDown_->scrollToItem(dropDown_->currentItem());
  RaiseNotify(L"dropdown");
}

void CComboUI::PickFromDropDown() {
  QListWidgetItem* it = dropDown_ ? dropDown_->currentItem() : nullptr;
  if (it && !(it->flags() & Qt::ItemIsEnabled)) return;
  const int index = it ? it->data(Qt::UserRole).toInt() : -1;
  CloseDropDown();
  if (index >= 0) SelectItem(index, false, true);
}

int CComboUI::NextShown(int index, int step) const {
  for (int i = index + step; i >= 0 && i < GetCount(); i += step) {
    CControlUI* c = GetItemAt(i);
    if (c->IsVisible() && c->IsEnabled()) return i;
  }
  return -1;
}

void CComboUI::keyPressEvent(QKeyEvent* event) {
  SetKeyboardFocus(true);
  const int key = event->key();
  const auto mods = event->modifiers() & ~Qt::KeypadModifier;
  if (!IsEnabled()) {
    CContainerUI::keyPressEvent(event);
    return;
  }
  if (key == Qt::Key_F4 || (key == Qt::Key_Space && !mods) ||
      ((key == Qt::Key_Down || key == Qt::Key_Up) && mods == Qt::AltModifier)) {
    Activate();
    return;
  }
  if (mods) {
    CContainerUI::keyPressEvent(event);
    return;
  }
  const int count = GetCount();
  int target = -1;
  switch (key) {
    case Qt::Key_Up:
      target = NextShown(curSel_ < 0 ? count : curSel_, -1);
      break;
    case Qt::Key_Down:
      target = NextShown(curSel_, 1);
      break;
    case Qt::Key_Home:
    case Qt::Key_PageUp:
      target = NextShown(-1, 1);
      break;
    case Qt::Key_End:
    case Qt::Key_PageDown:
      target = NextShown(count, -1);
      break;
    default:
      CContainerUI::keyPressEvent(event);
      return;
  }
  if (target >= 0) SelectItem(target, false, true);
  event->accept();
}

bool CComboUI::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dropDown_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Space:
        PickFromDropDown();
        return true;
      case Qt::Key_Escape:
      case Qt::Key_F4:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        CloseDropDown();
        return true;
      default:
        break;
    }
  }
  return CContainerUI::eventFilter(watched, event);
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
  PaintFocusFrame(painter, rect());
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
