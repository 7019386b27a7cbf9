// Whether the program is running: it owns its well-known name on the session
// bus (docs/DBUS.md). The one place ruvemoctl uses D-Bus.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <memory>

#include "ctl/ctl_commands.h"
#include "platform/qt/program_bus.h"

namespace {
constexpr int kBusTimeoutMs = 2000;  // the bus daemon answers at once; never wait long
}  // namespace

std::string ProgramRunningReason() {
  // Qt's bus connection wants an application object; ruvemoctl has none.
  std::unique_ptr<QCoreApplication> app;
  static int argc = 1;
  static char name[] = "ruvemoctl";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) app = std::make_unique<QCoreApplication>(argc, argv);
  std::string reason;
  {
    const QString connectionName = QStringLiteral("ruvemoctl-check");
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    if (bus.isConnected()) {
      QDBusMessage ask = QDBusMessage::createMethodCall(
          QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
          QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
      ask << QString::fromLatin1(kProgramBusService);
      const QDBusMessage answer = bus.call(ask, QDBus::Block, kBusTimeoutMs);
      if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty() &&
          answer.arguments().first().toBool())
        reason = std::string("the program is running (it owns ") + kProgramBusService +
                 " on the session bus)";
    }
    QDBusConnection::disconnectFromBus(connectionName);
  }
  return reason;
}
