#include "profiles/data_folders.h"

#include <sys/stat.h>

#include "platform/data_paths.h"
#include "profiles/json_access.h"

namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace

bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
  }
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string AppDataFolder() {
  const std::string folder = WithSlash(LocalAppDataFolder()) + "Brivo75/";
  MakeFolders(folder);
  return folder;
}

std::string UserDeviceFolder(const std::string& deviceFolderName) {
  if (!IsPlainFileName(deviceFolderName)) return {};
  const std::string folder = AppDataFolder() + deviceFolderName + "/";
  MakeFolders(folder);
  return folder;
}

std::string DefaultDataFolder() { return WithSlash(ProgramDataFolder()) + "DefaultData/"; }

std::string UpdateFolder() {
  const std::string folder = WithSlash(TempFolder()) + "UpdateData/";
  MakeFolders(folder);
  return folder;
}

std::string DefaultProfilePath(const std::string& deviceFolderName) {
  if (!IsPlainFileName(deviceFolderName)) return {};
  return DefaultDataFolder() + deviceFolderName + ".Json";
}
