#include "panels/toolkit/edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "panels/toolkit/container.h"
#include "panels/toolkit/paint_manager.h"

CEditUI::CEditUI(QWidget* parent) : CLabelUI(parent), edit_(new QLineEdit(this)) {
  resourceText_ = false;
  edit_->setFrame(false);
  edit_->setMaxLength(maxChar_);
  edit_->setAttribute(Qt::WA_TranslucentBackground);
  edit_->setStyleSheet("QLineEdit{background:transparent;}");
  edit_->installEventFilter(this);
  // Focus comes from a click, Tab or the program; the window keeps it on
  // activation (see CWindowWnd::showEvent).
  edit_->setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(edit_);
  QObject::connect(edit_, &QLineEdit::textEdited, this, [this] { RaiseNotify(L"textchanged"); });
  QObject::connect(edit_, &QLineEdit::returnPressed, this, [this] { RaiseNotify(L"return"); });
}

std::wstring CEditUI::GetText() const { return FromQ(edit_->text()); }

void CEditUI::SetText(const std::wstring& text) {
  text_ = text;
  edit_->setText(ToQ(text));
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  edit_->setEnabled(enabled);
}

void CEditUI::SetNumberOnly(bool on) {
  numberOnly_ = on;
  if (on) {
    edit_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit_));
  } else {
    edit_->setValidator(nullptr);
  }
}

void CEditUI::SetMaxChar(int count) {
  maxChar_ = count;
  edit_->setMaxLength(count > 0 ? count : 32767);
}

void CEditUI::SetReadOnly(bool on) {
  readOnly_ = on;
  edit_->setReadOnly(on);
}

void CEditUI::SetPasswordMode(bool on) {
  edit_->setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal);
}

void CEditUI::SetSel(int start, int end) {
  if (end < 0) end = static_cast<int>(edit_->text().size());
  edit_->setSelection(start, end - start);
}

void CEditUI::SetFocusNow() { edit_->setFocus(Qt::OtherFocusReason); }

void CEditUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"numberonly") {
    SetNumberOnly(ParseBool(value));
  } else if (n == L"maxchar") {
    SetMaxChar(ParseInt(value));
  } else if (n == L"readonly") {
    SetReadOnly(ParseBool(value));
  } else if (n == L"password") {
    SetPasswordMode(ParseBool(value));
  } else if (n == L"minvalue") {
    SetMinValue(ParseInt(value));
  } else if (n == L"maxvalue") {
    SetMaxValue(ParseInt(value));
  } else if (n == L"normalimage") {
    normalImage_ = value;
  } else if (n == L"hotimage") {
    hotImage_ = value;
  } else if (n == L"focusedimage") {
    focusedImage_ = value;
  } else if (n == L"disabledimage") {
    disabledImage_ = value;
  } else if (n == L"textcolor") {
    QPalette pal = edit_->palette();
    pal.setColor(QPalette::Text, ToQColor(ParseColor(value)));
    edit_->setPalette(pal);
  }
  CLabelUI::SetAttribute(name, value);
  if (n == L"align") edit_->setAlignment(align_);
}

void CEditUI::ClipToRange() {
  if (maxValue_ <= minValue_) return;
  const QString text = edit_->text();
  if (text.isEmpty()) return;
  const int v = ParseInt(FromQ(text));
  const int clipped = std::clamp(v, minValue_, maxValue_);
  if (clipped != v || QString::number(clipped) != text) edit_->setText(QString::number(clipped));
}

bool CEditUI::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::FocusIn) {
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
        CContainerUI::ScrollIntoView(this);
      update();
      RaiseNotify(L"setfocus");
    } else if (event->type() == QEvent::FocusOut) {
      ClipToRange();
      update();
      RaiseNotify(L"killfocus");
    }
  }
  return CLabelUI::eventFilter(watched, event);
}

void CEditUI::resizeEvent(QResizeEvent* event) {
  CLabelUI::resizeEvent(event);
  const QMargins pad(Scale(textPadding_.left()), Scale(textPadding_.top()),
                     Scale(textPadding_.right()), Scale(textPadding_.bottom()));
  edit_->setGeometry(rect().marginsRemoved(pad));
  edit_->setFont(ResolveFont());
}

void CEditUI::PaintStatusImage(QPainter& painter) {
  bool drawn = false;
  if (!IsEnabled()) {
    drawn = DrawImage(painter, disabledImage_);
  } else if (edit_->hasFocus()) {
    drawn = DrawImage(painter, focusedImage_);
  } else if (hot_) {
    drawn = DrawImage(painter, hotImage_);
  }
  if (!drawn) DrawImage(painter, normalImage_);
}

void CEditUI::enterEvent(QEnterEvent* event) {
  (void)event;
  hot_ = true;
  update();
}

void CEditUI::leaveEvent(QEvent* event) {
  (void)event;
  hot_ = false;
  update();
}
