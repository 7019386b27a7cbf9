#include "shell/ui_wake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>

#include "platform/debug_output.h"

CUiWake::CUiWake(std::function<void()> handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
  fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd_ < 0) {
    DebugOutputF("ui wake: no eventfd (%d)", errno);
    return;
  }
  notifier_ = new QSocketNotifier(static_cast<qintptr>(fd_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { OnActivated(); });
}

CUiWake::~CUiWake() {
  delete notifier_;
  notifier_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
}

bool CUiWake::Signal() {
  if (fd_ < 0) return false;
  const uint64_t one = 1;
  for (;;) {
    const ssize_t n = ::write(fd_, &one, sizeof(one));
    if (n == static_cast<ssize_t>(sizeof(one))) return true;
    if (n < 0 && errno == EINTR) continue;
    // EAGAIN: the counter is at its maximum, so a wake is pending anyway.
    return n < 0 && errno == EAGAIN;
  }
}

void CUiWake::OnActivated() {
  uint64_t count = 0;
  while (::read(fd_, &count, sizeof(count)) < 0 && errno == EINTR) {
  }
  if (handler_) handler_();
}
