#pragma once
// Widget tests share one QApplication (offscreen platform, set by ctest) and
// the skin fixture of this folder.

#include <QApplication>

#include <string>
#include <tuple>
#include <vector>

#include "panels/toolkit/control.h"
#include "panels/toolkit/paint_manager.h"

// The fixture skin folder tests/panels/skin of the source tree.
std::wstring FixtureSkinPath();
// Points the resource manager at the fixture skin and loads res.xml.
void UseFixtureSkin();

// Records every notification it hears as (type, sender name, wParam, lParam).
struct NotifyRecord {
  std::wstring type;
  std::wstring sender;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const NotifyRecord& o) const {
    return type == o.type && sender == o.sender && wParam == o.wParam && lParam == o.lParam;
  }
};

class NotifyRecorder : public INotifyUI {
 public:
  void Notify(TNotifyUI& msg) override {
    if (!filterTimer || msg.sType != L"timer")
      seen.push_back(
          {msg.sType, msg.pSender ? msg.pSender->GetName() : L"", msg.wParam, msg.lParam});
  }
  std::vector<NotifyRecord> OfType(const std::wstring& type) const {
    std::vector<NotifyRecord> out;
    for (const auto& r : seen)
      if (r.type == type) out.push_back(r);
    return out;
  }
  std::vector<NotifyRecord> seen;
  bool filterTimer = false;
};

std::ostream& operator<<(std::ostream& os, const NotifyRecord& r);
