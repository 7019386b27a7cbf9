#include "panels/toolkit/container.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

#include "panels/toolkit/paint_manager.h"

CContainerUI::CContainerUI(QWidget* parent) : CControlUI(parent) {}

CContainerUI::~CContainerUI() {
  // Children are QWidget children and go with the widget; forget them first
  // so that their removal events find nothing to update.
  items_.clear();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[index];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  auto it = std::find(items_.begin(), items_.end(), control);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  int from = GetItemIndex(control);
  if (from < 0 || index < 0 || index >= GetCount()) return false;
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + index, control);
  NeedUpdate();
  return true;
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > GetCount()) return false;
  if (GetItemIndex(control) >= 0) return false;
  if (control->parentWidget() != this) control->setParent(this);
  items_.insert(items_.begin() + index, control);
  if (!mouseChildEnabled_) control->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  control->ApplyQtVisibility();
  if (manager_) control->SetManager(manager_, this, true);
  OnItemAdded(control);
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
  int index = GetItemIndex(control);
  if (index < 0) return false;
  return RemoveAt(index, doNotDestroy);
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = GetItemAt(index);
  if (!control) return false;
  items_.erase(items_.begin() + index);
  if (doNotDestroy) {
    control->hide();
    control->setParent(nullptr);
  } else {
    delete control;
  }
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  auto items = std::move(items_);
  items_.clear();
  for (CControlUI* c : items) delete c;
  scrollPos_ = 0;
  NeedUpdate();
}

void CContainerUI::SetInset(const QMargins& inset) {
  inset_ = inset;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  childPadding_ = padding;
  NeedUpdate();
}

void CContainerUI::SetChildAlign(Qt::Alignment align) {
  childAlign_ = align;
  NeedUpdate();
}

QRect CContainerUI::AlignInCell(const QRect& r, const QRect& cell) const {
  QRect out = r;
  if (childAlign_ & Qt::AlignHCenter) {
    out.moveLeft(cell.left() + (cell.width() - r.width()) / 2);
  } else if (childAlign_ & Qt::AlignRight) {
    out.moveLeft(cell.right() + 1 - r.width());
  }
  if (childAlign_ & Qt::AlignVCenter) {
    out.moveTop(cell.top() + (cell.height() - r.height()) / 2);
  } else if (childAlign_ & Qt::AlignBottom) {
    out.moveTop(cell.bottom() + 1 - r.height());
  }
  return out;
}

void CContainerUI::SetMouseChildEnabled(bool enabled) {
  mouseChildEnabled_ = enabled;
  for (CControlUI* c : items_)
    c->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled || !c->IsMouseEnabled());
}

QString CContainerUI::ScrollBarStyle(int width, int minHandle) {
  // A slim bar that reads on light and dark skins alike.
  return QStringLiteral(
             "QScrollBar:vertical{background:transparent;border:none;margin:0;width:%1px;}"
             "QScrollBar::handle:vertical{background:rgba(140,146,158,150);border-radius:%2px;"
             "min-height:%3px;margin:0 %4px;}"
             "QScrollBar::handle:vertical:hover,QScrollBar::handle:vertical:pressed{"
             "background:rgba(160,166,178,220);}"
             "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0;border:none;"
             "background:none;}"
             "QScrollBar::up-arrow:vertical,QScrollBar::down-arrow:vertical{width:0;height:0;"
             "background:none;}"
             "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:none;}")
      .arg(width)
      .arg(std::max(1, width / 2 - std::max(1, width / 5)))
      .arg(minHandle)
      .arg(std::max(1, width / 5));
}

void CContainerUI::EnableScrollBar(bool vertical) {
  vscroll_ = vertical;
  if (vertical && !vbar_) {
    vbar_ = new QScrollBar(Qt::Vertical, this);
    vbar_->setFocusPolicy(Qt::NoFocus);
    vbar_->hide();
    QObject::connect(vbar_, &QScrollBar::valueChanged, this, [this](int v) { SetScrollPos(v); });
  }
  if (!vertical && vbar_) vbar_->hide();
  NeedUpdate();
}

int CContainerUI::ScrollBarWidth() const { return std::max(6, Scale(10)); }

QRect CContainerUI::ViewRect() const {
  QRect r = InnerRect();
  if (vbar_ && !vbar_->isHidden()) r.setRight(r.right() - ScrollBarWidth());
  return r;
}

