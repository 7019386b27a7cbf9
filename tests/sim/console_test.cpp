#include "sim/sim_console.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/data_paths.h"
#include "sim/simulator.h"
#include "tests/sim/bus_client.h"

extern char** environ;

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

class SimConsoleTest : public ::testing::Test {
 protected:
  SimConsoleTest() : sim_(SimulatorOptions{bus_.Path(), "", false}), console_(sim_) {}
  std::string Run(const std::string& line) {
    bool quit = false;
    return console_.Execute(line, quit);
  }
  TempBusFolder bus_;
  CSimulator sim_;
  CSimConsole console_;
};

TEST_F(SimConsoleTest, CommandsReachTheSimulator) {
  EXPECT_EQ(Run("receiver keyboard"), "ok\n");
  EXPECT_EQ(Run("plug keyboard"), "ok\n");
  EXPECT_TRUE(sim_.ReceiverPlugged(SimProduct::Keyboard));
  EXPECT_FALSE(sim_.CablePlugged(SimProduct::Keyboard));
  EXPECT_EQ(Run("cable keyboard"), "ok\n");
  EXPECT_TRUE(sim_.CablePlugged(SimProduct::Keyboard));
  EXPECT_EQ(Run("receiver-plug keyboard off"), "ok\n");
  EXPECT_FALSE(sim_.ReceiverPlugged(SimProduct::Keyboard));
  EXPECT_EQ(Run("battery keyboard 42 charging"), "ok\n");
  EXPECT_EQ(sim_.Memory(SimProduct::Keyboard, SimArea::Status)[0], 42);
  EXPECT_EQ(Run("dump keyboard info 5 2"), "0005: 68 20\n");
  EXPECT_EQ(Run("event keyboard 0x1123"), "error: event not delivered\n");  // nobody listens
  EXPECT_EQ(sim_.Memory(SimProduct::Keyboard, SimArea::Parameters)[0], 3);
  EXPECT_EQ(Run("unplug keyboard"), "ok\n");
  EXPECT_FALSE(sim_.CablePlugged(SimProduct::Keyboard));
  bool quit = false;
  console_.Execute("quit", quit);
  EXPECT_TRUE(quit);
}

TEST_F(SimConsoleTest, FaultOptionsAreParsed) {
  ASSERT_EQ(Run("plug mouse"), "ok\n");
  EXPECT_EQ(Run("fault mouse status cmd=0x05 skip=1 status=0xFE"), "ok\n");
  BusClient client(sim_.SocketPath(SimProduct::Mouse, false));
  for (int chunk = 0; chunk < 2; ++chunk) {
    ASSERT_TRUE(client.Send(0x01, CommandReport(0x05, 8, chunk * 8)));
    auto reply = client.ReceiveInput();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ((*reply)[7], chunk == 0 ? 0x01 : 0xFE);
  }
}

TEST_F(SimConsoleTest, MistakesAreReported) {
  for (const char* line :
       {"plug toaster", "bogus keyboard", "reach pad on", "cable headset", "battery mouse 101",
        "event mouse 70000", "fault mouse sparks", "fault mouse delay ms=x",
        "dump mouse fn_key_table", "dump mouse nope", "phone"}) {
    EXPECT_EQ(Run(line).rfind("error: ", 0), 0u) << line;
  }
  EXPECT_EQ(Run(""), "");
  EXPECT_EQ(Run("# a comment"), "");
}

// The program keeps its devices when standard input ends and removes them on
// SIGTERM.
TEST(SimProgram, OutlivesEndOfInputAndCleansUpOnSignal) {
  // Programs and tests share the build's bin folder.
  const std::string program = ExecutableFolder() + "/ruvemo-sim";
  ASSERT_TRUE(Exists(program)) << program;
  TempBusFolder bus;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string busArg = bus.Path();
  std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                             const_cast<char*>("keyboard"),
                             const_cast<char*>("headset"),
                             const_cast<char*>("--bus"),
                             busArg.data(),
                             nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  const std::string socket = bus.Path() + "/ruvemo-sim-keyboard.sock";
  bool up = false;
  for (int i = 0; i < 400 && !up; ++i) {
    up = Exists(socket) && Exists(bus.Path() + "/ruvemo-sim-headset.sock");
    if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(up);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // input has ended by now
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0);  // still running
  BusClient client(socket);
  ASSERT_TRUE(client.Connected());
  ASSERT_TRUE(client.Send(0x01, CommandReport(0x01)));
  auto reply = client.ReceiveInput();
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ((*reply)[3], 0x01);

  ::kill(pid, SIGTERM);
  auto end = client.Receive(5000);
  ASSERT_TRUE(end.has_value());
  EXPECT_TRUE(end->empty());
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(Exists(socket));
  EXPECT_FALSE(Exists(bus.Path() + "/ruvemo-sim-keyboard.json"));
}

TEST(SimProgram, RefusesABusFolderOthersMayWrite) {
  const std::string program = ExecutableFolder() + "/ruvemo-sim";
  TempBusFolder bus;
  const std::string open = bus.Path() + "/open";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
  FILE* pipe = ::popen((program + " keyboard --bus " + open + " </dev/null 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char chunk[256];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
  const int status = ::pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
  EXPECT_NE(output.find("cannot use bus folder " + open + ": others may write to it"),
            std::string::npos)
      << output;
  EXPECT_FALSE(Exists(open + "/ruvemo-sim-keyboard.sock"));
}

}  // namespace
