#pragma once
// The command groups of ruvemoctl. Each takes the arguments after the program
// name and returns the exit status: 0 success, 1 device not present, 2 a
// command failed or was refused (the reason on standard error).

#include <string>
#include <vector>

using CtlArgs = std::vector<std::string>;

class CDeviceChannel;

inline constexpr int kCtlExitOk = 0;
inline constexpr int kCtlExitNotPresent = 1;
inline constexpr int kCtlExitFailed = 2;

// list, info, read-params, raw, keyboard (device link commands). Refused
// while the program runs, unless --force is given.
int RunDeviceCommand(const CtlArgs& args);

// keyboard layout|settings [P]|write-profile [N]; args[0] is "keyboard".
int RunKeyboardCommand(const CtlArgs& args);

// Opens the command interface of device (keyboard, mouse, pad, headset) on
// the channel: the wired one when present, else the receiver's. Returns an
// exit status; the reason of a failure is on standard error.
int OpenDeviceChannel(const std::string& device, CDeviceChannel& channel);

// Non-empty (why) while the program owns its name on the session bus; empty
// when it does not, or when there is no session bus to ask.
std::string ProgramRunningReason();

// profile, macro (stored data of a device folder)
int RunDataCommand(const CtlArgs& args);

void PrintUsage();
