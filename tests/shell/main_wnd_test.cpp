// The main window without its skin: single instance end to end, the suspend
// gate and the window timers around it, the lighting-control request, the
// service tool's answer, refitting on display changes and the shutdown of
// workers that call into the UI thread.

#include "shell/main_wnd.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStyle>
#include <atomic>
#include <functional>

#include "devices/interface_catalogue.h"
#include "tests/shell/qt_app.h"
#include "tests/support/debug_capture.h"

namespace {

// The program is built into the same folder as the test programs.
QString ProgramPath() { return QCoreApplication::applicationDirPath() + "/ruvemo"; }

QProcessEnvironment ProgramEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("RUVEMO_DEBUG", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  return env;
}

bool NameOwned() {
  return QDBusConnection::sessionBus().interface()->isServiceRegistered(kProgramBusService);
}

TEST(SingleInstance, ASecondStartEndsAtOnceAndTheFirstComesToTheFront) {
  TestApp();
  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  ASSERT_FALSE(NameOwned()) << "a program already runs on this bus";

  QProcess first;
  first.setProcessEnvironment(ProgramEnvironment());
  first.start(ProgramPath(), {});
  ASSERT_TRUE(first.waitForStarted(5000))
      << ProgramPath().toStdString() << ": " << first.errorString().toStdString();
  ASSERT_TRUE(SpinUntil(NameOwned, 20000)) << "the first start never took the name";

  QProcess second;
  second.setProcessEnvironment(ProgramEnvironment());
  QElapsedTimer clock;
  clock.start();
  second.start(ProgramPath(), {});
  ASSERT_TRUE(second.waitForFinished(5000));
  // Start-up of a sanitized build is part of this time; the bus hand-over
  // itself takes milliseconds.
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);

  // The first instance was asked to come forward.
  QByteArray firstLog;
  SpinUntil(
      [&] {
        first.waitForReadyRead(20);
        firstLog += first.readAllStandardError();
        return firstLog.contains(QString("软件标示 0，0d1d").toUtf8());
      },
      3000);
  EXPECT_TRUE(firstLog.contains(QString("软件标示 0，0d1d").toUtf8())) << firstLog.toStdString();

  // A quit the window did not ask for still runs the whole shutdown.
  ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
  ASSERT_TRUE(first.waitForFinished(5000));
  firstLog += first.readAllStandardError();
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_TRUE(firstLog.contains("StopWorkers")) << firstLog.toStdString();
  EXPECT_TRUE(firstLog.contains("ruvemo: ended"));
  EXPECT_FALSE(NameOwned());
}

// The application has to exist before the window does.
struct AppFirst {
  AppFirst() { TestApp(); }
};

class MainWndTest : public ::testing::Test, private AppFirst {
 protected:
  void TearDown() override { window.OnPrepareForSleep(false); }
  CMainWnd window;
};

TEST_F(MainWndTest, SuspendClosesTheProcessingGateUntilResume) {
  window.OnPrepareForSleep(true);
  EXPECT_FALSE(CMainWnd::ProcessingGateOpen());
  window.OnGameMessage(GameMessage::kStart, 0, 3);
  EXPECT_FALSE(window.TimerActive(kTimerGameLighting));
  EXPECT_FALSE(window.HandlePrivateMessage(WM_SHOW_DEVICE_TAB, 0, 1));
  // The second instance's message is not behind the gate.
  const unsigned before = window.BringToFrontCount();
  window.OnInstanceMessage(0, 1);
  EXPECT_EQ(window.BringToFrontCount(), before + 1);

  window.OnPrepareForSleep(false);
  EXPECT_TRUE(CMainWnd::ProcessingGateOpen());
  EXPECT_TRUE(window.HandlePrivateMessage(WM_SHOW_DEVICE_TAB, 0, 1));
  window.OnGameMessage(GameMessage::kDeath, 7, 3);  // any wParam starts the timer
  EXPECT_TRUE(window.TimerActive(kTimerGameLighting));
}

TEST_F(MainWndTest, ATimerThatComesDueWhileSuspendedRunsOnceAfterResume) {
  // A right click on the tray icon starts timer 1032 (10 ms).
  ASSERT_TRUE(window.HandlePrivateMessage(WM_TRAY_ICON, kTrayIconId, WM_RBUTTONUP));
  ASSERT_TRUE(window.TimerActive(kTimerTrayMenu));
  window.OnPrepareForSleep(true);
  ASSERT_TRUE(SpinUntil([&] { return window.TimerHeld(kTimerTrayMenu); }, 1000));
  // Held, not lost, and nothing runs while the system sleeps.
  SpinUntil([] { return false; }, 60);
  EXPECT_TRUE(window.TimerActive(kTimerTrayMenu));
  EXPECT_EQ(window.TimerRunCount(kTimerTrayMenu), 0);

  window.OnPrepareForSleep(false);
  EXPECT_TRUE(SpinUntil([&] { return window.TimerRunCount(kTimerTrayMenu) == 1; }, 1000));
  EXPECT_FALSE(window.TimerActive(kTimerTrayMenu));  // killed when its handler ran
  SpinUntil([] { return false; }, 60);
  EXPECT_EQ(window.TimerRunCount(kTimerTrayMenu), 1);
}

TEST_F(MainWndTest, LightControlRequestTakesOnlyItsOwnValues) {
  struct Case {
    int w, l, flag;
  };
  for (const Case& c :
       {Case{1, 0, 0}, Case{2, 1, 0}, Case{1, 7, 0}, Case{1, 1, 1}, Case{0, 0, 1}}) {
    window.OnLightControlRequest(c.w, c.l);
    EXPECT_EQ(window.LightControlFlag(), c.flag) << c.w << "," << c.l;
  }
}

