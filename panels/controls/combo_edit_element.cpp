#include "panels/controls/combo_edit_element.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/edit.h"

CComboEditContainerElementUI::CComboEditContainerElementUI(QWidget* parent)
    : CListContainerElementUI(parent) {}

void CComboEditContainerElementUI::DoInit() {
  RemoveAll();
  CDialogBuilder builder;
  CControlUI* tree = builder.Create(kLayout, L"", nullptr, GetManager(), this);
  (void)tree;
  text1_ = FindSubControl(L"text1");
  text2_ = FindSubControl(L"text2");
  delayEdit_ = dynamic_cast<CEditUI*>(FindSubControl(L"delay_edit"));
}

void CComboEditContainerElementUI::SetAttribute(const std::wstring& name,
                                                const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"normalimage" || n == L"hotimage" || n == L"selectedimage") return;
  CListContainerElementUI::SetAttribute(name, value);
}

void CComboEditContainerElementUI::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return && IsEnabled()) {
    RaiseNotify(L"return");
    Activate();
    return;
  }
  CListContainerElementUI::keyPressEvent(event);
}

void CComboEditContainerElementUI::mouseReleaseEvent(QMouseEvent* event) {
  if (!IsEnabled() || event->button() != Qt::LeftButton) return;
  RaiseNotify(L"itemclick");
  Activate();
}