void CContainerUI::UpdateScrollBar(const QRect& inner) {
  if (!vbar_) return;
  const bool show = vscroll_ && scrollRange_ > 0;
  if (show) {
    const int w = ScrollBarWidth();
    const QString style = ScrollBarStyle(w, Scale(24));
    if (vbar_->styleSheet() != style) vbar_->setStyleSheet(style);
    const QSignalBlocker quiet(vbar_);
    vbar_->setRange(0, scrollRange_);
    vbar_->setPageStep(std::max(1, inner.height()));
    vbar_->setSingleStep(Scale(30));
    vbar_->setValue(scrollPos_);
    vbar_->setGeometry(inner.right() + 1 - w, inner.top(), w, inner.height());
    vbar_->raise();
  }
  if (show == vbar_->isHidden()) vbar_->setVisible(show);
}

void CContainerUI::SetScrollPos(int pos) {
  pos = std::clamp(pos, 0, std::max(0, scrollRange_));
  if (pos == scrollPos_) return;
  scrollPos_ = pos;
  Relayout();
}

void CContainerUI::LineUp() { SetScrollPos(scrollPos_ - Scale(30)); }
void CContainerUI::LineDown() { SetScrollPos(scrollPos_ + Scale(30)); }
void CContainerUI::PageUp() { SetScrollPos(scrollPos_ - std::max(1, ViewRect().height())); }
void CContainerUI::PageDown() { SetScrollPos(scrollPos_ + std::max(1, ViewRect().height())); }

void CContainerUI::ScrollToShow(QWidget* widget) {
  if (!vscroll_ || scrollRange_ <= 0 || !widget || !isAncestorOf(widget)) return;
  const QRect view = ViewRect();
  const QRect r(widget->mapTo(this, QPoint(0, 0)), widget->size());
  if (r.top() < view.top()) {
    SetScrollPos(scrollPos_ - (view.top() - r.top()));
  } else if (r.bottom() > view.bottom()) {
    // A widget taller than the view shows its top.
    SetScrollPos(scrollPos_ + std::min(r.bottom() - view.bottom(), r.top() - view.top()));
  }
}

void CContainerUI::ScrollIntoView(QWidget* widget) {
  // Inner containers first, so that the outer ones see the final place.
  for (QWidget* p = widget ? widget->parentWidget() : nullptr; p; p = p->parentWidget()) {
    if (auto* c = dynamic_cast<CContainerUI*>(p)) c->ScrollToShow(widget);
  }
}

CControlUI* CContainerUI::FindSubControl(const std::wstring& name) const {
  if (name.empty()) return nullptr;
  // Qt's own children (edit fields, scroll bars) are not controls.
  for (QWidget* w : findChildren<QWidget*>(ToQ(name))) {
    auto* c = dynamic_cast<CControlUI*>(w);
    if (c && c->GetName() == name) return c;
  }
  return nullptr;
}

void CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"inset") {
    SetInset(ParseMargins(value));
  } else if (n == L"childpadding") {
    SetChildPadding(ParseInt(value));
  } else if (n == L"mousechild") {
    SetMouseChildEnabled(ParseBool(value));
  } else if (n == L"vscrollbar") {
    EnableScrollBar(ParseBool(value));
  } else if (n == L"childalign") {
    Qt::Alignment h = Qt::AlignLeft;
    if (value == L"center") h = Qt::AlignHCenter;
    if (value == L"right") h = Qt::AlignRight;
    SetChildAlign((childAlign_ & Qt::AlignVertical_Mask) | h);
  } else if (n == L"childvalign") {
    Qt::Alignment v = Qt::AlignTop;
    if (value == L"vcenter" || value == L"center") v = Qt::AlignVCenter;
    if (value == L"bottom") v = Qt::AlignBottom;
    SetChildAlign((childAlign_ & Qt::AlignHorizontal_Mask) | v);
  }
  CControlUI::SetAttribute(name, value);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  // Children first: a container's DoInit may look its children up.
  for (CControlUI* c : items_) c->SetManager(manager, this, init);
  CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetEnabled(bool enabled) { CControlUI::SetEnabled(enabled); }

