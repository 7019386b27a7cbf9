#include "platform/data_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return (value != nullptr && *value != '\0') ? std::string(value) : fallback;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* pw = ::getpwuid(::getuid());
  return (pw != nullptr && pw->pw_dir != nullptr) ? pw->pw_dir : "/tmp";
}

}  // namespace

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<size_t>(n));
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string ProgramDataFolder() {
  return EnvOr("RUVEMO_DATA_DIR", ExecutableFolder() + "/../share/ruvemo");
}

std::string LocalAppDataFolder() { return EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share"); }

std::string ConfigFolder() { return EnvOr("XDG_CONFIG_HOME", HomeFolder() + "/.config"); }

std::string TempFolder() { return EnvOr("TMPDIR", "/tmp"); }

std::string VhidBusFolder() {
  const char* explicitDir = std::getenv("RUVEMO_VHID_DIR");
  if (explicitDir != nullptr && *explicitDir != '\0') return explicitDir;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/ruvemo-vhid";
  return "/tmp/ruvemo-vhid-" + std::to_string(::getuid());
}
