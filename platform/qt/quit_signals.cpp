#include "platform/qt/quit_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

#include "platform/debug_output.h"

namespace {

// [0] is read on the event loop, [1] written by the signal handler.
int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int signal) {
  const unsigned char byte = static_cast<unsigned char>(signal);
  if (g_pipe[1] >= 0) {
    // Only async-signal-safe calls here; a full pipe loses nothing that
    // matters, one byte is enough to quit.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
  }
}

}  // namespace

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
    DebugOutput("quit signals: socketpair failed");
    g_pipe[0] = g_pipe[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : kSignals) ::sigaction(s, &action, nullptr);
}

CQuitSignals::~CQuitSignals() {
  for (int s : kSignals) std::signal(s, SIG_DFL);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void CQuitSignals::OnReadable() {
  unsigned char byte = 0;
  while (::read(g_pipe[0], &byte, 1) == 1) last_signal_ = byte;
  DebugOutputF("quit signal %d", last_signal_);
  Q_EMIT QuitRequested(last_signal_);
}
