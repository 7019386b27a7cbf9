#pragma once
// CEditUI: a one-line text edit. Focus in raises "setfocus", focus out
// "killfocus", every change typed by the user "textchanged", the Return key
// "return". Number-only edits take digits only; with a value range set
// (SetMinValue/SetMaxValue, max above min), the number is clipped to it when
// the focus leaves, before "killfocus".

#include "panels/toolkit/label.h"

class QLineEdit;

class CEditUI : public CLabelUI {
 public:
  explicit CEditUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"Edit"; }

  std::wstring GetText() const override;
  void SetText(const std::wstring& text) override;
  void SetEnabled(bool enabled = true) override;

  void SetNumberOnly(bool on);
  bool IsNumberOnly() const { return numberOnly_; }
  void SetMaxChar(int count);
  int GetMaxChar() const { return maxChar_; }
  void SetMinValue(int v) { minValue_ = v; }
  void SetMaxValue(int v) { maxValue_ = v; }
  int GetMinValue() const { return minValue_; }
  int GetMaxValue() const { return maxValue_; }
  void SetReadOnly(bool on);
  bool IsReadOnly() const { return readOnly_; }
  void SetPasswordMode(bool on);
  void SetSel(int start, int end);
  void SetFocusNow();

  QLineEdit* LineEdit() const { return edit_; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void PaintText(QPainter& painter) override { (void)painter; }
  void PaintStatusImage(QPainter& painter) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  std::wstring normalImage_, hotImage_, focusedImage_, disabledImage_;
  bool hot_ = false;
  void ClipToRange();

  QLineEdit* edit_;
  bool numberOnly_ = false;
  int maxChar_ = 255;
  int minValue_ = 0;
  int maxValue_ = 0;
  bool readOnly_ = false;
};
