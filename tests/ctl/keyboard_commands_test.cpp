// ruvemoctl keyboard as a separate process against the simulated keyboard on
// a private HID bus, and the refusal of device commands while the program
// owns its name on a private session bus.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devices/keyboard_tables.h"
#include "platform/qt/program_bus.h"
#include "profiles/data_folders.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/macro_library.h"
#include "profiles/profile_list.h"
#include "sim/device_layout.h"
#include "sim/simulator.h"
#include "tests/ctl/ctl_run.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/sim_bus.h"
#include "tests/support/stored_keyboard_profile.h"

namespace {

// The device position of key number key on the simulated keyboard, -1 none.
int SimPosition(int key) {
  const auto& positions = SimKeyboardPositions();
  for (size_t k = 0; k < positions.size(); ++k)
    if (std::equal(kKeyLayoutTable[key].begin(), kKeyLayoutTable[key].end(), positions[k].code))
      return static_cast<int>(k);
  return -1;
}

class CtlKeyboardTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    ::setenv("XDG_DATA_HOME", (Folder() + "/data").c_str(), 1);
    ::setenv("RUVEMO_DATA_DIR", RUVEMO_SOURCE_DIR, 1);
    sim_ = MakeQuickSimulator(Folder());
    // Other tests of the run may own the program's name on the shared session
    // bus; the tool asks a bus of this test's own (none unless started).
    bus_ = "unix:path=" + Folder() + "/session-bus";
  }
  void TearDown() override {
    sim_.reset();
    if (daemon_ > 0) {
      ::kill(daemon_, SIGTERM);
      ::waitpid(daemon_, nullptr, 0);
    }
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("RUVEMO_DATA_DIR");
    BusFolderTest::TearDown();
  }

  CtlRun Run(const std::string& arguments) { return RunCtl(Folder(), bus_, arguments); }

  // Starts a session bus daemon of this test's own at bus_.
  bool StartSessionBus() {
    const std::string socket = Folder() + "/session-bus";
    daemon_ = ::fork();
    if (daemon_ == 0) {
      const std::string address = "--address=" + bus_;
      ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
               address.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return daemon_ > 0 && WaitFor([&] { return std::filesystem::exists(socket); }, 5000);
  }

  std::vector<uint8_t> Area(SimArea area) const { return sim_->Memory(SimProduct::Keyboard, area); }

  std::unique_ptr<CSimulator> sim_;
  std::string bus_;
  pid_t daemon_ = -1;
};

TEST_F(CtlKeyboardTest, LayoutListsEveryKeyWithItsPositionAndLed) {
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  const CtlRun run = Run("keyboard layout");
  ASSERT_EQ(run.status, 0) << run.err;
  std::ostringstream expected;
  expected << "key count 104\nblock size 312\n";
  for (int key = 0; key < kKeyboardKeyNumbers; ++key) {
    const int k = SimPosition(key);
    if (k >= 0)
      expected << key << ' ' << k << ' ' << int(SimKeyboardPositions()[k].ledIndex) << '\n';
  }
  EXPECT_EQ(run.out, expected.str());
}

