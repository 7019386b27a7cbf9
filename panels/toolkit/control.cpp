#include "panels/toolkit/control.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "panels/toolkit/container.h"
#include "panels/toolkit/image_string.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"

CControlUI::CControlUI(QWidget* parent) : QWidget(parent) {}

CControlUI::~CControlUI() {
  if (manager_) manager_->UnregisterControl(this);
}

void CControlUI::SetName(const std::wstring& name) {
  name_ = name;
  setObjectName(ToQ(name));
}

std::wstring CControlUI::GetText() const {
  if (resourceText_ && !text_.empty()) return CResourceManager::GetInstance().Translate(text_);
  return text_;
}

void CControlUI::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  update();
}

void CControlUI::SetResourceText(bool on) {
  resourceText_ = on;
  update();
}

void CControlUI::SetToolTip(const std::wstring& text) {
  toolTip_ = text;
  setToolTip(ToQ(CResourceManager::GetInstance().Translate(text)));
}

void CControlUI::ApplyQtVisibility() {
  const bool show = visible_ && internVisible_;
  // A control is never a window of its own: without a parent it only keeps
  // the flag until a container or window takes it.
  if (show && !parentWidget()) return;
  if (show != !isHidden()) QWidget::setVisible(show);
}

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible && isHidden() == !(visible && internVisible_)) return;
  visible_ = visible;
  ApplyQtVisibility();
  NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  internVisible_ = visible;
  ApplyQtVisibility();
}

void CControlUI::SetEnabled(bool enabled) {
  enabled_ = enabled;
  QWidget::setEnabled(enabled);
  update();
}

void CControlUI::SetMouseEnabled(bool enabled) {
  mouseEnabled_ = enabled;
  setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
  AllowFocus(enabled);
}

void CControlUI::AllowFocus(bool allowed) {
  if (allowed == focusAllowed_) return;
  focusAllowed_ = allowed;
  if (!allowed) {
    wantedFocus_ = focusPolicy();
    setFocusPolicy(Qt::NoFocus);
  } else {
    setFocusPolicy(wantedFocus_);
  }
}

void CControlUI::SetFixedWidth(int cx) {
  fixedSize_.setWidth(std::max(cx, 0));
  NeedParentUpdate();
}
void CControlUI::SetFixedHeight(int cy) {
  fixedSize_.setHeight(std::max(cy, 0));
  NeedParentUpdate();
}
void CControlUI::SetMinWidth(int cx) {
  minSize_.setWidth(std::max(cx, 0));
  NeedParentUpdate();
}
void CControlUI::SetMinHeight(int cy) {
  minSize_.setHeight(std::max(cy, 0));
  NeedParentUpdate();
}
void CControlUI::SetMaxWidth(int cx) {
  maxSize_.setWidth(std::max(cx, 0));
  NeedParentUpdate();
}
void CControlUI::SetMaxHeight(int cy) {
  maxSize_.setHeight(std::max(cy, 0));
  NeedParentUpdate();
}
void CControlUI::SetPadding(const QMargins& padding) {
  padding_ = padding;
  NeedParentUpdate();
}
void CControlUI::SetFloat(bool on) {
  float_ = on;
  NeedParentUpdate();
}

void CControlUI::SetPos(const QRect& pos) {
  if (float_) {
    floatPos_ = pos;
  } else {
    if (pos.width() > 0) fixedSize_.setWidth(pos.width());
    if (pos.height() > 0) fixedSize_.setHeight(pos.height());
  }
  NeedParentUpdate();
}

void CControlUI::SetBkColor(std::uint32_t argb) {
  bkColor_ = argb;
  update();
}
void CControlUI::SetBorderColor(std::uint32_t argb) {
  borderColor_ = argb;
  update();
}
void CControlUI::SetBorderSize(int size) {
  borderSize_ = size;
  update();
}
void CControlUI::SetBkImage(const std::wstring& image) {
  bkImage_ = image;
  update();
}
void CControlUI::SetFont(int id) {
  font_ = id;
  update();
}
void CControlUI::SetTextColor(std::uint32_t argb) {
  textColor_ = argb;
  update();
}

void CControlUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  attributes_[ToLower(name)] = value;
  const std::wstring n = ToLower(name);
  if (n == L"name") {
    SetName(value);
  } else if (n == L"text") {
    SetText(value);
  } else if (n == L"resourcetext") {
    SetResourceText(ParseBool(value));
  } else if (n == L"tooltip") {
    SetToolTip(value);
  } else if (n == L"visible") {
    SetVisible(ParseBool(value));
  } else if (n == L"enabled") {
    SetEnabled(ParseBool(value));
  } else if (n == L"mouse") {
    SetMouseEnabled(ParseBool(value));
  } else if (n == L"menu") {
    SetContextMenuUsed(ParseBool(value));
  } else if (n == L"userdata") {
    SetUserData(value);
  } else if (n == L"tag") {
    SetTag(static_cast<std::uintptr_t>(ParseInt(value)));
  } else if (n == L"width") {
    SetFixedWidth(ParseInt(value));
  } else if (n == L"height") {
    SetFixedHeight(ParseInt(value));
  } else if (n == L"minwidth") {
    SetMinWidth(ParseInt(value));
  } else if (n == L"minheight") {
    SetMinHeight(ParseInt(value));
  } else if (n == L"maxwidth") {
    SetMaxWidth(ParseInt(value));
  } else if (n == L"maxheight") {
    SetMaxHeight(ParseInt(value));
  } else if (n == L"padding") {
    SetPadding(ParseMargins(value));
  } else if (n == L"float") {
    SetFloat(ParseBool(value));
  } else if (n == L"pos") {
    SetPos(ParseRect(value));
  } else if (n == L"bkcolor") {
    SetBkColor(ParseColor(value));
  } else if (n == L"bordercolor") {
    SetBorderColor(ParseColor(value));
  } else if (n == L"bordersize") {
    SetBorderSize(ParseInt(value));
  } else if (n == L"bkimage") {
    SetBkImage(value);
  } else if (n == L"font") {
    SetFont(ParseInt(value));
  } else if (n == L"textcolor") {
    SetTextColor(ParseColor(value));
  } else if (n == L"style") {
    // A control made by the program may meet its style before its window:
    // then any window's style of that name serves.
    std::wstring list = manager_ ? manager_->GetStyle(value) : std::wstring();
    for (CPaintManagerUI* m : CPaintManagerUI::GetPaintManagers()) {
      if (!list.empty()) break;
      list = m->GetStyle(value);
    }
    ApplyAttributeList(list);
  }
}

std::wstring CControlUI::GetAttribute(const std::wstring& name) const {
  const std::wstring n = ToLower(name);
  if (n == L"name") return name_;
  if (n == L"text") return text_;
  if (n == L"userdata") return userData_;
  if (n == L"bkimage") return bkImage_;
  if (n == L"visible") return visible_ ? L"true" : L"false";
  if (n == L"enabled") return enabled_ ? L"true" : L"false";
  auto it = attributes_.find(n);
  return it == attributes_.end() ? std::wstring() : it->second;
}

bool CControlUI::HasAttribute(const std::wstring& name) const {
  return attributes_.count(ToLower(name)) != 0;
}

void CControlUI::ApplyAttributeList(const std::wstring& list) {
  for (const auto& [name, value] : ParseAttributeList(list)) SetAttribute(name, value);
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  (void)parent;
  if (manager_ != manager) {
    if (manager_) manager_->UnregisterControl(this);
    manager_ = manager;
    if (manager_) manager_->RegisterControl(this);
  }
  if (init && manager_ && !inited_) {
    inited_ = true;
    DoInit();
  }
}

CControlUI* CControlUI::GetParent() const { return dynamic_cast<CControlUI*>(parentWidget()); }

bool CControlUI::Activate() { return IsEnabled() && IsVisible(); }

void CControlUI::RaiseNotify(const std::wstring& type, WPARAM wParam, LPARAM lParam, bool async) {
  if (manager_) {
    manager_->SendNotify(this, type, wParam, lParam, async);
    return;
  }
  // Without a manager only the control's own handlers hear it.
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = this;
  msg.wParam = wParam;
  msg.lParam = lParam;
  CallNotifyHandlers(msg);
}

void CControlUI::AddNotifyHandler(std::function<void(TNotifyUI&)> handler) {
  notifyHandlers_.push_back(std::move(handler));
}

void CControlUI::CallNotifyHandlers(TNotifyUI& msg) {
  auto handlers = notifyHandlers_;
  for (auto& h : handlers) h(msg);
}

bool CControlUI::SetTimer(UINT id, UINT elapse) { return timers_.Set(id, elapse); }

bool CControlUI::KillTimer(UINT id) { return timers_.Kill(id); }

