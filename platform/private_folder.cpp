#include "platform/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// "/a/b//" -> "/a/b": a trailing slash would make lstat follow a link.
std::string WithoutTrailingSlashes(const std::string& folder) {
  std::string trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  return trimmed;
}

void SetReason(std::string* reason, const std::string& text) {
  if (reason != nullptr) *reason = text;
}

bool MakeFolders(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0) MakeFolders(folder.substr(0, slash));
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

PrivateFolderState CheckPrivateFolder(const std::string& folder, std::string* reason) {
  SetReason(reason, {});
  if (folder.empty()) {
    SetReason(reason, "no folder named");
    return PrivateFolderState::Refused;
  }
  const std::string path = WithoutTrailingSlashes(folder);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) {
      SetReason(reason, "it does not exist");
      return PrivateFolderState::Missing;
    }
    SetReason(reason, std::string("it cannot be examined: ") + std::strerror(errno));
    return PrivateFolderState::Refused;
  }
  if (S_ISLNK(st.st_mode)) {
    SetReason(reason, "it is a symbolic link, not a folder");
    return PrivateFolderState::Refused;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetReason(reason, "it is not a folder");
    return PrivateFolderState::Refused;
  }
  char text[128];
  if (st.st_uid != ::geteuid()) {
    std::snprintf(text, sizeof text, "it is owned by uid %u, not by this user (uid %u)",
                  static_cast<unsigned>(st.st_uid), static_cast<unsigned>(::geteuid()));
    SetReason(reason, text);
    return PrivateFolderState::Refused;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    std::snprintf(text, sizeof text, "others may write to it (mode %04o)",
                  static_cast<unsigned>(st.st_mode & 07777));
    SetReason(reason, text);
    return PrivateFolderState::Refused;
  }
  return PrivateFolderState::Usable;
}

bool PreparePrivateFolder(const std::string& folder, std::string* reason) {
  PrivateFolderState state = CheckPrivateFolder(folder, reason);
  if (state == PrivateFolderState::Missing) {
    const std::string path = WithoutTrailingSlashes(folder);
    if (!MakeFolders(path)) {
      SetReason(reason, std::string("it cannot be created: ") + std::strerror(errno));
      return false;
    }
    // Checked again: someone else may have made it first.
    state = CheckPrivateFolder(folder, reason);
  }
  return state == PrivateFolderState::Usable;
}