TEST_F(CtlKeyboardTest, SettingsShowsTheBlockOfTheChosenOrActiveProfile) {
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 0, {3}));
  struct Case {
    const char* args;
    std::vector<const char*> lines;
  };
  const Case cases[] = {
      // Factory profile 2: effect 6, brightness 4, device speed 2, direction 1, blue.
      {"keyboard settings 2",
       {"profile 2\n", "active profile 3\n", "effect code 6\n", "effect 6\n", "brightness 4\n",
        "speed 2\n", "direction 1\n", "blue 255\n", "polling rate 3\n"}},
      // Without P the active profile 3: effect 4, brightness 2, device speed 3.
      {"keyboard settings", {"profile 3\n", "effect code 4\n", "brightness 2\n", "speed 1\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CtlRun run = Run(c.args);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* line : c.lines)
      EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
  }
}

TEST_F(CtlKeyboardTest, ExitStatusSaysWhatWentWrong) {
  struct Case {
    const char* args;
    bool plugged;
    int status;
  };
  const Case cases[] = {
      {"keyboard layout", false, 1},
      {"keyboard settings", false, 1},
      {"keyboard write-profile", false, 1},
      {"keyboard settings x", true, 2},
      {"keyboard settings 9999", true, 2},
      {"keyboard write-profile 7", true, 2},  // one stored profile
      {"keyboard frobnicate", true, 2},
      {"keyboard layout extra", true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    if (c.plugged) {
      ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
    } else {
      sim_->Unplug(SimProduct::Keyboard);
    }
    const CtlRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    if (c.status != 0) {
      EXPECT_FALSE(run.err.empty());
    }
  }
}

class CtlWriteProfileTest : public CtlKeyboardTest {
 protected:
  // The keyboard's selected stored profile (see StoreKeyboardProfileWithMacros).
  void StoreProfile(int eventsPerMacro) {
    ASSERT_FALSE(StoreKeyboardProfileWithMacros(eventsPerMacro).empty());
  }
  std::vector<uint8_t> KeyEntry(SimArea area, int key) const {
    const auto table = Area(area);
    const size_t at = static_cast<size_t>(SimPosition(key)) * 3;
    return {table[at], table[at + 1], table[at + 2]};
  }
};

TEST_F(CtlWriteProfileTest, WritesSettingsKeyTablesAndMacrosAsAProfileSwitch) {
  StoreProfile(3);
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  // Active profile 2 on the keyboard, with a byte the program does not own.
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 0, {2}));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 62 + 10, {0x5A}));
  const auto profile2 = Area(SimArea::Parameters);
  const CtlRun run = Run("keyboard write-profile");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto params = Area(SimArea::Parameters);
  EXPECT_EQ(params[0], 0);      // profile 0, made the active one
  EXPECT_EQ(params[3], 3);      // speed 4 − 1
  EXPECT_EQ(params[6], 99);     // red
  EXPECT_EQ(params[10], 0x5A);  // from the block last read (the active profile's)
  EXPECT_TRUE(std::equal(params.begin() + 31, params.end(), profile2.begin() + 31));

  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 64), (std::vector<uint8_t>{0x70, 0, 0}));
  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 65), (std::vector<uint8_t>{0x71, 1, 0}));
  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 0), (std::vector<uint8_t>{0x20, 0, 0x29}));
  const auto macro = Area(SimArea::Macro);
  // Two macros of three events: 16 + 12 + 24 bytes.
  EXPECT_EQ(std::vector<uint8_t>(macro.begin(), macro.begin() + 6),
            (std::vector<uint8_t>{0xAA, 0x55, 52, 0, 2, 0}));
}

TEST_F(CtlWriteProfileTest, MacrosTooLargeForTheKeyboardWriteNoMacrosAndNoKeys) {
  StoreProfile(40);  // 16 + 12 + 320 bytes
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Info, 6, {2}));  // 256 bytes
  const auto keys = Area(SimArea::KeyTable);
  const auto macro = Area(SimArea::Macro);
  const CtlRun run = Run("keyboard write-profile 0");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("macro memory"), std::string::npos) << run.err;
  EXPECT_EQ(Area(SimArea::Macro), macro);
  EXPECT_EQ(Area(SimArea::KeyTable), keys);
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x15), 0u);
}

// ---- The running program's devices ----

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "ctl_keyboard_commands_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

TEST_F(CtlKeyboardTest, DeviceCommandsLeaveTheRunningProgramsDevicesAlone) {
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(StartSessionBus());
  App();
  // A bus without the program: the tool goes ahead.
  EXPECT_EQ(Run("keyboard layout").status, 0);
  const uint64_t batches = sim_->CommandsReceived(SimProduct::Keyboard, 0x01);

  {
    QDBusConnection program =
        QDBusConnection::connectToBus(QString::fromStdString(bus_), QStringLiteral("program"));
    ASSERT_TRUE(program.isConnected());
    ASSERT_TRUE(program.registerService(QString::fromLatin1(kProgramBusService)));
    for (const char* args : {"keyboard layout", "keyboard write-profile", "info keyboard",
                             "read-params keyboard 0 1", "list"}) {
      SCOPED_TRACE(args);
      const CtlRun run = Run(args);
      EXPECT_EQ(run.status, 2);
      EXPECT_NE(run.err.find("program is running"), std::string::npos) << run.err;
      EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
    }
    EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x01), batches);
    const CtlRun forced = Run("--force keyboard layout");
    EXPECT_EQ(forced.status, 0) << forced.err;
    // Data commands touch no device.
    EXPECT_EQ(Run("profile keyboard list").status, 0);
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("program"));
  EXPECT_EQ(Run("keyboard layout").status, 0);
}

}  // namespace
