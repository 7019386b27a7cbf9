#include "shell/ui_call_queue.h"

#include <chrono>

#include "shell/stop_event.h"

struct CUiCallQueue::Call {
  std::function<void()> fn;
  enum class State { kPending, kRunning, kDone, kDropped } state = State::kPending;
};

CUiCallQueue::CUiCallQueue() : ui_thread_(std::this_thread::get_id()) {}

CUiCallQueue::~CUiCallQueue() { Close(); }

void CUiCallQueue::SetWake(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(mutex_);
  wake_ = std::move(wake);
}

bool CUiCallQueue::Enqueue(const std::shared_ptr<Call>& call) {
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    queue_.push_back(call);
    wake = wake_;
  }
  if (wake) wake();
  return true;
}

bool CUiCallQueue::Send(std::function<void()> fn, const CStopEvent* cancel) {
  if (OnUiThread()) {
    if (Closed()) return false;
    fn();
    return true;
  }
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  if (!Enqueue(call)) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (call->state == Call::State::kDone) return true;
    if (call->state == Call::State::kDropped) return false;
    // A call the UI thread has taken up is waited for to the end: it may use
    // the sender's data. A pending one may be given up.
    if (call->state == Call::State::kPending && (closed_ || (cancel && cancel->IsSet()))) {
      call->state = Call::State::kDropped;
      return false;
    }
    // The cancel event has no link to this condition variable: look again
    // every few milliseconds.
    done_cv_.wait_for(lock, std::chrono::milliseconds(cancel ? 5 : 50));
  }
}

bool CUiCallQueue::Post(std::function<void()> fn) {
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  return Enqueue(call);
}

int CUiCallQueue::Serve() {
  int ran = 0;
  for (;;) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      while (!queue_.empty() && !call) {
        call = queue_.front();
        queue_.pop_front();
        if (call->state != Call::State::kPending) call.reset();  // given up
      }
      if (!call) return ran;
      call->state = Call::State::kRunning;
    }
    call->fn();
    ++ran;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      call->state = Call::State::kDone;
    }
    done_cv_.notify_all();
  }
}

void CUiCallQueue::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (auto& call : queue_) {
      if (call->state == Call::State::kPending) call->state = Call::State::kDropped;
    }
    queue_.clear();
  }
  done_cv_.notify_all();
}

bool CUiCallQueue::Closed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}
