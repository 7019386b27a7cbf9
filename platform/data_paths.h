#pragma once
// Where the program's files live on Linux.

#include <string>

// The folder of the running executable.
std::string ExecutableFolder();

// The shipped data folder (DefaultData, skin, Font, SDK): <exe>/../share/ruvemo
// in the build tree and after installation alike. RUVEMO_DATA_DIR overrides it.
std::string ProgramDataFolder();

// $XDG_DATA_HOME, by default ~/.local/share.
std::string LocalAppDataFolder();

// $XDG_CONFIG_HOME, by default ~/.config.
std::string ConfigFolder();

// $TMPDIR, else /tmp.
std::string TempFolder();

// The folder of the virtual HID bus: $RUVEMO_VHID_DIR when set, else
// $XDG_RUNTIME_DIR/ruvemo-vhid, else /tmp/ruvemo-vhid-<uid>.
std::string VhidBusFolder();
