#include "link/vhid_backend.h"

#include <dirent.h>
#include <fcntl.h>
#include <json/json.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "platform/debug_output.h"
#include "platform/private_folder.h"

namespace {

constexpr char kSockSuffix[] = ".sock";
constexpr char kJsonSuffix[] = ".json";
constexpr size_t kMaxDatagram = 16 * 1024 + 1;

bool EndsWith(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return text.size() > n && text.compare(text.size() - n, n, suffix) == 0;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool DecodeHex(const std::string& text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  int high = -1;
  for (char c : text) {
    if (c == ' ') continue;
    const int d = HexDigit(c);
    if (d < 0) return false;
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + d));
      high = -1;
    }
  }
  return high < 0;
}

bool ReadUnsigned(const Json::Value& root, const char* key, uint32_t max, uint32_t& out) {
  const Json::Value& v = root[key];
  // isUInt64 first: asLargestInt throws for numbers above the signed range.
  if (!v.isIntegral() || !v.isUInt64() || v.asLargestUInt() > max) return false;
  out = static_cast<uint32_t>(v.asLargestUInt());
  return true;
}

class CVhidConnection : public IHidConnection {
 public:
  explicit CVhidConnection(int fd) : fd_(fd), datagram_(kMaxDatagram) {}
  ~CVhidConnection() override { ::close(fd_); }
  int PollFd() const override { return fd_; }

  int ReadInput(uint8_t* buffer, size_t length) override {
    const ssize_t n = ::recv(fd_, datagram_.data(), datagram_.size(), MSG_DONTWAIT);
    if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
    if (n == 0) return -1;  // the device closed the connection: removed
    if (datagram_[0] != kVhidKindInput || n < 2) return 0;
    const size_t size = std::min(static_cast<size_t>(n - 1), length);
    std::memcpy(buffer, datagram_.data() + 1, size);
    return static_cast<int>(size);
  }

  int WriteOutput(const uint8_t* report, size_t length) override {
    return Send(kVhidKindOutput, report, length);
  }

  bool SetOutputReport(const uint8_t* report, size_t length) override {
    return Send(kVhidKindSetOutput, report, length) == 1;
  }

 private:
  int Send(uint8_t kind, const uint8_t* report, size_t length) {
    if (length + 1 > kMaxDatagram) return -1;
    std::vector<uint8_t> message(length + 1);
    message[0] = kind;
    if (length != 0) std::memcpy(message.data() + 1, report, length);
    const ssize_t n = ::send(fd_, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
    return 1;
  }

  int fd_;
  std::vector<uint8_t> datagram_;
};

}  // namespace

bool ReadVhidNodeFile(const std::string& jsonPath, HidNodeInfo& info) {
  // Non-blocking open: a pipe put in the file's place must not hang the
  // enumeration; only a regular file is read.
  const int fd = ::open(jsonPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<uint64_t>(st.st_size) > kVhidMaxNodeFileSize) {
    ::close(fd);
    return false;
  }
  std::string text;
  char chunk[4096];
  bool complete = false;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) complete = true;
    if (n <= 0 || text.size() + static_cast<size_t>(n) > kVhidMaxNodeFileSize) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return complete && ParseVhidNodeDescription(text, info);
}

bool ParseVhidNodeDescription(const std::string& text, HidNodeInfo& info) {
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::string errors;
  std::istringstream stream(text);
  // The reader throws on nesting beyond its limit; that is no node file either.
  try {
    if (!Json::parseFromStream(builder, stream, &root, &errors) || !root.isObject()) return false;
  } catch (const std::exception&) {
    return false;
  }
  uint32_t vendor = 0, product = 0, version = 0, interface = 0;
  if (!ReadUnsigned(root, "vendor_id", 0xFFFF, vendor) ||
      !ReadUnsigned(root, "product_id", 0xFFFF, product) ||
      !ReadUnsigned(root, "version", 0xFFFF, version) ||
      !ReadUnsigned(root, "interface", 0xFF, interface))
    return false;
  if (!root["report_descriptor"].isString() ||
      !DecodeHex(root["report_descriptor"].asString(), info.reportDescriptor) ||
      info.reportDescriptor.size() > kVhidMaxDescriptorSize)
    return false;
  info.vendorId = static_cast<uint16_t>(vendor);
  info.productId = static_cast<uint16_t>(product);
  info.version = static_cast<uint16_t>(version);
  info.interfaceNumber = interface;
  info.name = root["name"].isString() ? root["name"].asString() : std::string();
  return true;
}