// The answer's 32-bit value at index i.
unsigned ValueAt(const QByteArray& block, int i) {
  const auto* p = reinterpret_cast<const unsigned char*>(block.constData()) + 4 * i;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24;
}

TEST(WorkToolAnswer, FixedValuesCountAndOneRowPerDeviceType) {
  const QByteArray block = BuildWorkToolAnswer(
      {{0x1A2B, 0x5055, 1}, {0x1A2B, 0x024F, 2}, {0x1A2B, 0x1111, 3}, {0x1A2B, 0x2222, 7}});
  ASSERT_EQ(block.size(), 1024);
  auto at = [&](int i) { return ValueAt(block, i); };
  const unsigned expected[] = {2, 3, 0, 2, 4, 0x1A2B, 0x5055, 1, 0x1A2B, 0x024F, 2};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(at(i), expected[i]) << i;
  EXPECT_EQ(at(5 + 3 * 3 + 2), 7u);
  EXPECT_EQ(at(17), 0u);  // the rest is zero
  // More rows than fit are left out rather than written beyond the block,
  // and the count says how many it holds.
  const QByteArray full = BuildWorkToolAnswer(std::vector<WorkToolDevice>(200, {1, 2, 3}));
  ASSERT_EQ(full.size(), 1024);
  EXPECT_EQ(ValueAt(full, 4), 83u);
  EXPECT_EQ(ValueAt(full, 5 + 3 * 82 + 2), 3u);
}

void ExpectCatalogueAnswer(const QByteArray& block) {
  ASSERT_EQ(block.size(), 1024);
  const unsigned fixed[] = {2, 3, 0, 2};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ValueAt(block, i), fixed[i]) << i;
  ASSERT_EQ(ValueAt(block, 4), kDeviceTypes.size());
  for (size_t row = 0; row < kDeviceTypes.size(); ++row) {
    const int at = 5 + 3 * static_cast<int>(row);
    EXPECT_EQ(ValueAt(block, at), kDeviceTypes[row].vendorId) << row;
    EXPECT_EQ(ValueAt(block, at + 1), kDeviceTypes[row].productId) << row;
    EXPECT_EQ(ValueAt(block, at + 2), kDeviceTypes[row].kind) << row;
  }
}

TEST_F(MainWndTest, TheServiceToolLearnsTheCataloguesDeviceTypes) {
  ExpectCatalogueAnswer(window.OnWorkToolQuery());

  // The same answer as the tool gets it over the session bus.
  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  const QString service = QString("org.ruvemo.Test.W%1").arg(QCoreApplication::applicationPid());
  CProgramBus bus(QDBusConnection::sessionBus(), service);
  ASSERT_EQ(bus.ClaimInstance(), CProgramBus::Claim::kFirst);
  window.AttachProgramBus(&bus);
  QDBusConnection tool = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "worktool");
  const QDBusPendingCall call = tool.asyncCall(QDBusMessage::createMethodCall(
      service, kProgramBusPath, kProgramBusInterface, "QueryWorkTool"));
  ASSERT_TRUE(SpinUntil([&] { return call.isFinished(); }, 3000));
  const QDBusPendingReply<QByteArray> reply = call;
  ASSERT_TRUE(reply.isValid()) << reply.error().message().toStdString();
  ExpectCatalogueAnswer(reply.value());
  window.AttachProgramBus(nullptr);
  QDBusConnection::disconnectFromBus("worktool");
}

TEST_F(MainWndTest, AScreenThatComesGoesOrChangesFitsTheWindowToItsMonitorAgain) {
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect fitted = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, QSize(1000, 640),
                                           screen->availableGeometry());
  const QRect moved(10, 20, 300, 200);
  struct Case {
    const char* what;
    std::function<void()> announce;  // as the windowing system would
  };
  const Case cases[] = {
      {"geometry", [&] { emit screen->geometryChanged(screen->geometry()); }},
      {"available geometry",
       [&] { emit screen->availableGeometryChanged(screen->availableGeometry()); }},
      {"resolution", [&] { emit screen->logicalDotsPerInchChanged(96); }},
      {"screen added", [&] { emit qApp->screenAdded(screen); }},
      {"screen removed", [&] { emit qApp->screenRemoved(screen); }},
  };
  for (const Case& c : cases) {
    window.setGeometry(moved);
    SpinUntil([] { return false; }, 30);
    ASSERT_EQ(window.geometry(), moved) << c.what << ": moved without a display change";
    DebugCapture capture;
    c.announce();
    EXPECT_TRUE(SpinUntil([&] { return window.geometry() == fitted; }, 1000)) << c.what;
    EXPECT_TRUE(capture.Contains("显示器分辨率发生变化")) << c.what;
  }
}

TEST_F(MainWndTest, WorkerCallsAreServedByTheEventLoopAndTheShutdownIsBounded) {
  std::atomic<int> served{0};
  ASSERT_TRUE(
      window.WorkerSlots().Start(CWorkerSlots::kDiscoverySlot, [&](const WorkerStartRecord& r) {
        EXPECT_EQ(r.owner, &window);
        while (!r.stop->Wait(1)) window.UiCalls().Send([&] { ++served; });
        window.UiCalls().Send([&] { served += 1000; });  // one last report after the stop
      }));
  EXPECT_TRUE(SpinUntil([&] { return served >= 5; }));  // the event loop serves them
  QElapsedTimer clock;
  clock.start();
  window.Shutdown();
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_GE(served.load(), 1000);
  EXPECT_TRUE(window.WorkerSlots().Finished(CWorkerSlots::kDiscoverySlot));
  window.Shutdown();  // a second shutdown does nothing
}

}  // namespace
