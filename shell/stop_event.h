#pragma once
// A manual-reset event: once set it stays set until reset, and every waiter
// sees it. Worker threads wait on it with a bound and end when it is set.

#include <chrono>
#include <condition_variable>
#include <mutex>

class CStopEvent {
 public:
  void Set() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      set_ = true;
    }
    cv_.notify_all();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = false;
  }
  bool IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return set_;
  }
  // Waits at most ms milliseconds; true when the event is set.
  bool Wait(int ms) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  bool set_ = false;
};