CVhidBackend::CVhidBackend(std::function<std::string()> folder) : folder_(std::move(folder)) {}

bool CVhidBackend::Owns(const std::string& nodePath) const {
  return EndsWith(nodePath, kSockSuffix);
}

bool CVhidBackend::FolderUsable(const std::string& folder) {
  std::string reason;
  const PrivateFolderState state = CheckPrivateFolder(folder, &reason);
  std::lock_guard<std::mutex> lock(mutex_);
  if (state == PrivateFolderState::Usable) {
    lastFolderComplaint_.clear();
    return true;
  }
  if (state == PrivateFolderState::Refused) {
    const std::string complaint = folder + ": " + reason;
    if (complaint != lastFolderComplaint_) {
      DebugOutputF("vhid: bus folder %s ignored: %s", folder.c_str(), reason.c_str());
      lastFolderComplaint_ = complaint;
    }
  }
  return false;
}

bool CVhidBackend::Enumerate(std::vector<HidNodeInfo>& nodes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stuck_.clear();  // every node gets another chance on each pass
  }
  const std::string folder = folder_();
  // A missing or refused bus folder holds no virtual nodes.
  if (!FolderUsable(folder)) return true;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return true;
  std::vector<std::string> stems;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name[0] != '.' && EndsWith(name, kJsonSuffix))
      stems.push_back(name.substr(0, name.size() - (sizeof kJsonSuffix - 1)));
  }
  ::closedir(dir);
  std::sort(stems.begin(), stems.end());
  for (const auto& stem : stems) {
    HidNodeInfo info;
    info.nodePath = folder + "/" + stem + kSockSuffix;
    struct stat st {};
    // A node whose socket is not there yet (or no more) is not listed.
    if (::lstat(info.nodePath.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
    if (ReadVhidNodeFile(folder + "/" + stem + kJsonSuffix, info)) nodes.push_back(std::move(info));
  }
  return true;
}

std::unique_ptr<IHidConnection> CVhidBackend::Open(const std::string& nodePath, bool /*read*/,
                                                   bool /*write*/, HidNodeInfo& info) {
  if (!Owns(nodePath)) return nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stuck_.count(nodePath) != 0) return nullptr;
  }
  const size_t slash = nodePath.find_last_of('/');
  if (!FolderUsable(slash == std::string::npos ? std::string(".")
                    : slash == 0               ? std::string("/")
                                               : nodePath.substr(0, slash)))
    return nullptr;
  info = HidNodeInfo();
  info.nodePath = nodePath;
  const std::string jsonPath =
      nodePath.substr(0, nodePath.size() - (sizeof kSockSuffix - 1)) + kJsonSuffix;
  if (!ReadVhidNodeFile(jsonPath, info)) return nullptr;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (nodePath.size() >= sizeof address.sun_path) return nullptr;
  std::memcpy(address.sun_path, nodePath.c_str(), nodePath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  // A Unix-domain connect completes without the device's accept while its
  // listen backlog has room, and otherwise waits for room; the send time-out
  // bounds that wait (a non-blocking connect would give up at once, with no
  // completion to wait for).
  timeval limit{};
  limit.tv_usec = kVhidConnectTimeoutMs * 1000;
  if (::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
    ::close(fd);
    return nullptr;
  }
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS) {
      DebugOutputF("vhid: %s took no connection within %d ms; skipped on this pass",
                   nodePath.c_str(), kVhidConnectTimeoutMs);
      std::lock_guard<std::mutex> lock(mutex_);
      stuck_.insert(nodePath);
    } else if (error == EACCES || error == EPERM) {
      DebugOutputF("vhid: no access to %s: %s", nodePath.c_str(), std::strerror(error));
    }
    return nullptr;
  }
  return std::make_unique<CVhidConnection>(fd);
}
