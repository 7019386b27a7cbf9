#pragma once
// A raw host-side client of the virtual HID bus for the simulator's tests:
// connects to a node's socket and exchanges kind-prefixed datagrams.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

class BusClient {
 public:
  BusClient() = default;
  explicit BusClient(const std::string& socketPath) { Connect(socketPath); }
  ~BusClient() { Close(); }
  BusClient(const BusClient&) = delete;
  BusClient& operator=(const BusClient&) = delete;

  bool Connect(const std::string& socketPath) {
    Close();
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", socketPath.c_str());
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
      Close();
      return false;
    }
    return true;
  }
  bool Connected() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // Sends kind + report (report id first).
  bool Send(uint8_t kind, const std::vector<uint8_t>& report) {
    std::vector<uint8_t> message;
    message.push_back(kind);
    message.insert(message.end(), report.begin(), report.end());
    return ::send(fd_, message.data(), message.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(message.size());
  }

  // One datagram (kind first), or nothing on time-out. An empty vector
  // means the connection ended (the node went away).
  std::optional<std::vector<uint8_t>> Receive(int timeoutMs = 2000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
    std::vector<uint8_t> buffer(4096);
    const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
    if (n <= 0) return std::vector<uint8_t>{};
    buffer.resize(static_cast<size_t>(n));
    return buffer;
  }

  // The next input report (without the kind byte); nothing on time-out or end.
  std::optional<std::vector<uint8_t>> ReceiveInput(int timeoutMs = 2000) {
    auto message = Receive(timeoutMs);
    if (!message || message->empty() || (*message)[0] != 0x02) return std::nullopt;
    return std::vector<uint8_t>(message->begin() + 1, message->end());
  }

 private:
  int fd_ = -1;
};

// A fresh bus folder under the temporary folder, removed with its contents.
class TempBusFolder {
 public:
  TempBusFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    std::string pattern = base + "/ruvemo-sim-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
  }
  ~TempBusFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A command report as the protocol defines it: report id 4, the 16-bit sum of
// bytes 3 to 63 in bytes 1 (low) and 2 (high), command in 3, chunk length in
// 4, offset in 5 (low) and 6 (high), 0 in 7, data from byte 8.
inline std::vector<uint8_t> CommandReport(uint8_t command, uint8_t length = 0, uint16_t offset = 0,
                                          const std::vector<uint8_t>& data = {}) {
  std::vector<uint8_t> r(64, 0);
  r[0] = 0x04;
  r[3] = command;
  r[4] = length;
  r[5] = static_cast<uint8_t>(offset & 0xFF);
  r[6] = static_cast<uint8_t>(offset >> 8);
  for (size_t i = 0; i < data.size() && 8 + i < 64; ++i) r[8 + i] = data[i];
  unsigned sum = 0;
  for (size_t i = 3; i < 64; ++i) sum += r[i];
  r[1] = static_cast<uint8_t>(sum & 0xFF);
  r[2] = static_cast<uint8_t>((sum >> 8) & 0xFF);
  return r;
}
