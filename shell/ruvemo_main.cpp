// The program's entry point: private fonts, single instance on the session
// bus, the main window, and an orderly end on every path (the window closed,
// a quit signal, the session ended).

#include <QApplication>
#include <QDBusConnection>
#include <QScreen>
#include <QStyle>
#include <array>
#include <memory>

#include "platform/debug_output.h"
#include "platform/qt/program_bus.h"
#include "platform/qt/quit_signals.h"
#include "platform/qt/sleep_watcher.h"
#include "shell/font_resource_holder.h"
#include "shell/main_wnd.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Ruvemo");
  QApplication::setQuitOnLastWindowClosed(false);  // the tray icon keeps the program

  std::array<CFontResourceHolder, std::size(kPrivateFonts)> fonts;
  for (size_t i = 0; i < fonts.size(); ++i) fonts[i].LoadPrivateFont(kPrivateFonts[i]);
  auto releaseFonts = [&fonts] {
    for (size_t i = fonts.size(); i-- > 0;) fonts[i].Release();
  };

  CProgramBus bus(QDBusConnection::sessionBus());
  if (bus.ClaimInstance() == CProgramBus::Claim::kOtherRuns) {
    // Another instance runs: ask it to come forward and end.
    CProgramBus::ActivateRunningInstance(QDBusConnection::sessionBus(), 800);
    releaseFonts();
    return 0;
  }

  auto window = std::make_unique<CMainWnd>();
  window->AttachProgramBus(&bus);
  CSleepWatcher sleep(QDBusConnection::systemBus(),
                      [&window](bool suspending) { window->OnPrepareForSleep(suspending); });

  CQuitSignals quitSignals;
  QObject::connect(&quitSignals, &CQuitSignals::QuitRequested, &app, [] { QApplication::quit(); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [] { QApplication::quit(); });

  window->resize(800, 572);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(),
                                            screen->availableGeometry()));
  }
  window->show();
  QObject::connect(window.get(), &QWidget::destroyed, &app, [] { QApplication::quit(); });

  // The window ends the program when it closes; a quit it did not ask for
  // (a signal, the session's end) arrives here with its shutdown not yet run.
  class CloseWatcher : public QObject {
   public:
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Close)
        QMetaObject::invokeMethod(
            qApp, [] { QApplication::quit(); }, Qt::QueuedConnection);
      return QObject::eventFilter(o, e);
    }
  } closeWatcher;
  window->installEventFilter(&closeWatcher);

  QApplication::exec();

  window->Shutdown();
  window->AttachProgramBus(nullptr);
  window.reset();
  bus.Release();
  releaseFonts();
  DebugOutput("ruvemo: ended");
  return 0;
}
