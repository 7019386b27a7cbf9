#pragma once
// A virtual HID bus node whose device takes no more connections, as a frozen
// device does: its S.sock listens with a backlog that is already full and
// nobody ever accepts, so a blocking connect() would wait forever. S.json
// describes it like any other node.

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

class StuckNode {
 public:
  StuckNode(const std::string& folder, const std::string& stem, uint16_t vendorId,
            uint16_t productId, uint8_t interfaceNumber, const std::vector<uint8_t>& descriptor)
      : socketPath_(folder + "/" + stem + ".sock") {
    std::string hex;
    char byte[3];
    for (uint8_t b : descriptor) {
      std::snprintf(byte, sizeof byte, "%02x", b);
      hex += byte;
    }
    std::ofstream(folder + "/" + stem + ".json")
        << "{\"vendor_id\": " << vendorId << ", \"product_id\": " << productId
        << ", \"version\": 1, \"interface\": " << int{interfaceNumber}
        << ", \"name\": \"stuck\", \"report_descriptor\": \"" << hex << "\"}\n";
    listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath_.c_str());
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 0) != 0)
      return;
    // Fill the backlog: connections that nobody accepts, until one would wait.
    for (int i = 0; i < 64; ++i) {
      const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (fd < 0) return;
      if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        full_ = errno == EAGAIN;
        return;
      }
      queued_.push_back(fd);
    }
  }
  ~StuckNode() {
    for (int fd : queued_) ::close(fd);
    if (listener_ >= 0) ::close(listener_);
  }
  StuckNode(const StuckNode&) = delete;
  StuckNode& operator=(const StuckNode&) = delete;

  // True when the backlog is full: a further connect would block.
  bool Ready() const { return full_; }
  const std::string& SocketPath() const { return socketPath_; }

 private:
  std::string socketPath_;
  int listener_ = -1;
  std::vector<int> queued_;
  bool full_ = false;
};
