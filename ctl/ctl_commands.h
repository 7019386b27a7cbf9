#pragma once
// The command groups of ruvemoctl. Each takes the arguments after the program
// name and returns the exit status: 0 success, 1 device not present, 2 a
// command failed or was refused (the reason on standard error).

#include <string>
#include <vector>

using CtlArgs = std::vector<std::string>;

// list, info, read-params, raw (device link commands)
int RunDeviceCommand(const CtlArgs& args);

// profile, macro (stored data of a device folder)
int RunDataCommand(const CtlArgs& args);

void PrintUsage();
