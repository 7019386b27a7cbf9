// The program's D-Bus face on the private session bus of the test run: one
// owner of the name, a second start that reaches the first, the messages of
// the interface and logind's sleep signal.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/qt/program_bus.h"
#include "platform/qt/sleep_watcher.h"
#include "tests/shell/qt_app.h"

namespace {

// A name of this test program's own, so that test programs running side by
// side on the bus never meet.
QString TestService() {
  return QString("org.ruvemo.Test.P%1").arg(QCoreApplication::applicationPid());
}

struct RecordingHandler : IProgramBusHandler {
  std::vector<std::string> calls;
  void OnInstanceMessage(int w, int l) override { Add("instance", w, l); }
  void OnUpdateStatus(int w, int l) override { Add("update", w, l); }
  void OnLightControlRequest(int w, int l) override { Add("light", w, l); }
  QByteArray OnWorkToolQuery() override {
    calls.push_back("worktool");
    return QByteArray(1024, '\x05');
  }
  void OnGameMessage(GameMessage which, int w, int l) override {
    Add("game" + std::to_string(static_cast<int>(which)), w, l);
  }
  void Add(const std::string& what, int w, int l) {
    calls.push_back(what + " " + std::to_string(w) + " " + std::to_string(l));
  }
};

// A second client of the session bus, as another program would be.
QDBusConnection OtherClient(const char* name) {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}

// Calls a method of the program from another thread (as another process
// would) while this thread serves the program's event loop.
QDBusMessage CallFromOutside(QDBusConnection client, const char* method, QVariantList args) {
  QDBusMessage reply;
  std::atomic<bool> done{false};
  std::thread caller([&] {
    QDBusMessage call = QDBusMessage::createMethodCall(TestService(), kProgramBusPath,
                                                       kProgramBusInterface, method);
    call.setArguments(args);
    reply = client.call(call, QDBus::Block, 2000);
    done = true;
  });
  SpinUntil([&] { return done.load(); }, 3000);
  caller.join();
  return reply;
}

class ProgramBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  }
};

TEST_F(ProgramBusTest, OnlyOneOwnerAndTheSecondStartReachesTheFirst) {
  CProgramBus first(QDBusConnection::sessionBus(), TestService());
  RecordingHandler handler;
  first.SetHandler(&handler);
  ASSERT_EQ(first.ClaimInstance(), CProgramBus::Claim::kFirst);

  QDBusConnection other = OtherClient("second-start");
  {
    CProgramBus second(other, TestService());
    EXPECT_EQ(second.ClaimInstance(), CProgramBus::Claim::kOtherRuns);
    EXPECT_FALSE(second.OwnsName());
  }
  bool answered = false;
  std::atomic<bool> done{false};
  std::thread starter([&] {
    answered = CProgramBus::ActivateRunningInstance(other, 1000, TestService());
    done = true;
  });
  SpinUntil([&] { return done.load(); });
  starter.join();
  EXPECT_TRUE(answered);
  EXPECT_EQ(handler.calls, std::vector<std::string>{"instance 0 1"});

  // Once the first gives the name back, the next start is the first again.
  first.Release();
  CProgramBus next(other, TestService());
  EXPECT_EQ(next.ClaimInstance(), CProgramBus::Claim::kFirst);
  next.Release();
  QDBusConnection::disconnectFromBus("second-start");
}

TEST_F(ProgramBusTest, NobodyToActivateAnswersFalseQuickly) {
  QDBusConnection other = OtherClient("lonely-start");
  EXPECT_FALSE(CProgramBus::ActivateRunningInstance(other, 500, TestService()));
  QDBusConnection::disconnectFromBus("lonely-start");
}

TEST_F(ProgramBusTest, WithoutABusTheProgramRunsAlone) {
  CProgramBus bus(QDBusConnection("no-such-connection"));
  EXPECT_EQ(bus.ClaimInstance(), CProgramBus::Claim::kNoBus);
  bus.BroadcastLightControl(1, 1);  // harmless
}