void CControlUI::KillTimer() { timers_.KillAll(); }

bool CControlUI::HasTimer(UINT id) const { return timers_.Has(id); }

void CControlUI::DoTimer(UINT id) { RaiseNotify(L"timer", id, 0); }

void CControlUI::NeedParentUpdate() {
  if (QWidget* p = parentWidget())
    QCoreApplication::postEvent(p, new QEvent(QEvent::LayoutRequest));
  update();
}

void CControlUI::NeedUpdate() {
  QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

int CControlUI::Scale(int v) const { return manager_ ? manager_->ScaleValue(v) : v; }
int CControlUI::GetScale() const { return manager_ ? manager_->GetDPI() : 96; }

QSize CControlUI::EstimateSize(const QSize& available) const {
  (void)available;
  return QSize(Scale(fixedSize_.width()), Scale(fixedSize_.height()));
}

bool CControlUI::DrawImage(QPainter& painter, const std::wstring& image,
                           const std::wstring& modify) {
  if (image.empty()) return false;
  ImageSpec imageSpec = ParseImageString(image);
  if (!modify.empty()) {
    ImageSpec extra = ParseImageString(L"file='' " + modify);
    if (!extra.dest.isEmpty()) imageSpec.dest = extra.dest;
    if (!extra.source.isEmpty()) imageSpec.source = extra.source;
    if (extra.fade != 255) imageSpec.fade = extra.fade;
  }
  return DrawImageSpec(painter, rect(), imageSpec, GetScale());
}

QFont CControlUI::ResolveFont() const {
  if (manager_) return manager_->GetFont(font_);
  return font();
}

void CControlUI::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  DoPaint(painter);
}

void CControlUI::DoPaint(QPainter& painter) {
  PaintBkColor(painter);
  PaintBkImage(painter);
  PaintStatusImage(painter);
  PaintText(painter);
  PaintBorder(painter);
}

void CControlUI::PaintBkColor(QPainter& painter) {
  if (bkColor_ != 0) painter.fillRect(rect(), ToQColor(bkColor_));
}

void CControlUI::PaintBkImage(QPainter& painter) { DrawImage(painter, bkImage_); }

void CControlUI::PaintBorder(QPainter& painter) {
  if (borderSize_ <= 0 || borderColor_ == 0) return;
  QPen pen(ToQColor(borderColor_));
  pen.setWidth(Scale(borderSize_));
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  const int half = pen.width() / 2;
  painter.drawRect(rect().adjusted(half, half, -half - 1, -half - 1));
}

void CControlUI::contextMenuEvent(QContextMenuEvent* event) {
  if (!contextMenuUsed_ || !IsEnabled()) {
    event->ignore();
    return;
  }
  const QPoint p = event->pos();
  RaiseNotify(L"menu", static_cast<WPARAM>(event->modifiers()),
              static_cast<LPARAM>((p.x() & 0xFFFF) | ((p.y() & 0xFFFF) << 16)));
}

void CControlUI::focusInEvent(QFocusEvent* event) {
  const bool fromKeys =
      event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  SetKeyboardFocus(fromKeys);
  if (fromKeys) CContainerUI::ScrollIntoView(this);
  QWidget::focusInEvent(event);
}

void CControlUI::focusOutEvent(QFocusEvent* event) {
  SetKeyboardFocus(false);
  QWidget::focusOutEvent(event);
}

void CControlUI::keyPressEvent(QKeyEvent* event) {
  SetKeyboardFocus(true);
  QWidget::keyPressEvent(event);
}

void CControlUI::SetKeyboardFocus(bool on) {
  if (keyboardFocus_ == on) return;
  keyboardFocus_ = on;
  update();
}

void CControlUI::PaintFocusFrame(QPainter& painter, const QRect& r) const {
  if (HasKeyboardFocus()) DrawFocusFrame(painter, r);
}

void CControlUI::DrawFocusFrame(QPainter& painter, const QRect& r) const {
  if (r.width() < 4 || r.height() < 4) return;
  painter.save();
  QPen pen(palette().color(QPalette::Highlight));
  pen.setWidth(std::max(1, Scale(2)));
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  const qreal in = pen.width() / 2.0;
  painter.drawRect(QRectF(r).adjusted(in, in, -in, -in));
  painter.restore();
}

bool CControlUI::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && !toolTip_.empty())
    setToolTip(ToQ(CResourceManager::GetInstance().Translate(toolTip_)));
  return QWidget::event(event);
}
