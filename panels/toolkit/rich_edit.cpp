#include "panels/toolkit/rich_edit.h"

#include <QEvent>
#include <QPlainTextEdit>

#include "panels/toolkit/paint_manager.h"

CRichEditUI::CRichEditUI(QWidget* parent) : CControlUI(parent), edit_(new QPlainTextEdit(this)) {
  resourceText_ = false;
  edit_->setFrameShape(QFrame::NoFrame);
  edit_->installEventFilter(this);
  edit_->setFocusPolicy(Qt::StrongFocus);
  edit_->setTabChangesFocus(true);
  setFocusProxy(edit_);
  QObject::connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
    if (!settingText_) RaiseNotify(L"textchanged");
  });
}

std::wstring CRichEditUI::GetText() const { return FromQ(edit_->toPlainText()); }

void CRichEditUI::SetText(const std::wstring& text) {
  settingText_ = true;
  text_ = text;
  edit_->setPlainText(ToQ(text));
  settingText_ = false;
}

void CRichEditUI::AppendText(const std::wstring& text) {
  settingText_ = true;
  edit_->moveCursor(QTextCursor::End);
  edit_->insertPlainText(ToQ(text));
  settingText_ = false;
}

void CRichEditUI::SetReadOnly(bool on) { edit_->setReadOnly(on); }

void CRichEditUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (EqualsNoCase(name, L"readonly")) SetReadOnly(ParseBool(value));
  if (EqualsNoCase(name, L"text")) {
    SetText(value);
    attributes_[L"text"] = value;
    return;
  }
  CControlUI::SetAttribute(name, value);
}

bool CRichEditUI::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::FocusIn) RaiseNotify(L"setfocus");
    if (event->type() == QEvent::FocusOut) RaiseNotify(L"killfocus");
  }
  return CControlUI::eventFilter(watched, event);
}

void CRichEditUI::resizeEvent(QResizeEvent* event) {
  CControlUI::resizeEvent(event);
  edit_->setGeometry(rect());
  edit_->setFont(ResolveFont());
}
