#pragma once
// The modal message box of every confirmation and notice, built from the
// skin resource "XML_MSG": a title ("MessageTitle"), the message
// ("MessageText"), "confirm_btn", "cancel_btn" and "closebtn". The box owns
// itself: it is deleted once it has closed.

#include <string>

#include "panels/toolkit/window_impl.h"

// The button sets of ShowMessageBox.
inline constexpr int kMsgConfirmOnly = 0;
inline constexpr int kMsgConfirmCancel = 1;

class CMsgWnd : public WindowImplBase,
                public IMessageFilterUI,
                public IQueryControlText,
                public IToolTipCallBack {
 public:
  CMsgWnd() = default;

  std::wstring GetWindowClassName() const override { return L"MsgWnd"; }
  std::wstring GetSkinFile() override { return L"XML_MSG"; }
  void InitWindow() override;
  void OnClick(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  std::wstring QueryControlText(const std::wstring& id, const std::wstring& type) override;

  // Puts the title (when not empty), the text (a language id when
  // textIsResource) and the buttons (0: confirm only, 1: confirm and cancel,
  // other values leave the skin's choice) into the box.
  void SetContent(const std::wstring& title, const std::wstring& text, bool textIsResource,
                  int buttons);
  // The UI scale; 48 to 192 in steps of 24 are taken, anything else gives 96
  // (with a debug line). Applied to all windows. Returns the scale taken.
  int SetScale(int scale);
  int Scale() const { return m_pm.GetDPI(); }

 protected:
  void OnFinalMessage() override;

 private:
  CControlUI* closeBtn_ = nullptr;
};

// The scale a message box takes for a requested one.
int MessageBoxScale(int requested);

// Shows a message box modally and returns 1 when the user confirmed, else 0.
// owner: the window it belongs to (none: other windows stay usable).
int ShowMessageBox(QWidget* owner, const std::wstring& title, const std::wstring& text, int scale,
                   bool textIsResource, int buttons);

// A format text with one integer: the first "%d" becomes n and "%%" a single
// "%"; any other "%" sequence is kept as it stands, so a language file can
// never make the formatting read arguments that are not there.
std::wstring FormatWithNumber(const std::wstring& format, int n);
