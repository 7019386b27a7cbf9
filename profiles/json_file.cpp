#include "profiles/json_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>

#include "platform/debug_output.h"

namespace {

std::atomic<FileStepHook> stepHook{nullptr};

void Step() {
  if (const FileStepHook hook = stepHook.load(std::memory_order_relaxed)) hook();
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A symbolic link is written through, so the link itself stays in place.
std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  }
  return path;
}

constexpr char kTempPrefix[] = ".ruvemo-";
constexpr char kTempSuffix[] = ".tmp";

int OpenTemporaryIn(const std::string& folder, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = folder + "/" + kTempPrefix + std::to_string(::getpid()) + "-" +
               std::to_string(counter.fetch_add(1)) + kTempSuffix;
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Reads decimal digits at text[pos...] into value; pos moves past them.
bool ReadNumber(std::string_view text, size_t& pos, long& value) {
  const size_t begin = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - begin < 10)
    value = value * 10 + (text[pos++] - '0');
  return pos > begin && (pos == text.size() || text[pos] < '0' || text[pos] > '9');
}

// The writer's pid when name is one of this program's temporary file names,
// else 0.
long TemporaryFileOwner(std::string_view name) {
  long pid = 0, n = 0;
  size_t pos = 0;
  const std::string_view prefix = kTempPrefix, suffix = kTempSuffix;
  if (name.substr(0, prefix.size()) == prefix) {
    pos = prefix.size();
    if (ReadNumber(name, pos, pid) && pos < name.size() && name[pos] == '-' &&
        ReadNumber(name, ++pos, n) && name.substr(pos) == suffix)
      return pid;
    return 0;
  }
  // Earlier versions: "<file>.tmp-<pid>-<n>" beside the target, and
  // "main.ini.tmp-<pid>". Only beside the kinds of file this program stores,
  // so that a like-named file of another program is not taken for one.
  const size_t mark = name.rfind(".tmp-");
  if (mark == std::string_view::npos || mark == 0) return 0;
  const std::string_view stored = name.substr(0, mark);
  bool known = false;
  for (const std::string_view ext : {".Json", ".json", ".ini", ".config", ".mac", ".Shoot"})
    known =
        known || (stored.size() > ext.size() && stored.substr(stored.size() - ext.size()) == ext);
  if (!known) return 0;
  pos = mark + 5;
  if (!ReadNumber(name, pos, pid)) return 0;
  if (pos == name.size()) return name.substr(0, mark) == "main.ini" ? pid : 0;
  if (name[pos] != '-' || !ReadNumber(name, ++pos, n) || pos != name.size()) return 0;
  return pid;
}

bool WriterIsGone(long pid, const struct stat& st) {
  if (pid <= 0 || pid == ::getpid()) return false;
  if (pid > INT_MAX) return true;  // no process has such a pid
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
  // The pid belongs to another process now: no write takes a day.
  return std::time(nullptr) - st.st_mtime > 24 * 60 * 60;
}

void FlushFolder(const std::string& folder) {
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

template <typename Char>
bool IsSpaceChar(Char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

template <typename View>
bool IsBlankView(View text) {
  for (auto c : text)
    if (!IsSpaceChar(c)) return false;
  return true;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string& out, size_t maxSize) {
  out.clear();
  // Non-blocking, so that a pipe without a writer is refused instead of waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = false;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    // errno says why
  } else if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  } else if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > maxSize) {
    errno = EFBIG;
  } else {
    try {
      // One byte more than the size, to see a file that grew meanwhile.
      std::string buffer(static_cast<size_t>(st.st_size) + 1, '\0');
      size_t done = 0;
      for (;;) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          ok = n == 0;
          break;
        }
        done += static_cast<size_t>(n);
        if (done == buffer.size()) {
          if (buffer.size() > maxSize) {
            errno = EFBIG;
            break;
          }
          buffer.resize(std::min(buffer.size() * 2, maxSize + 1));
        }
      }
      if (ok) {
        buffer.resize(done);
        out = std::move(buffer);
      }
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
      ok = false;
    }
  }
  const int error = errno;
  ::close(fd);
  errno = error;
  return ok;
}

