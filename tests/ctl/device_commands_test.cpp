// ruvemoctl's device commands as a separate process against the simulator on
// a private bus.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

#include "platform/usb_ids.h"
#include "sim/report_descriptors.h"
#include "sim/simulator.h"
#include "tests/ctl/ctl_run.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/sim_bus.h"
#include "tests/support/stuck_node.h"

namespace {

// Rows of `list` for the keyboard's and the headset's command interfaces.
constexpr const char* kKeyboardCommandRow =
    R"(&col04 +1a2b +5055 +1 +4 +ff1c +92 +keyboard +command)";
constexpr const char* kHeadsetCommandRow = R"(0c76 +1630 +3 +0 +000c +1 +headset +command)";

bool HasRow(const CtlRun& run, const char* pattern) {
  return std::regex_search(run.out, std::regex(pattern));
}

class CtlDeviceTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    sim_ = MakeQuickSimulator(Folder());
  }
  void TearDown() override {
    sim_.reset();
    BusFolderTest::TearDown();
  }

  // Other tests of the run may own the program's name on the shared session
  // bus; the tool is given a bus address where no bus answers.
  CtlRun Run(const std::string& arguments) {
    return RunCtl(Folder(), "unix:path=" + Folder() + "/no-session-bus", arguments);
  }

  static std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char b[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
      std::snprintf(b, sizeof b, "%02x", bytes[i]);
      text += (i ? " " : "") + std::string(b);
    }
    return text + "\n";
  }

  std::unique_ptr<CSimulator> sim_;
};

TEST_F(CtlDeviceTest, ListShowsEveryPresentCatalogueInterface) {
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(sim_->Plug(SimProduct::Headset));
  const CtlRun run = Run("list");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run, kKeyboardCommandRow)) << run.out;
  EXPECT_TRUE(HasRow(run, R"(&col03 +1a2b +5055 +1 +3 +000c +1 +keyboard +event)")) << run.out;
  EXPECT_TRUE(HasRow(run, kHeadsetCommandRow)) << run.out;
  // The keyboard's boot and mouse collections are not catalogue interfaces.
  EXPECT_EQ(run.out.find("&col01"), std::string::npos) << run.out;
}

// A node this user may not open is listed with a note, not left out. Root
// opens everything, so there is nothing to see then.
TEST_F(CtlDeviceTest, ListMarksANodeThisUserMayNotOpen) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may open every node";
  ASSERT_TRUE(sim_->Plug(SimProduct::Pad));
  for (const auto& entry : std::filesystem::directory_iterator(Folder())) {
    if (entry.path().extension() != ".sock") continue;
    ASSERT_EQ(::chmod(entry.path().c_str(), 0400), 0);
  }
  const CtlRun run = Run("list");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run, R"(&col04 +1a2b +1004 +1 +4 +ff1c +92 +pad +command +no access)"))
      << run.out;
  EXPECT_EQ(Run("info pad").status, 1);
}

TEST_F(CtlDeviceTest, BusFolderNamesHoldingPathMarkersChangeNothing) {
  const std::string bus = Folder() + "/my_vid_bus&pid_9&mi_7&col5";
  ASSERT_EQ(::mkdir(bus.c_str(), 0700), 0);
  SimulatorOptions options;
  options.busFolder = bus;
  options.timing = false;
  sim_ = std::make_unique<CSimulator>(options);
  ::setenv("RUVEMO_VHID_DIR", bus.c_str(), 1);
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(sim_->Plug(SimProduct::Headset));
  CtlRun run = Run("list");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run, kKeyboardCommandRow)) << run.out;
  EXPECT_TRUE(HasRow(run, kHeadsetCommandRow)) << run.out;
  run = Run("info keyboard");
  EXPECT_EQ(run.status, 0) << run.err;
}

