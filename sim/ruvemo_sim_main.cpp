// ruvemo-sim: the Brivo75 devices on the virtual HID bus, driven from
// standard input. Runs until SIGINT, SIGTERM or "quit".

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/data_paths.h"
#include "platform/private_folder.h"
#include "sim/sim_console.h"
#include "sim/simulator.h"

int main(int argc, char** argv) {
  SimulatorOptions options;
  std::vector<SimProduct> products;
  bool viaReceiver = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "ruvemo-sim: %s needs a value\n", name);
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(SimUsageText().c_str(), stdout);
      return 0;
    } else if (arg == "--receiver") {
      viaReceiver = true;
    } else if (arg == "--state") {
      options.stateFile = value("--state");
    } else if (arg == "--bus") {
      options.busFolder = value("--bus");
    } else if (arg == "--trace") {
      options.traceFile = value("--trace");
    } else if (arg == "--timing") {
      const std::string v = value("--timing");
      if (v != "on" && v != "off") {
        std::fprintf(stderr, "ruvemo-sim: --timing takes on or off\n");
        return 2;
      }
      options.timing = v == "on";
    } else if (arg == "--receiver-interval") {
      const long ms = std::strtol(value("--receiver-interval"), nullptr, 10);
      if (ms < 1 || ms > 1000) {
        std::fprintf(stderr, "ruvemo-sim: --receiver-interval takes 1 to 1000 ms\n");
        return 2;
      }
      options.receiverIntervalMs = static_cast<unsigned>(ms);
    } else if (auto product = SimProductFromName(arg)) {
      products.push_back(*product);
    } else {
      std::fprintf(stderr, "ruvemo-sim: unknown argument %s (see --help)\n", arg.c_str());
      return 2;
    }
  }

  // The bus folder must be this user's own (created when missing): hosts
  // take whatever they find there for a device.
  const std::string busFolder = options.busFolder.empty() ? VhidBusFolder() : options.busFolder;
  std::string reason;
  if (!PreparePrivateFolder(busFolder, &reason)) {
    std::fprintf(stderr, "ruvemo-sim: cannot use bus folder %s: %s\n", busFolder.c_str(),
                 reason.c_str());
    return 1;
  }
  options.busFolder = busFolder;

  // The signals are taken through a descriptor, so that the main loop ends
  // cleanly and the simulator removes its nodes.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return 1;
  const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (signalFd < 0) return 1;
  ::signal(SIGPIPE, SIG_IGN);

  int status = 0;
  {
    CSimulator sim(options);
    if (!sim.TraceReady()) {
      std::fprintf(stderr, "ruvemo-sim: cannot write the trace file %s\n",
                   options.traceFile.c_str());
      ::close(signalFd);
      return 1;
    }
    CSimConsole console(sim);
    for (SimProduct product : products) {
      if (viaReceiver && SimProductHasReceiver(product)) sim.SetConnection(product, true);
      if (!sim.Plug(product)) {
        std::fprintf(stderr, "ruvemo-sim: cannot publish %s in %s\n",
                     std::string(SimProductName(product)).c_str(), sim.BusFolder().c_str());
        status = 1;
      }
    }
    std::printf("ruvemo-sim: bus %s; type help for commands\n", sim.BusFolder().c_str());
    std::fflush(stdout);

    bool quit = false;
    bool stdinOpen = true;
    std::string pending;
    while (!quit) {
      pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[0].revents & POLLIN) break;
      if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n <= 0) {
          stdinOpen = false;  // keep running until a signal
          continue;
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t eol; !quit && (eol = pending.find('\n')) != std::string::npos;) {
          const std::string line = pending.substr(0, eol);
          pending.erase(0, eol + 1);
          const std::string out = console.Execute(line, quit);
          std::fputs(out.c_str(), stdout);
          std::fflush(stdout);
        }
      }
    }
  }  // the simulator removes its nodes and stores its state here
  ::close(signalFd);
  return status;
}
