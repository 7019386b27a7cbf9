#pragma once
// CRichEditUI: a multi-line text box (read-only or editable). Raises
// "setfocus", "killfocus" and "textchanged" like the one-line edit.

#include "panels/toolkit/control.h"

class QPlainTextEdit;

class CRichEditUI : public CControlUI {
 public:
  explicit CRichEditUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"RichEdit"; }

  std::wstring GetText() const override;
  void SetText(const std::wstring& text) override;
  void AppendText(const std::wstring& text);
  void SetReadOnly(bool on);
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  QPlainTextEdit* TextEdit() const { return edit_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  QPlainTextEdit* edit_;
  bool settingText_ = false;
};
