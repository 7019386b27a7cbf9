#include "profiles/json_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <memory>

#include "platform/debug_output.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

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

int OpenTemporaryBeside(const std::string& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath =
        target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
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

std::string readjsonFile(const std::string& path) {
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  DebugOutputF("readjsonFile 错误吗：：%d\n", errno);
  if (!file) return {};

  if (std::fseek(file.get(), 0, SEEK_END) != 0) return {};
  const long size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return {};

  std::string buffer(static_cast<size_t>(size), '\0');
  const size_t read = size > 0 ? std::fread(buffer.data(), 1, buffer.size(), file.get()) : 0;
  if (read != static_cast<size_t>(size)) return {};
  const size_t zero = buffer.find('\0');
  if (zero != std::string::npos) buffer.resize(zero);
  return buffer;
}

Json::Value ReadJson(const std::string& path) {
  const std::string text = readjsonFile(path);
  if (text.empty()) {
    DebugOutput(path);
    return Json::Value();
  }
  Json::Value root;
  Json::Reader reader;
  // The reader throws on nesting deeper than it allows; such a file is as
  // broken as any other unparsable one.
  try {
    if (!reader.parse(text, root, true)) return Json::Value();
  } catch (const std::exception&) {
    return Json::Value();
  }
  return root;
}

int WriteJson(const std::string& path, const Json::Value& value) {
  const std::string text = value.toStyledString() + "\n";
  const std::string target = ResolveTarget(path);

  std::string tempPath;
  const int fd = OpenTemporaryBeside(target, tempPath);
  if (fd < 0) {
    DebugOutputF("WriteJson: cannot create a file beside %s (errno %d)", target.c_str(), errno);
    return -1;
  }

  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) ::fchmod(fd, existing.st_mode & 07777);

  const bool written = WriteAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
  const int writeErrno = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(tempPath.c_str(), target.c_str()) != 0) {
    DebugOutputF("WriteJson: %s not written (errno %d)", target.c_str(),
                 written ? errno : writeErrno);
    ::unlink(tempPath.c_str());
    return -1;
  }

  // Make the rename itself durable.
  const int dirFd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return 0;
}

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
