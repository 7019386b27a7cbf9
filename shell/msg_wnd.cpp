#include "shell/msg_wnd.h"

#include <QPointer>

#include "panels/toolkit/control.h"
#include "panels/toolkit/paint_manager.h"
#include "platform/debug_output.h"

int MessageBoxScale(int requested) {
  switch (requested) {
    case 48:
    case 72:
    case 96:
    case 120:
    case 144:
    case 168:
    case 192:
      return requested;
    default:
      DebugOutput("MSG_WND DPI SET ERROR");
      return 96;
  }
}

void CMsgWnd::InitWindow() { closeBtn_ = m_pm.FindControl(L"closebtn"); }

void CMsgWnd::OnClick(TNotifyUI& msg) {
  const std::wstring name = msg.pSender != nullptr ? msg.pSender->GetName() : std::wstring();
  if (EqualsNoCase(name, L"closebtn") || EqualsNoCase(name, L"cancel_btn")) {
    Close(0);
  } else if (EqualsNoCase(name, L"confirm_btn")) {
    Close(1);
  }
}

LRESULT CMsgWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  (void)lParam;
  handled = false;
  if (msg == WM_DPICHANGED) {
    m_pm.SetDPI(static_cast<int>(wParam & 0xFFFF));
    m_pm.ResetDPIAssets();
    const QSize size = m_pm.GetInitSize();
    if (!size.isEmpty()) resize(m_pm.ScaleValue(size.width()), m_pm.ScaleValue(size.height()));
    if (CControlUI* root = m_pm.GetRoot()) root->NeedUpdate();
  }
  return 0;
}

LRESULT CMsgWnd::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  (void)msg;
  (void)wParam;
  (void)lParam;
  handled = false;
  return 0;
}

std::wstring CMsgWnd::QueryControlText(const std::wstring& id, const std::wstring& type) {
  (void)id;
  (void)type;
  return {};
}

void CMsgWnd::SetContent(const std::wstring& title, const std::wstring& text, bool textIsResource,
                         int buttons) {
  if (!title.empty()) {
    if (CControlUI* c = m_pm.FindControl(L"MessageTitle")) c->SetText(title);
  }
  if (!text.empty()) {
    if (CControlUI* c = m_pm.FindControl(L"MessageText")) {
      c->SetResourceText(textIsResource);
      c->SetText(text);
    }
  }
  CControlUI* confirm = m_pm.FindControl(L"confirm_btn");
  CControlUI* cancel = m_pm.FindControl(L"cancel_btn");
  if (buttons == kMsgConfirmOnly || buttons == kMsgConfirmCancel) {
    if (confirm != nullptr) confirm->SetVisible(true);
    if (cancel != nullptr) cancel->SetVisible(buttons == kMsgConfirmCancel);
  }
}

int CMsgWnd::SetScale(int scale) {
  if (scale == m_pm.GetDPI()) return scale;
  const int taken = MessageBoxScale(scale);
  CPaintManagerUI::SetAllDPI(taken);
  const QSize size = m_pm.GetInitSize();
  if (!size.isEmpty()) resize(m_pm.ScaleValue(size.width()), m_pm.ScaleValue(size.height()));
  return taken;
}

void CMsgWnd::OnFinalMessage() { deleteLater(); }

int ShowMessageBox(QWidget* owner, const std::wstring& title, const std::wstring& text, int scale,
                   bool textIsResource, int buttons) {
  auto* box = new CMsgWnd();
  box->Create(owner, L"msgwnd", 0, UI_WNDSTYLE_EX_TOOLWINDOW);
  box->SetContent(title, text, textIsResource, buttons);
  box->SetScale(scale);
  box->CenterWindow();
  // The run blocks the owner only; a box without an owner leaves the other
  // windows usable.
  return box->ShowModal();
}

std::wstring FormatWithNumber(const std::wstring& format, int n) {
  std::wstring out;
  bool filled = false;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == L'%' && i + 1 < format.size()) {
      if (format[i + 1] == L'%') {
        out += L'%';
        ++i;
        continue;
      }
      if (format[i + 1] == L'd' && !filled) {
        out += std::to_wstring(n);
        filled = true;
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}
