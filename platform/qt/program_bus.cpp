#include "platform/qt/program_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>

#include "platform/debug_output.h"

QDBusArgument& operator<<(QDBusArgument& argument, const BusDeviceEntry& entry) {
  argument.beginStructure();
  argument << entry.kind << entry.connection << entry.visible;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusDeviceEntry& entry) {
  argument.beginStructure();
  argument >> entry.kind >> entry.connection >> entry.visible;
  argument.endStructure();
  return argument;
}

CProgramBus::CProgramBus(QDBusConnection bus, QString service, QObject* parent)
    : QObject(parent), bus_(bus), service_(std::move(service)) {
  qDBusRegisterMetaType<BusDeviceEntry>();
  qDBusRegisterMetaType<BusDeviceList>();
}

CProgramBus::~CProgramBus() { Release(); }

CProgramBus::Claim CProgramBus::ClaimInstance() {
  if (!bus_.isConnected()) {
    DebugOutput("D-Bus: no session bus, running as the only instance");
    return Claim::kNoBus;
  }
  owns_object_ = bus_.registerObject(
      kProgramBusPath, this,
      QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals);
  if (!owns_object_) {
    // The path is taken inside this very connection: an earlier object of our
    // own still holds it; the name decides all the same.
    DebugOutput("D-Bus: the program object could not be registered");
  }
  QDBusConnectionInterface* daemon = bus_.interface();
  if (daemon == nullptr) return Claim::kNoBus;
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
      daemon->registerService(service_, QDBusConnectionInterface::DontQueueService,
                              QDBusConnectionInterface::DontAllowReplacement);
  if (!reply.isValid()) {
    DebugOutputF("D-Bus: name request failed: %s", qPrintable(reply.error().message()));
    // A bus that cannot give names is no bus to be a single instance on.
    return Claim::kNoBus;
  }
  if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
    owns_name_ = true;
    DebugOutputF("软件标示：%s", qPrintable(service_));
    return Claim::kFirst;
  }
  if (owns_object_) {
    bus_.unregisterObject(kProgramBusPath);
    owns_object_ = false;
  }
  return Claim::kOtherRuns;
}

void CProgramBus::Release() {
  if (owns_name_) {
    if (bus_.interface() != nullptr) bus_.interface()->unregisterService(service_);
    owns_name_ = false;
  }
  if (owns_object_) {
    bus_.unregisterObject(kProgramBusPath);
    owns_object_ = false;
  }
}

void CProgramBus::BroadcastLightControl(int wParam, int lParam) {
  if (!bus_.isConnected()) return;
  QDBusMessage signal =
      QDBusMessage::createSignal(kProgramBusPath, kProgramBusInterface, "LightControlChanged");
  signal << wParam << lParam;
  bus_.send(signal);
}

bool CProgramBus::ActivateRunningInstance(QDBusConnection bus, int timeoutMs,
                                          const QString& service) {
  if (!bus.isConnected()) return false;
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, kProgramBusPath, kProgramBusInterface, "Activate");
  const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage;
}

void CProgramBus::Activate() {
  if (handler_ != nullptr) handler_->OnInstanceMessage(0, 1);
}

void CProgramBus::UpdateStatus(int wParam, int lParam) {
  if (handler_ != nullptr) handler_->OnUpdateStatus(wParam, lParam);
}

void CProgramBus::RequestLightControl(int wParam, int lParam) {
  if (handler_ != nullptr) handler_->OnLightControlRequest(wParam, lParam);
}

QByteArray CProgramBus::QueryWorkTool() {
  return handler_ != nullptr ? handler_->OnWorkToolQuery() : QByteArray();
}

BusDeviceList CProgramBus::ListDevices() {
  return handler_ != nullptr ? handler_->OnListDevices() : BusDeviceList();
}

void CProgramBus::GameStart(int wParam, int lParam) { Game(GameMessage::kStart, wParam, lParam); }
void CProgramBus::GameEnd(int wParam, int lParam) { Game(GameMessage::kEnd, wParam, lParam); }
void CProgramBus::GameKill(int wParam, int lParam) { Game(GameMessage::kKill, wParam, lParam); }
void CProgramBus::GameDeath(int wParam, int lParam) { Game(GameMessage::kDeath, wParam, lParam); }

void CProgramBus::Game(GameMessage which, int wParam, int lParam) {
  if (handler_ != nullptr) handler_->OnGameMessage(which, wParam, lParam);
}
