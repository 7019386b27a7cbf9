// The program's entry point: private fonts, single instance on the session
// bus, the main window, and an orderly end on every path (the window closed,
// a quit signal, the session ended).

#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <array>
#include <memory>

#include "panels/toolkit/resource_manager.h"
#include "platform/debug_output.h"
#include "platform/qt/program_bus.h"
#include "platform/qt/quit_signals.h"
#include "platform/qt/sleep_watcher.h"
#include "shell/control_classes.h"
#include "shell/font_resource_holder.h"
#include "shell/main_wnd.h"
#include "shell/screenshots.h"

namespace {
constexpr UINT kMinimiseBox = 0x00020000;
}  // namespace

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

  SetupSkinResources();
  auto window = std::make_unique<CMainWnd>();
  window->AttachProgramBus(&bus);
  CSleepWatcher sleep(QDBusConnection::systemBus(),
                      [&window](bool suspending) { window->OnPrepareForSleep(suspending); });

  CQuitSignals quitSignals;
  QObject::connect(&quitSignals, &CQuitSignals::QuitRequested, &app, [] { QApplication::quit(); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [] { QApplication::quit(); });

  // Built hidden from the skin; it shows itself once the first device scan
  // is done. Closing it posts the quit that ends the loop.
  window->Create(nullptr, L"Brivo75", UI_WNDSTYLE_DIALOG | kMinimiseBox, 0, 0, 0, 800, 572);
  QApplication::setWindowIcon(QIcon(QString::fromStdWString(
      CResourceManager::GetInstance().ResolvePath(L"common/icons/logo.svg"))));
  window->setWindowIcon(QApplication::windowIcon());
  window->CenterWindow();

  // Hidden option for the documentation: pictures of the windows, then quit.
  const QStringList args = QApplication::arguments();
  if (const qsizetype at = args.indexOf("--screenshot"); at >= 0 && at + 1 < args.size())
    TakeScreenshots(window.get(), args[at + 1]);

  CPaintManagerUI::MessageLoop();

  window->Shutdown();
  window->AttachProgramBus(nullptr);
  window.reset();
  bus.Release();
  releaseFonts();
  DebugOutput("ruvemo: ended");
  return 0;
}
