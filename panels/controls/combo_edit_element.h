#pragma once
// CComboEditContainerElementUI: a macro step row. When it is initialised its
// children are replaced by the tree of
// "XML\CustomControlXML\ComboEditElementItem.xml", from which it keeps
// "text1", "text2" and "delay_edit". Return raises "return" and activates;
// a press selects (with Ctrl: toggles in a multi-select list); a release
// raises "itemclick" and activates ("itemactivate").

#include "panels/toolkit/list.h"

class CLabelUI;
class CEditUI;

class CComboEditContainerElementUI : public CListContainerElementUI {
 public:
  static constexpr const wchar_t* kLayout = L"XML\\CustomControlXML\\ComboEditElementItem.xml";
  explicit CComboEditContainerElementUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"ComboEditContainerElement"; }

  void DoInit() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  CControlUI* Text1() const { return text1_; }
  CControlUI* Text2() const { return text2_; }
  CEditUI* DelayEdit() const { return delayEdit_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

  CControlUI* text1_ = nullptr;
  CControlUI* text2_ = nullptr;
  CEditUI* delayEdit_ = nullptr;
};