std::string readjsonFile(const std::string& path) {
  errno = 0;
  std::string buffer;
  const bool read = ReadFileBytes(path, buffer);
  DebugOutputF("readjsonFile 错误吗：：%d\n", read ? 0 : errno);
  if (!read) return {};
  const size_t zero = buffer.find('\0');
  if (zero != std::string::npos) buffer.resize(zero);
  return buffer;
}

Json::Value ReadJson(const std::string& path) {
  // The reader throws on nesting deeper than it allows, and any step may run
  // out of memory; such a file is as unusable as any other unparsable one.
  try {
    const std::string text = readjsonFile(path);
    if (text.empty()) {
      DebugOutput(path);
      return Json::Value();
    }
    Json::Value root;
    Json::Reader reader;
    if (!reader.parse(text, root, true)) return Json::Value();
    return root;
  } catch (const std::exception&) {
    return Json::Value();
  }
}

int WriteJson(const std::string& path, const Json::Value& value) {
  try {
    return WriteFileAtomic(path, value.toStyledString() + "\n");
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return -1;
  }
}

int WriteFileAtomic(const std::string& path, std::string_view bytes) {
  const std::string target = ResolveTarget(path);
  const std::string folder = FolderOf(target);
  RemoveStaleTemporaryFiles(folder);

  std::string tempPath;
  const int fd = OpenTemporaryIn(folder, tempPath);
  if (fd < 0) {
    const int error = errno;
    DebugOutputF("WriteFileAtomic: cannot create a file in %s (errno %d)", folder.c_str(), error);
    errno = error;
    return -1;
  }
  Step();

  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) ::fchmod(fd, existing.st_mode & 07777);

  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  int error = errno;
  if (ok) Step();
  if (ok && ::fsync(fd) != 0) ok = false, error = errno;
  if (::close(fd) != 0 && ok) ok = false, error = errno;
  if (ok) Step();
  if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) ok = false, error = errno;
  if (!ok) {
    DebugOutputF("WriteFileAtomic: %s not written (errno %d)", target.c_str(), error);
    ::unlink(tempPath.c_str());
    errno = error;
    return -1;
  }
  Step();
  // Make the rename itself durable.
  FlushFolder(folder);
  Step();
  return 0;
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const int error = errno;
  while (const dirent* entry = ::readdir(dir)) {
    const long pid = TemporaryFileOwner(entry->d_name);
    if (pid <= 0) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
      continue;
    if (WriterIsGone(pid, st)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
  errno = error;
}

bool RemoveFile(const std::string& path) {
  Step();
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    const int error = errno;
    DebugOutputF("RemoveFile: %s not removed (errno %d)", path.c_str(), error);
    errno = error;
    return false;
  }
  Step();
  FlushFolder(FolderOf(path));
  return true;
}

std::string FileErrorText(const std::string& path, int error) {
  return path + ": " + std::strerror(error);
}

void SetFileStepHook(FileStepHook hook) { stepHook.store(hook, std::memory_order_relaxed); }

std::string MakeTimestampId() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[64];
  std::snprintf(text, sizeof text, "%d_%02d_%02d_%02d_%02d_%02d_%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis));
  return text;
}

std::string Utf8FromWide(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        const char32_t low = static_cast<char32_t>(text[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacement;
    AppendUtf8(out, c);
  }
  return out;
}

std::wstring WideFromUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, minimum = 0x10000;
    }
    bool valid = length > 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    if (valid && (c < minimum || c > 0x10FFFF || IsSurrogate(c))) valid = false;
    if (!valid) {
      out += static_cast<wchar_t>(kReplacement);
      ++i;  // resynchronise on the next byte
      continue;
    }
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        i += length;
        continue;
      }
    }
    out += static_cast<wchar_t>(c);
    i += length;
  }
  return out;
}

bool IsBlank(std::wstring_view text) { return IsBlankView(text); }
bool IsBlank(std::string_view text) { return IsBlankView(text); }
