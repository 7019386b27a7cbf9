#pragma once
// The program's face on the D-Bus session bus. The well-known name makes the
// program a single instance (a second start asks the first to come forward and
// ends); the object at kProgramBusPath carries the messages other programs
// exchange with the running program: the updater's status, lighting control
// requests and the lighting control signal, the service tool's query and the
// game lighting cues. docs/DBUS.md documents the interface.

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

inline constexpr char kProgramBusService[] = "org.ruvemo.Brivo75";
inline constexpr char kProgramBusPath[] = "/org/ruvemo/Brivo75";
inline constexpr char kProgramBusInterface[] = "org.ruvemo.Brivo75";

// The four game integration messages; they all ask for the same cue.
enum class GameMessage { kStart, kEnd, kKill, kDeath };

// One row of ListDevices: a device page's kind (1 keyboard, 2 mouse, 3 mouse
// pad, 7 headset), its connection ("wired" or "receiver") and whether its tab
// is shown. On the bus a struct (isb).
struct BusDeviceEntry {
  int kind = 0;
  QString connection;
  bool visible = false;
};
using BusDeviceList = QList<BusDeviceEntry>;
QDBusArgument& operator<<(QDBusArgument& argument, const BusDeviceEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusDeviceEntry& entry);
Q_DECLARE_METATYPE(BusDeviceEntry)
Q_DECLARE_METATYPE(BusDeviceList)

// What the program does with what arrives on the bus. Every call runs on the
// thread that owns the CProgramBus object (the UI thread).
class IProgramBusHandler {
 public:
  virtual ~IProgramBusHandler() = default;
  // A second instance started (wParam 0, lParam 1).
  virtual void OnInstanceMessage(int wParam, int lParam) = 0;
  virtual void OnUpdateStatus(int wParam, int lParam) = 0;
  virtual void OnLightControlRequest(int wParam, int lParam) = 0;
  // The service tool's answer block (1024 bytes of 32-bit values).
  virtual QByteArray OnWorkToolQuery() = 0;
  virtual void OnGameMessage(GameMessage which, int wParam, int lParam) = 0;
  // The device pages, in tab order.
  virtual BusDeviceList OnListDevices() { return {}; }
};

class CProgramBus : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.ruvemo.Brivo75")

 public:
  enum class Claim {
    kFirst,      // this process owns the name and serves the object
    kOtherRuns,  // another process owns the name
    kNoBus,      // no session bus: run as the only instance
  };

  // service: the well-known name to own; tests pass names of their own.
  explicit CProgramBus(QDBusConnection bus, QString service = kProgramBusService,
                       QObject* parent = nullptr);
  ~CProgramBus() override;

  // Serves the object and takes the well-known name, in that order, so that a
  // caller who sees the name always finds the object.
  Claim ClaimInstance();
  // Gives the name and the object back (also done by the destructor).
  void Release();
  bool OwnsName() const { return owns_name_; }

  // Messages are dropped while no handler is set.
  void SetHandler(IProgramBusHandler* handler) { handler_ = handler; }

  // Emits LightControlChanged(wParam, lParam) to every listener on the bus.
  void BroadcastLightControl(int wParam, int lParam);

  // A second start: asks the owner of the name to come forward. Returns false
  // when nobody answered within timeoutMs.
  static bool ActivateRunningInstance(QDBusConnection bus, int timeoutMs,
                                      const QString& service = kProgramBusService);

 public Q_SLOTS:
  // The methods of the interface (called by other programs over the bus).
  Q_SCRIPTABLE void Activate();
  Q_SCRIPTABLE void UpdateStatus(int wParam, int lParam);
  Q_SCRIPTABLE void RequestLightControl(int wParam, int lParam);
  Q_SCRIPTABLE QByteArray QueryWorkTool();
  Q_SCRIPTABLE BusDeviceList ListDevices();
  Q_SCRIPTABLE void GameStart(int wParam, int lParam);
  Q_SCRIPTABLE void GameEnd(int wParam, int lParam);
  Q_SCRIPTABLE void GameKill(int wParam, int lParam);
  Q_SCRIPTABLE void GameDeath(int wParam, int lParam);

 Q_SIGNALS:
  Q_SCRIPTABLE void LightControlChanged(int wParam, int lParam);

 private:
  void Game(GameMessage which, int wParam, int lParam);

  QDBusConnection bus_;
  QString service_;
  IProgramBusHandler* handler_ = nullptr;
  bool owns_object_ = false;
  bool owns_name_ = false;
};
