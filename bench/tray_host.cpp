// ruvemo-tray-host: a stand-in for a desktop's tray on the D-Bus session bus,
// for benchmarks and screenshots under a headless X server, where no panel
// shows tray icons. It owns org.kde.StatusNotifierWatcher and tells the
// toolkit that a host shows the icons, so that the program's tray icon goes on
// the bus as a StatusNotifierItem. Each item that registers is printed on
// standard output as "item SERVICE"; a click on the icon is then the method
// org.kde.StatusNotifierItem.Activate(0, 0) on object /StatusNotifierItem of
// SERVICE (gdbus call --session --dest SERVICE ...).
// Runs until SIGTERM, SIGINT or the end of the session bus.

#include <sys/signalfd.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <csignal>
#include <cstdio>

namespace {

constexpr char kWatcherService[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";

}  // namespace

class CTrayWatcher : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
  Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)

 public:
  bool IsStatusNotifierHostRegistered() const { return true; }
  int ProtocolVersion() const { return 0; }
  QStringList RegisteredStatusNotifierItems() const { return items_; }

 public Q_SLOTS:
  void RegisterStatusNotifierItem(const QString& service) {
    // An item may give its bus name or only its object path; the sender's
    // unique name reaches it either way.
    const QString name = service.startsWith('/') ? message().service() : service;
    if (!items_.contains(name)) items_.append(name);
    std::printf("item %s\n", name.toUtf8().constData());
    std::fflush(stdout);
    Q_EMIT StatusNotifierItemRegistered(name);
  }
  void RegisterStatusNotifierHost(const QString& service) { (void)service; }

 Q_SIGNALS:
  void StatusNotifierItemRegistered(const QString& service);
  void StatusNotifierItemUnregistered(const QString& service);
  void StatusNotifierHostRegistered();

 private:
  QStringList items_;
};

int main(int argc, char* argv[]) {
  // The signals are taken through a descriptor so that the loop ends cleanly.
  sigset_t quitSet;
  sigemptyset(&quitSet);
  sigaddset(&quitSet, SIGINT);
  sigaddset(&quitSet, SIGTERM);
  sigaddset(&quitSet, SIGHUP);
  if (sigprocmask(SIG_BLOCK, &quitSet, nullptr) != 0) return 1;
  const int signalFd = signalfd(-1, &quitSet, SFD_CLOEXEC);
  if (signalFd < 0) return 1;

  QCoreApplication app(argc, argv);
  QSocketNotifier quit(signalFd, QSocketNotifier::Read);
  QObject::connect(&quit, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fprintf(stderr, "ruvemo-tray-host: no session bus\n");
    return 1;
  }
  CTrayWatcher watcher;
  if (!bus.registerObject(kWatcherPath, &watcher,
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                              QDBusConnection::ExportAllProperties)) {
    std::fprintf(stderr, "ruvemo-tray-host: cannot serve %s\n", kWatcherPath);
    return 1;
  }
  const auto reply =
      bus.interface()->registerService(kWatcherService, QDBusConnectionInterface::DontQueueService,
                                       QDBusConnectionInterface::DontAllowReplacement);
  if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
    std::fprintf(stderr, "ruvemo-tray-host: %s is taken: a tray already runs on this bus\n",
                 kWatcherService);
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  const int status = app.exec();
  ::close(signalFd);
  return status;
}

#include "tray_host.moc"
