#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (a session that ends, a Ctrl+C, a closed
// terminal) into an orderly quit of the Qt event loop, so that the program's
// shutdown runs on those paths as it does after the main window closed.

#include <QObject>

class QSocketNotifier;

class CQuitSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; at most one object may exist at a time.
  explicit CQuitSignals(QObject* parent = nullptr);
  // Restores the default handlers.
  ~CQuitSignals() override;

  // The number of the last signal that asked to quit (0: none).
  int LastSignal() const { return last_signal_; }

 Q_SIGNALS:
  // Emitted on the object's thread; the program connects it to its quit.
  void QuitRequested(int signal);

 private:
  void OnReadable();

  QSocketNotifier* notifier_ = nullptr;
  int last_signal_ = 0;
};
