#pragma once
// CButtonUI: a label that reacts to the mouse. A left press inside the enabled
// button makes it pushed and captured; the release inside activates it, which
// raises "click". Images per state: "normalimage", "hotimage", "pushedimage",
// "focusedimage", "disabledimage", and over them "foreimage", "hotforeimage",
// "pushedforeimage". Buttons are in the Tab chain; Space or Return on the
// focused button activates it (without "focusedimage" a focus frame shows
// keyboard focus). A button with default="true" is its window's default
// button: Return that no control takes activates it.

#include "panels/toolkit/label.h"

// State bits of buttons and list items.
constexpr UINT UISTATE_FOCUSED = 0x01;
constexpr UINT UISTATE_SELECTED = 0x02;
constexpr UINT UISTATE_DISABLED = 0x04;
constexpr UINT UISTATE_HOT = 0x08;
constexpr UINT UISTATE_PUSHED = 0x10;
constexpr UINT UISTATE_CAPTURED = 0x40;

class CButtonUI : public CLabelUI {
 public:
  explicit CButtonUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"Button"; }

  bool Activate() override;
  UINT GetButtonState() const { return state_; }
  void SetButtonState(UINT state);

  std::wstring GetNormalImage() const { return normalImage_; }
  void SetNormalImage(const std::wstring& image);
  std::wstring GetHotImage() const { return hotImage_; }
  void SetHotImage(const std::wstring& image);
  std::wstring GetPushedImage() const { return pushedImage_; }
  void SetPushedImage(const std::wstring& image);
  std::wstring GetDisabledImage() const { return disabledImage_; }
  void SetDisabledImage(const std::wstring& image);
  std::wstring GetForeImage() const { return foreImage_; }
  void SetForeImage(const std::wstring& image);
  std::wstring GetHotForeImage() const { return hotForeImage_; }
  void SetHotForeImage(const std::wstring& image);
  std::uint32_t GetHotTextColor() const { return hotTextColor_; }
  void SetHotTextColor(std::uint32_t argb) { hotTextColor_ = argb; }
  std::uint32_t GetHotBkColor() const { return hotBkColor_; }
  void SetHotBkColor(std::uint32_t argb) { hotBkColor_ = argb; }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void PaintBkColor(QPainter& painter) override;
  void PaintStatusImage(QPainter& painter) override;
  void PaintText(QPainter& painter) override;

  UINT state_ = 0;
  std::wstring normalImage_, hotImage_, pushedImage_, focusedImage_, disabledImage_;
  std::wstring foreImage_, hotForeImage_, pushedForeImage_;
  std::uint32_t hotTextColor_ = 0, pushedTextColor_ = 0, hotBkColor_ = 0;
};

// COptionUI: a button with a selected state. Options sharing a "group" select
// one at a time. Clicking raises "click", then the selection changes: in a
// group the option becomes selected, otherwise it toggles. A change raises
// "selectchanged" (wParam = the new state); in a group only the option that
// became selected raises it.
class COptionUI : public CButtonUI {
 public:
  explicit COptionUI(QWidget* parent = nullptr);
  ~COptionUI() override;
  std::wstring GetClass() const override { return L"Option"; }

  bool IsSelected() const { return selected_; }
  virtual void Selected(bool selected, bool triggerEvent = true);
  std::wstring GetGroup() const { return group_; }
  void SetGroup(const std::wstring& group);
  bool Activate() override;

  std::wstring GetSelectedImage() const { return selectedImage_; }
  void SetSelectedImage(const std::wstring& image);
  std::wstring GetSelectedHotImage() const { return selectedHotImage_; }
  void SetSelectedHotImage(const std::wstring& image);
  std::wstring GetSelectedForeImage() const { return selectedForeImage_; }
  void SetSelectedForeImage(const std::wstring& image);
  std::uint32_t GetSelectedBkColor() const { return selectedBkColor_; }
  void SetSelectedBkColor(std::uint32_t argb);
  std::uint32_t GetSelectedTextColor() const { return selectedTextColor_; }
  void SetSelectedTextColor(std::uint32_t argb) { selectedTextColor_ = argb; }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;

 protected:
  void PaintBkColor(QPainter& painter) override;
  void PaintStatusImage(QPainter& painter) override;
  void PaintText(QPainter& painter) override;

  bool selected_ = false;
  std::wstring group_;
  std::wstring selectedImage_, selectedHotImage_, selectedPushedImage_, selectedForeImage_;
  std::uint32_t selectedBkColor_ = 0, selectedTextColor_ = 0;
};

// CCheckBoxUI: an option outside any group; a click also raises "checkclick"
// (wParam = the new state).
class CCheckBoxUI : public COptionUI {
 public:
  using COptionUI::COptionUI;
  std::wstring GetClass() const override { return L"CheckBox"; }
  bool GetCheck() const { return IsSelected(); }
  void SetCheck(bool check, bool triggerEvent = true) { Selected(check, triggerEvent); }
  bool Activate() override;
};
