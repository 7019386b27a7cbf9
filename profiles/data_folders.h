#pragma once
// Where Ruvemo keeps its files. Every folder path ends with '/'. The app data
// folder, the user device folders and the update folder are created when
// missing; the DefaultData folder ships with the program.

#include <string>

// $XDG_DATA_HOME/Brivo75/
std::string AppDataFolder();
// AppDataFolder() + device folder name + '/'. A name that is not a plain file
// name (empty, ".", "..", or holding a separator) gives an empty path and
// creates nothing.
std::string UserDeviceFolder(const std::string& deviceFolderName);
// <program data folder>/DefaultData/
std::string DefaultDataFolder();
// <temporary folder>/UpdateData/
std::string UpdateFolder();
// DefaultDataFolder() + device folder name + ".Json"; empty for a name that is
// not a plain file name.
std::string DefaultProfilePath(const std::string& deviceFolderName);

// The device folder names of the products (user device folder and default
// profile stem).
inline constexpr const char* kMouseFolderName = "mouse";
inline constexpr const char* kKeyboardFolderName = "keyboard";
inline constexpr const char* kMousePadFolderName = "MousePad";
inline constexpr const char* kHeadsetFolderName = "HD";

// Creates path and its missing parents with mode 0700 (the program's data is
// the user's alone). True when path is a folder afterwards.
bool MakeFolders(const std::string& path);