TEST_F(ProgramBusTest, MethodsReachTheHandlerWithTheirArguments) {
  CProgramBus program(QDBusConnection::sessionBus(), TestService());
  RecordingHandler handler;
  program.SetHandler(&handler);
  ASSERT_EQ(program.ClaimInstance(), CProgramBus::Claim::kFirst);
  QDBusConnection other = OtherClient("caller");

  struct Case {
    const char* method;
    int w, l;
    const char* expected;
  };
  const Case cases[] = {
      {"UpdateStatus", 3, 7, "update 3 7"}, {"RequestLightControl", 1, 0, "light 1 0"},
      {"GameStart", 0, 5, "game0 0 5"},     {"GameEnd", 1, 6, "game1 1 6"},
      {"GameKill", 2, 7, "game2 2 7"},      {"GameDeath", 9, 1, "game3 9 1"},
  };
  for (const Case& c : cases) {
    handler.calls.clear();
    const QDBusMessage reply = CallFromOutside(other, c.method, {c.w, c.l});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << c.method;
    EXPECT_EQ(handler.calls, std::vector<std::string>{c.expected}) << c.method;
  }

  handler.calls.clear();
  const QDBusMessage answer = CallFromOutside(other, "QueryWorkTool", {});
  ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(answer.arguments().value(0).toByteArray().size(), 1024);

  // A call of the wrong shape is refused by the bus layer, not handled.
  handler.calls.clear();
  const QDBusMessage wrong = CallFromOutside(other, "GameStart", {QString("x")});
  EXPECT_EQ(wrong.type(), QDBusMessage::ErrorMessage);
  EXPECT_TRUE(handler.calls.empty());
  QDBusConnection::disconnectFromBus("caller");
}

// Receives the lighting-control signal as another program would.
class SignalSink : public QObject {
  Q_OBJECT
 public:
  std::vector<std::pair<int, int>> seen;
 public Q_SLOTS:
  void OnChanged(int w, int l) { seen.emplace_back(w, l); }
};

TEST_F(ProgramBusTest, LightControlBroadcastIsASignal) {
  CProgramBus program(QDBusConnection::sessionBus(), TestService());
  ASSERT_EQ(program.ClaimInstance(), CProgramBus::Claim::kFirst);
  QDBusConnection other = OtherClient("listener");
  SignalSink sink;
  ASSERT_TRUE(other.connect("", kProgramBusPath, kProgramBusInterface, "LightControlChanged", &sink,
                            SLOT(OnChanged(int, int))));
  program.BroadcastLightControl(1, 0);
  EXPECT_TRUE(SpinUntil([&] { return !sink.seen.empty(); }));
  EXPECT_EQ(sink.seen, (std::vector<std::pair<int, int>>{{1, 0}}));
  QDBusConnection::disconnectFromBus("listener");
}

// logind's PrepareForSleep, sent by a stand-in that owns logind's name on the
// test's own bus.
TEST_F(ProgramBusTest, SleepWatcherFollowsPrepareForSleep) {
  QDBusConnection logind = OtherClient("fake-logind");
  ASSERT_TRUE(logind.registerService(kLogindService));
  std::vector<bool> seen;
  CSleepWatcher watcher(QDBusConnection::sessionBus(), [&](bool s) { seen.push_back(s); });
  ASSERT_TRUE(watcher.Listening());
  // One at a time: right after the watcher connects, the bus library is
  // still resolving the name's owner and may hand two quick signals over in
  // either order; logind's own signals are seconds apart.
  for (bool suspending : {true, false}) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kLogindPath, kLogindManager, "PrepareForSleep");
    signal << suspending;
    const size_t before = seen.size();
    logind.send(signal);
    EXPECT_TRUE(SpinUntil([&] { return seen.size() > before; }));
  }
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  logind.unregisterService(kLogindService);
  QDBusConnection::disconnectFromBus("fake-logind");
}

TEST_F(ProgramBusTest, SleepWatcherWithoutBusStaysQuiet) {
  CSleepWatcher watcher(QDBusConnection("no-such-connection"), [](bool) { FAIL(); });
  EXPECT_FALSE(watcher.Listening());
}

}  // namespace

#include "program_bus_test.moc"
