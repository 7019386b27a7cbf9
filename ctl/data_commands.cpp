#include <cstdio>

#include "ctl/ctl_commands.h"

int RunDataCommand(const CtlArgs& args) {
  std::fputs("ruvemoctl: the stored-data commands are not built yet\n", stderr);
  return 2;
}