// A node whose device takes no connection (frozen, backlog full) beside the
// simulated devices: the list still ends promptly and names it with --trace.
TEST_F(CtlDeviceTest, ListEndsPromptlyBesideANodeThatTakesNoConnection) {
  StuckNode stuck(Folder(), "frozen", kBrivoVendorId, kMousePadProductId, 1,
                  SimFourCollectionDescriptor());
  ASSERT_TRUE(stuck.Ready());
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  const auto start = std::chrono::steady_clock::now();
  const CtlRun run = Run("--trace list");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_LT(elapsed, std::chrono::seconds(2));
  EXPECT_TRUE(HasRow(run, kKeyboardCommandRow)) << run.out;
  EXPECT_EQ(run.out.find("frozen"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("frozen.sock took no connection"), std::string::npos) << run.err;
}

TEST_F(CtlDeviceTest, InfoWiredAndThroughTheReceiver) {
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  const std::string expected = Hex(sim_->Memory(SimProduct::Keyboard, SimArea::Info));
  CtlRun run = Run("info keyboard");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, expected);

  ASSERT_TRUE(sim_->SetConnection(SimProduct::Keyboard, true));
  ASSERT_FALSE(sim_->CablePlugged(SimProduct::Keyboard));
  run = Run("--trace info keyboard");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, expected);
  EXPECT_NE(run.err.find("命令"), std::string::npos) << "--trace shows the exchange";

  // Behind an unreachable receiver the command fails with the receiver's code.
  sim_->SetReachable(SimProduct::Keyboard, false);
  run = Run("info keyboard");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("-101"), std::string::npos) << run.err;
}

TEST_F(CtlDeviceTest, ReadParamsAndRaw) {
  ASSERT_TRUE(sim_->Plug(SimProduct::Mouse));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Mouse, SimArea::Parameters, 31, {0x11, 0x22, 0x33}));
  CtlRun run = Run("read-params mouse 31 3");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "11 22 33\n");

  // BeginConfig by hand: checksum 0x0001 over bytes 3..63.
  run = Run("raw mouse 04010001");
  ASSERT_EQ(run.status, 0) << run.err;
  // The reply: report id 4 and the echo of the command (its checksum is the device's own).
  EXPECT_TRUE(std::regex_search(run.out, std::regex("^04 [0-9a-f]{2} [0-9a-f]{2} 01 "))) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), ' '), 63);
}

TEST_F(CtlDeviceTest, ExitStatusTellsAbsentFromFailed) {
  struct Case {
    const char* args;
    int status;
  } cases[] = {
      {"info mouse", 1},           // nothing plugged
      {"info toaster", 2},         // not a device
      {"read-params pad x 3", 2},  // bad number (checked after the device is found)
      {"raw keyboard 0g", 2},      // bad hex
  };
  ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
  ASSERT_TRUE(sim_->Plug(SimProduct::Pad));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CtlRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_FALSE(run.err.empty());
  }
  // A range past the 16-bit offset field is refused before anything is sent
  // (0xFF00 + 512 would wrap to offset 0x18 in its fifth chunk).
  for (const char* args : {"read-params keyboard 65280 512", "read-params pad 0xffff 2"}) {
    SCOPED_TRACE(args);
    const CtlRun run = Run(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("0x10000"), std::string::npos) << run.err;
  }
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x05), 0u);
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Pad, 0x05), 0u);
  const CtlRun last = Run("read-params pad 0xffff 1");  // ends at 0x10000: sent
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Pad, 0x05), 1u) << last.err;

  SimFault fault;
  fault.kind = SimFault::Kind::Status;
  fault.command = 0x03;
  fault.status = 0xFE;
  sim_->InjectFault(SimProduct::Keyboard, fault);
  const CtlRun run = Run("info keyboard");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("-103"), std::string::npos) << run.err;
}

// The simulator program and the tool as two processes on one bus.
TEST_F(CtlDeviceTest, AgainstTheSimulatorProgram) {
  sim_.reset();
  const std::string command = std::string(RUVEMO_BINARY_DIR) +
                              "/bin/ruvemo-sim keyboard --receiver --timing off --bus " + Folder() +
                              " >" + Folder() + "/sim.log 2>&1";
  FILE* simulator = ::popen(command.c_str(), "w");
  ASSERT_NE(simulator, nullptr);
  const std::string node = Folder() + "/ruvemo-sim-keyboard-receiver.sock";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(node); }, 5000));

  CtlRun run = Run("info keyboard");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), ' '), 33) << run.out;
  std::fputs("cable keyboard\n", simulator);
  std::fflush(simulator);
  ASSERT_TRUE(WaitFor(
      [&] { return std::filesystem::exists(Folder() + "/ruvemo-sim-keyboard.sock"); }, 5000));
  run = Run("read-params keyboard 0 4");
  EXPECT_EQ(run.status, 0) << run.err;

  std::fputs("quit\n", simulator);
  EXPECT_EQ(::pclose(simulator), 0);
  EXPECT_FALSE(std::filesystem::exists(node));
}

}  // namespace
