#include "panels/toolkit/notify_pump.h"

#include "panels/toolkit/control.h"

void CNotifyPump::AddNotifyEntry(const std::wstring& type, const std::wstring& controlName,
                                 Handler handler) {
  entries_.push_back(Entry{type, controlName, std::move(handler)});
}

bool CNotifyPump::AddVirtualWnd(const std::wstring& name, CNotifyPump* pump) {
  if (!pump || virtualWnds_.count(name)) return false;
  virtualWnds_[name] = pump;
  return true;
}

bool CNotifyPump::RemoveVirtualWnd(const std::wstring& name) {
  return virtualWnds_.erase(name) != 0;
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
  if (!msg.sVirtualWnd.empty()) {
    auto it = virtualWnds_.find(msg.sVirtualWnd);
    if (it != virtualWnds_.end()) return it->second->NotifyPump(msg);
  }
  bool handled = false;
  const std::wstring sender = msg.pSender ? msg.pSender->GetName() : std::wstring();
  const auto entries = entries_;
  for (const Entry& e : entries) {
    if (e.type != msg.sType) continue;
    if (!e.name.empty() && e.name != sender) continue;
    e.handler(msg);
    handled = true;
  }
  return handled;
}
