#include <cstdio>
#include <string>

#include "ctl/ctl_commands.h"

void PrintUsage() {
  std::fputs(
      "usage: ruvemoctl [--trace] COMMAND ...\n"
      "\n"
      "Device link:\n"
      "  list                               every supported interface that is present\n"
      "  info DEVICE                        the device information block, in hex\n"
      "  read-params DEVICE OFFSET LENGTH   parameter memory, in hex\n"
      "  raw DEVICE HEXBYTES                send one packet as given (report id first,\n"
      "                                     zero-padded to 64 bytes), print the reply\n"
      "\n"
      "Stored data (DEVICE names the product's device folder):\n"
      "  profile DEVICE list|add|delete N|copy N|rename N NAME|select N|import FILE|\n"
      "                 export N FILE|reset N\n"
      "  macro DEVICE list|add|rename N NAME|delete N|import FILE|export N FILE|block N...\n"
      "\n"
      "DEVICE for the device link is keyboard, mouse, pad or headset.\n"
      "--trace prints the exchange trace on standard error.\n"
      "Exit status: 0 success, 1 device not present, 2 command failed or refused.\n",
      stdout);
}

int main(int argc, char* argv[]) {
  CtlArgs args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage();
    return args.empty() ? 2 : 0;
  }
  size_t first = 0;
  while (first < args.size() && args[first].rfind("--", 0) == 0) ++first;
  if (first == args.size()) {
    PrintUsage();
    return 2;
  }
  const std::string& command = args[first];
  if (command == "profile" || command == "macro") return RunDataCommand(args);
  if (command == "list" || command == "info" || command == "read-params" || command == "raw")
    return RunDeviceCommand(args);
  std::fprintf(stderr, "ruvemoctl: unknown command '%s'\n", command.c_str());
  PrintUsage();
  return 2;
}
