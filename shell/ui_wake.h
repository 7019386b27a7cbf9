#pragma once
// Wakes the UI thread's event loop from any thread: Signal() writes to an
// eventfd that a socket notifier of the UI thread watches; the handler runs
// on the UI thread once per burst of signals. No object crosses threads (a
// queued functor would be made on the signalling thread and run on the UI
// thread), so the hand-over is plainly ordered by the eventfd.

#include <QObject>
#include <functional>

class QSocketNotifier;

class CUiWake : public QObject {
 public:
  // Made on the UI thread; handler runs there.
  explicit CUiWake(std::function<void()> handler, QObject* parent = nullptr);
  ~CUiWake() override;
  CUiWake(const CUiWake&) = delete;
  CUiWake& operator=(const CUiWake&) = delete;

  // Any thread; false when the eventfd could not be had or written.
  bool Signal();

 private:
  void OnActivated();

  std::function<void()> handler_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};
