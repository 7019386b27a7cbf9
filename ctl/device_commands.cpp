#include <cstdio>

#include "ctl/ctl_commands.h"

int RunDeviceCommand(const CtlArgs& args) {
  std::fputs("ruvemoctl: the device commands are not built yet\n", stderr);
  return 2;
}
