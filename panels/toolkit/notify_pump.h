#pragma once
// CNotifyPump: a window's table of notification handlers. Each entry names a
// notification type and a control name (empty = any control); NotifyPump
// runs every matching entry in the order they were added. Virtual windows
// are further pumps that receive the notifications addressed to them by name.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "panels/toolkit/paint_manager.h"

class CNotifyPump {
 public:
  using Handler = std::function<void(TNotifyUI&)>;
  virtual ~CNotifyPump() = default;

  void AddNotifyEntry(const std::wstring& type, const std::wstring& controlName, Handler handler);
  bool AddVirtualWnd(const std::wstring& name, CNotifyPump* pump);
  bool RemoveVirtualWnd(const std::wstring& name);
  // True when at least one entry handled the notification.
  bool NotifyPump(TNotifyUI& msg);

 private:
  struct Entry {
    std::wstring type;
    std::wstring name;
    Handler handler;
  };
  std::vector<Entry> entries_;
  std::map<std::wstring, CNotifyPump*> virtualWnds_;
};