void CContainerUI::NeedUpdate() {
  QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

bool CContainerUI::event(QEvent* event) {
  if (event->type() == QEvent::LayoutRequest) {
    Relayout();
    return true;
  }
  return CControlUI::event(event);
}

void CContainerUI::resizeEvent(QResizeEvent* event) {
  CControlUI::resizeEvent(event);
  Relayout();
}

void CContainerUI::keyPressEvent(QKeyEvent* event) {
  if (!vscroll_ || scrollRange_ <= 0 || (event->modifiers() & ~Qt::KeypadModifier)) {
    CControlUI::keyPressEvent(event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Up:
      LineUp();
      break;
    case Qt::Key_Down:
      LineDown();
      break;
    case Qt::Key_PageUp:
      PageUp();
      break;
    case Qt::Key_PageDown:
      PageDown();
      break;
    case Qt::Key_Home:
      SetScrollPos(0);
      break;
    case Qt::Key_End:
      SetScrollPos(scrollRange_);
      break;
    default:
      CControlUI::keyPressEvent(event);
      return;
  }
  event->accept();
}

void CContainerUI::wheelEvent(QWheelEvent* event) {
  if (!vscroll_ || scrollRange_ <= 0) {
    event->ignore();
    return;
  }
  if (event->angleDelta().y() > 0) {
    LineUp();
  } else if (event->angleDelta().y() < 0) {
    LineDown();
  }
  event->accept();
}

void CContainerUI::childEvent(QChildEvent* event) {
  if (event->type() == QEvent::ChildRemoved) {
    // A child deleted directly (not through Remove) leaves the item list.
    QObject* gone = event->child();
    auto it = std::find_if(items_.begin(), items_.end(),
                           [gone](CControlUI* c) { return static_cast<QObject*>(c) == gone; });
    if (it != items_.end()) {
      items_.erase(it);
      NeedUpdate();
    }
  }
  CControlUI::childEvent(event);
}

void CContainerUI::Relayout() {
  if (laying_) return;
  laying_ = true;
  QRect inner = InnerRect();
  int content = DoLayout(inner);
  int range = vscroll_ ? std::max(0, content - inner.height()) : 0;
  if (range > 0 && vbar_) {
    // The bar takes its width from the content, which may then grow taller.
    inner.setRight(inner.right() - ScrollBarWidth());
    content = DoLayout(inner);
    range = std::max(0, content - inner.height());
  }
  scrollRange_ = range;
  if (scrollPos_ > range) {
    scrollPos_ = range;
    DoLayout(inner);
  }
  UpdateScrollBar(InnerRect());
  if (vscroll_) ClipToView();
  laying_ = false;
  update();
}

void CContainerUI::ClipToView() {
  // Children scrolled partly out of the view would otherwise show (and take
  // clicks) in the inset around it.
  const QRect view = ViewRect();
  for (CControlUI* c : items_) {
    if (c->isHidden()) continue;
    const QRect g = c->geometry();
    const QRect shown = g & view;
    if (shown == g) {
      if (!c->mask().isEmpty()) c->clearMask();
    } else {
      c->setMask(shown.isEmpty() ? QRegion(-1, -1, 1, 1) : QRegion(shown.translated(-g.topLeft())));
    }
  }
}

QRect CContainerUI::InnerRect() const {
  QMargins in(Scale(inset_.left()), Scale(inset_.top()), Scale(inset_.right()),
              Scale(inset_.bottom()));
  return rect().marginsRemoved(in);
}

void CContainerUI::PlaceFloat(CControlUI* child, const QRect& inner) {
  (void)inner;
  const QRect p = child->GetFloatPos();
  child->setGeometry(Scale(p.left()), Scale(p.top()) - scrollPos_, Scale(p.width()),
                     Scale(p.height()));
}

QRect CContainerUI::PlaceInCell(CControlUI* child, const QRect& cell) const {
  const QMargins pad(Scale(child->GetPadding().left()), Scale(child->GetPadding().top()),
                     Scale(child->GetPadding().right()), Scale(child->GetPadding().bottom()));
  QRect r = cell.marginsRemoved(pad);
  const QRect padded = r;
  QSize sz = child->EstimateSize(r.size());
  if (sz.width() > 0) r.setWidth(sz.width());
  if (sz.height() > 0) r.setHeight(sz.height());
  return AlignInCell(r, padded);
}

int CContainerUI::DoLayout(const QRect& inner) {
  int bottom = 0;
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c, inner);
      continue;
    }
    QRect r = PlaceInCell(c, inner).translated(0, -scrollPos_);
    c->setGeometry(r);
    bottom = std::max(bottom, r.bottom() + 1 + scrollPos_ - inner.top());
  }
  return bottom;
}

namespace {
// Shares length among the children of a row or a column: fixed sizes are
// kept, the remainder is split evenly among the rest (within their limits).
struct Slot {
  CControlUI* control;
  int fixed;  // 0 = stretch
  int minimum;
  int maximum;
  int size = 0;
};

void Distribute(std::vector<Slot>& cells, int available) {
  int used = 0;
  int stretch = 0;
  for (auto& s : cells) {
    if (s.fixed > 0) {
      s.size = s.fixed;
      used += s.fixed;
    } else {
      ++stretch;
    }
  }
  int remain = std::max(0, available - used);
  // Stretch children bound by their limits take those first, the rest share.
  bool changed = true;
  std::vector<bool> done(cells.size(), false);
  while (changed && stretch > 0) {
    changed = false;
    const int share = remain / stretch;
    for (size_t i = 0; i < cells.size(); ++i) {
      auto& s = cells[i];
      if (s.fixed > 0 || done[i]) continue;
      int bounded = std::clamp(share, s.minimum, std::max(s.minimum, s.maximum));
      if (bounded != share) {
        s.size = bounded;
        remain = std::max(0, remain - bounded);
        --stretch;
        done[i] = true;
        changed = true;
      }
    }
  }
  if (stretch > 0) {
    const int share = remain / stretch;
    int extra = remain - share * stretch;
    for (size_t i = 0; i < cells.size(); ++i) {
      auto& s = cells[i];
      if (s.fixed > 0 || done[i]) continue;
      s.size = share + (extra-- > 0 ? 1 : 0);
    }
  }
}
}  // namespace

