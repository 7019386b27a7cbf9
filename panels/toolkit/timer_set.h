#pragma once
// The numbered timers of one control or window. Each expiry calls the owner's
// handler with the timer's id; setting a running id restarts it.
//
// An owner that cannot handle an expiry at the moment (a window while the
// system is suspended) holds the timer: it stays set but its clock stops, so
// nothing runs while nothing changes. ReleaseHeld later hands each held
// timer's expiry to the handler once, from the event loop.

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <set>

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
      QObject::connect(timer, &QTimer::timeout, context_, [this, id] {
        due_.erase(id);  // this expiry stands for a released one still queued
        handler_(id);
      });
    }
    held_.erase(id);
    due_.erase(id);
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
    held_.erase(id);
    due_.erase(id);
    return true;
  }

  void KillAll() {
    while (!timers_.empty()) Kill(timers_.begin()->first);
  }

  bool Has(UINT id) const { return timers_.count(id) != 0; }

  // Stops the clock of a set timer whose expiry came while the owner could
  // not handle it; the timer stays set. False when the id is not set.
  bool Hold(UINT id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return false;
    it->second->stop();
    held_.insert(id);
    due_.erase(id);
    return true;
  }

  bool IsHeld(UINT id) const { return held_.count(id) != 0; }

  // Every held timer runs its period again, and its expiry that was held
  // reaches the handler once, queued on the event loop (unless the timer is
  // set again or killed first).
  void ReleaseHeld() {
    for (UINT id : held_) {
      timers_[id]->start();
      due_.insert(id);
      QMetaObject::invokeMethod(
          context_,
          [this, id] {
            if (due_.erase(id) != 0) handler_(id);
          },
          Qt::QueuedConnection);
    }
    held_.clear();
  }

 private:
  QObject* context_;
  Handler handler_;
  std::map<UINT, QTimer*> timers_;
  std::set<UINT> held_;  // set, clock stopped
  std::set<UINT> due_;   // released; the queued expiry has not run yet
};
