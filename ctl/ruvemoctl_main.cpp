#include <cstdio>
#include <string>

#include "ctl/ctl_commands.h"

void PrintUsage() {
  std::fputs(
      "usage: ruvemoctl [--trace] [--force] COMMAND ...\n"
      "\n"
      "Device link:\n"
      "  list                               every supported interface that is present\n"
      "  info DEVICE                        the device information block, in hex\n"
      "  read-params DEVICE OFFSET LENGTH   parameter memory, in hex\n"
      "  raw DEVICE HEXBYTES                send one packet as given (report id first,\n"
      "                                     zero-padded to 64 bytes), print the reply\n"
      "  keyboard layout                    key count, block size, then per key: key number,\n"
      "                                     device position, LED index\n"
      "  keyboard settings [P]              the settings block of device profile P\n"
      "                                     (default: the active one), decoded\n"
      "  keyboard write-profile [N]         write stored profile N (default: the selected\n"
      "                                     one) as a profile switch on the page does\n"
      "\n"
      "Stored data (DEVICE names the product's device folder):\n"
      "  profile DEVICE list|add|delete N|copy N|rename N NAME|select N|import FILE|\n"
      "                 export N FILE|reset N\n"
      "  macro DEVICE list|add|rename N NAME|delete N|import FILE|export N FILE|block N...\n"
      "\n"
      "DEVICE for the device link is keyboard, mouse, pad or headset.\n"
      "--trace prints the exchange trace on standard error.\n"
      "Device link commands are refused while the program runs (it owns its name on\n"
      "the session bus): both would take each other's replies. --force overrides.\n"
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
  if (command == "list" || command == "info" || command == "read-params" || command == "raw" ||
      command == "keyboard")
    return RunDeviceCommand(args);
  std::fprintf(stderr, "ruvemoctl: unknown command '%s'\n", command.c_str());
  PrintUsage();
  return 2;
}