int CVerticalLayoutUI::DoLayout(const QRect& inner) {
  std::vector<Slot> cells;
  int paddingTotal = 0;
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c, inner);
      continue;
    }
    const QSize est = c->EstimateSize(inner.size());
    cells.push_back(
        Slot{c, est.height(), Scale(c->GetMinSize().height()),
             c->GetMaxSize().height() >= 9999 ? 1 << 20 : Scale(c->GetMaxSize().height())});
    paddingTotal += Scale(c->GetPadding().top() + c->GetPadding().bottom());
  }
  if (cells.empty()) return 0;
  paddingTotal += Scale(childPadding_) * static_cast<int>(cells.size() - 1);
  Distribute(cells, inner.height() - paddingTotal);
  int y = inner.top() - scrollPos_;
  for (auto& s : cells) {
    CControlUI* c = s.control;
    const QMargins pad = c->GetPadding();
    y += Scale(pad.top());
    const QRect full(inner.left() + Scale(pad.left()), y,
                     inner.width() - Scale(pad.left() + pad.right()), s.size);
    QRect cell = full;
    const QSize est = c->EstimateSize(inner.size());
    if (est.width() > 0) cell.setWidth(est.width());
    cell = AlignInCell(cell, full);
    cell.moveTop(y);
    c->setGeometry(cell);
    y += s.size + Scale(pad.bottom()) + Scale(childPadding_);
  }
  return y - Scale(childPadding_) + scrollPos_ - inner.top();
}

int CHorizontalLayoutUI::DoLayout(const QRect& inner) {
  std::vector<Slot> cells;
  int paddingTotal = 0;
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c, inner);
      continue;
    }
    const QSize est = c->EstimateSize(inner.size());
    cells.push_back(
        Slot{c, est.width(), Scale(c->GetMinSize().width()),
             c->GetMaxSize().width() >= 9999 ? 1 << 20 : Scale(c->GetMaxSize().width())});
    paddingTotal += Scale(c->GetPadding().left() + c->GetPadding().right());
  }
  if (cells.empty()) return 0;
  paddingTotal += Scale(childPadding_) * static_cast<int>(cells.size() - 1);
  Distribute(cells, inner.width() - paddingTotal);
  int x = inner.left();
  int bottom = 0;
  for (auto& s : cells) {
    CControlUI* c = s.control;
    const QMargins pad = c->GetPadding();
    x += Scale(pad.left());
    const QRect full(x, inner.top() + Scale(pad.top()) - scrollPos_, s.size,
                     inner.height() - Scale(pad.top() + pad.bottom()));
    QRect cell = full;
    const QSize est = c->EstimateSize(inner.size());
    if (est.height() > 0) cell.setHeight(est.height());
    cell = AlignInCell(cell, full);
    cell.moveLeft(x);
    c->setGeometry(cell);
    bottom = std::max(bottom, cell.bottom() + 1 + scrollPos_ - inner.top());
    x += s.size + Scale(pad.right()) + Scale(childPadding_);
  }
  return bottom;
}

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (curSel_ < 0) curSel_ = 0;
  ApplySelection();
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool doNotDestroy) {
  int index = GetItemIndex(control);
  if (!CContainerUI::Remove(control, doNotDestroy)) return false;
  if (GetCount() == 0) {
    curSel_ = -1;
  } else if (index < curSel_ || curSel_ >= GetCount()) {
    curSel_ = std::max(0, curSel_ - 1);
  }
  ApplySelection();
  return true;
}

void CTabLayoutUI::RemoveAll() {
  CContainerUI::RemoveAll();
  curSel_ = -1;
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == curSel_) return true;
  curSel_ = index;
  ApplySelection();
  return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control) { return SelectItem(GetItemIndex(control)); }

void CTabLayoutUI::ApplySelection() {
  for (int i = 0; i < GetCount(); ++i) items_[i]->SetInternVisible(i == curSel_);
  NeedUpdate();
}

void CTabLayoutUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (EqualsNoCase(name, L"selectedid")) {
    int index = ParseInt(value);
    if (!SelectItem(index)) curSel_ = index;  // pages come later in the build
  }
  CContainerUI::SetAttribute(name, value);
}
