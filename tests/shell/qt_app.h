#pragma once
// One QApplication for a test program, made on first use (the platform is
// offscreen under ctest).

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "ruvemo-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Runs the event loop until done() holds or timeoutMs passed; returns done().
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeoutMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return done();
}

// Takes up a quit the code under test posted (a closing main window posts
// one), so that later event loops of the same test program still run.
inline void DrainPostedQuit() {
  QApplication::processEvents();
  QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  QApplication::exec();
}
