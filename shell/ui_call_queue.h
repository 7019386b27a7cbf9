#pragma once
// Calls that worker threads make to the user-interface thread: Send runs a
// function on the UI thread and waits for it (the blocking hand-over the
// discovery thread uses for arrivals and removals), Post runs it later. The
// UI thread runs the queue in Serve, from its event loop and also while it
// waits for workers to end, so a worker blocked in Send never deadlocks a
// shutdown.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class CStopEvent;

class CUiCallQueue {
 public:
  // The constructing thread is the UI thread.
  CUiCallQueue();
  ~CUiCallQueue();

  // Runs fn on the UI thread and returns when it ran (true). On the UI thread
  // itself fn runs at once. Returns false without running fn when the queue
  // is closed, or when cancel is set before the UI thread took the call up.
  bool Send(std::function<void()> fn, const CStopEvent* cancel = nullptr);
  // Queues fn for the UI thread; false when the queue is closed.
  bool Post(std::function<void()> fn);

  // UI thread: runs every call queued so far; returns how many ran.
  int Serve();
  // Called (from the sending thread) after a call was queued, so that the UI
  // event loop comes round to Serve.
  void SetWake(std::function<void()> wake);

  // Refuses further calls and releases every sender still waiting; calls
  // not yet taken up are dropped.
  void Close();
  bool Closed() const;
  bool OnUiThread() const { return std::this_thread::get_id() == ui_thread_; }

 private:
  struct Call;
  bool Enqueue(const std::shared_ptr<Call>& call);

  const std::thread::id ui_thread_;
  mutable std::mutex mutex_;
  std::condition_variable done_cv_;
  std::deque<std::shared_ptr<Call>> queue_;
  std::function<void()> wake_;
  bool closed_ = false;
};
