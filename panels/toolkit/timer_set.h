#pragma once
// The numbered timers of one control or window. Each expiry calls the owner's
// handler with the timer's id; setting a running id restarts it.

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

#include "panels/toolkit/ui_types.h"

class CTimerSet {
 public:
  using Handler = std::function<void(UINT id)>;

  // context: the object whose life bounds the handler's calls.
  CTimerSet(QObject* context, Handler handler) : context_(context), handler_(std::move(handler)) {}
  ~CTimerSet() {
    for (auto& [id, timer] : timers_) delete timer;
  }
  CTimerSet(const CTimerSet&) = delete;
  CTimerSet& operator=(const CTimerSet&) = delete;

  bool Set(UINT id, UINT elapse) {
    QTimer*& timer = timers_[id];
    if (!timer) {
      timer = new QTimer();
      QObject::connect(timer, &QTimer::timeout, context_, [this, id] { handler_(id); });
    }
    timer->start(static_cast<int>(elapse));
    return true;
  }

  bool Kill(UINT id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return false;
    // The timer may be the one whose expiry is running: stop now, free later.
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
    return true;
  }

  void KillAll() {
    while (!timers_.empty()) Kill(timers_.begin()->first);
  }

  bool Has(UINT id) const { return timers_.count(id) != 0; }

 private:
  QObject* context_;
  Handler handler_;
  std::map<UINT, QTimer*> timers_;
};
