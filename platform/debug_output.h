#pragma once
// The program's one debug-output channel. Every diagnostic line of the program
// goes through here; nothing is shown unless output was switched on, either
// with RUVEMO_DEBUG=1 in the environment or by SetDebugOutputEnabled(true).

#include <functional>
#include <string_view>

// Sends one line (as given, a trailing newline is optional) to the channel.
void DebugOutput(std::string_view text);

// printf-style variant for the formatted lines.
void DebugOutputF(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool DebugOutputEnabled();
void SetDebugOutputEnabled(bool enabled);

// Where enabled output goes: standard error unless a sink is installed.
// Installing a sink also enables the output; passing an empty function
// restores standard error and the previous enabled state is kept.
using DebugSink = std::function<void(std::string_view)>;
void SetDebugSink(DebugSink sink);
