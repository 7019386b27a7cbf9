#pragma once
// Folders whose contents other programs of the user trust, such as the
// virtual HID bus folder: a node found there is taken for a device. In a
// shared place like /tmp anybody may create such a folder first, so it is
// used only when it is a real folder (not a symbolic link), owned by this
// user and writable by nobody else (no group or other write bit).

#include <string>

enum class PrivateFolderState {
  Missing,  // nothing of that name
  Usable,   // a folder that passes every rule
  Refused,  // something else is there; the reason says what
};

// Checks the folder itself (the last path component is not followed).
PrivateFolderState CheckPrivateFolder(const std::string& folder, std::string* reason);

// Creates the folder with mode 0700 when it is missing (missing parents too,
// also 0700), then checks it. False, with the reason, when it cannot be made
// or is not usable.
bool PreparePrivateFolder(const std::string& folder, std::string* reason);
