#include "sim/vhid_node.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include <json/json.h>

#include "sim/hex_text.h"

#include "platform/debug_output.h"
#include "platform/private_folder.h"

CVhidNode::CVhidNode(std::string busFolder, std::string stem, VhidNodeInfo info,
                     HostMessageHandler handler)
    : busFolder_(std::move(busFolder)), info_(std::move(info)), handler_(std::move(handler)) {
  jsonPath_ = busFolder_ + "/" + stem + ".json";
  socketPath_ = busFolder_ + "/" + stem + ".sock";
}

CVhidNode::~CVhidNode() { Remove(); }

bool CVhidNode::WriteJsonFile() const {
  Json::Value root(Json::objectValue);
  root["vendor_id"] = info_.vendorId;
  root["product_id"] = info_.productId;
  root["version"] = info_.version;
  root["interface"] = info_.interfaceNumber;
  root["name"] = info_.name;
  root["report_descriptor"] = SimHexText(info_.reportDescriptor);
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "  ";
  const std::string text = Json::writeString(builder, root) + "\n";

  const std::string temp = jsonPath_ + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    out.flush();
    if (!out) {
      ::unlink(temp.c_str());
      return false;
    }
  }
  if (::rename(temp.c_str(), jsonPath_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool CVhidNode::Start() {
  if (!removed_.load()) return true;
  if (thread_.joinable()) thread_.join();  // a Remove() made from the handler
  if (stopFd_ >= 0) {
    ::close(stopFd_);
    stopFd_ = -1;
  }
  // Nodes are published only in a folder of this user's that nobody else
  // may write to: hosts take whatever they find there for a device.
  std::string reason;
  if (!PreparePrivateFolder(busFolder_, &reason)) {
    DebugOutputF("vhid: bus folder %s refused: %s", busFolder_.c_str(), reason.c_str());
    return false;
  }
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (socketPath_.size() >= sizeof(addr.sun_path)) {
    DebugOutputF("vhid: socket path too long: %s", socketPath_.c_str());
    return false;
  }
  std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", socketPath_.c_str());

  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  ::unlink(socketPath_.c_str());  // a stale socket left by a crashed run
  if (!WriteJsonFile()) {
    DebugOutputF("vhid: cannot write %s", jsonPath_.c_str());
    ::close(fd);
    return false;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(fd, 16) != 0) {
    DebugOutputF("vhid: cannot listen on %s (errno %d)", socketPath_.c_str(), errno);
    ::close(fd);
    ::unlink(socketPath_.c_str());
    ::unlink(jsonPath_.c_str());
    return false;
  }
  const int efd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (efd < 0) {
    ::close(fd);
    ::unlink(socketPath_.c_str());
    ::unlink(jsonPath_.c_str());
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    listenFd_ = fd;
    stopFd_ = efd;
    removed_ = false;
  }
  thread_ = std::thread(&CVhidNode::Run, this);
  return true;
}

void CVhidNode::Remove() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!removed_.exchange(true)) {
      ::unlink(socketPath_.c_str());
      ::unlink(jsonPath_.c_str());
      // Shut the connections down now so that hosts see the removal at once;
      // the service thread closes the descriptors when it ends.
      for (int fd : connections_) ::shutdown(fd, SHUT_RDWR);
      if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
      if (stopFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof(one));
      }
    }
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopFd_ >= 0) {
      ::close(stopFd_);
      stopFd_ = -1;
    }
  }
}

void CVhidNode::CloseAllLocked() {
  for (int fd : connections_) ::close(fd);
  connections_.clear();
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
  }
}

bool CVhidNode::SendInput(const uint8_t* report, size_t size) {
  std::vector<uint8_t> message(size + 1);
  message[0] = kVhidInputReport;
  if (size > 0) std::copy(report, report + size, message.begin() + 1);
  std::lock_guard<std::mutex> lock(mutex_);
  if (removed_.load()) return false;
  bool sent = false;
  for (int fd : connections_) {
    if (::send(fd, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL) ==
        static_cast<ssize_t>(message.size()))
      sent = true;
  }
  return sent;
}

size_t CVhidNode::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return removed_.load() ? 0 : connections_.size();
}

void CVhidNode::Run() {
  std::vector<uint8_t> buffer(4096);
  std::vector<pollfd> fds;
  while (!removed_.load()) {
    int listenFd;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      listenFd = listenFd_;
      fds.clear();
      fds.push_back({stopFd_, POLLIN, 0});
      fds.push_back({listenFd_, POLLIN, 0});
      for (int fd : connections_) fds.push_back({fd, POLLIN, 0});
    }
    const int ready = ::poll(fds.data(), fds.size(), -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (removed_.load() || (fds[0].revents & POLLIN) != 0) break;
    if ((fds[1].revents & POLLIN) != 0) {
      const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (client >= 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.push_back(client);
      }
    }
    for (size_t i = 2; i < fds.size() && !removed_.load(); ++i) {
      if (fds[i].revents == 0) continue;
      const int fd = fds[i].fd;
      bool drop =
          (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (fds[i].revents & POLLIN) == 0;
      if (!drop) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) {
          drop = true;
        } else if (n >= 2 &&
                   (buffer[0] == kVhidOutputReport || buffer[0] == kVhidSetOutputReport)) {
          if (handler_) handler_(buffer[0], buffer.data() + 1, static_cast<size_t>(n) - 1);
        }
      }
      if (drop) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end(); ++it) {
          if (*it == fd) {
            ::close(fd);
            connections_.erase(it);
            break;
          }
        }
      }
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  CloseAllLocked();
}
