#pragma once
// The device side of one node of the virtual HID bus.
//
// A node stands for one USB interface. Start() publishes it as the pair
// <bus>/<stem>.json (identity and report descriptor, written to a temporary
// name and renamed) and <bus>/<stem>.sock (a listening SOCK_SEQPACKET socket).
// Every host that connects is one connection. Each datagram carries one report
// behind a kind byte: 0x01 an output report written by the host, 0x02 an input
// report sent by the device, 0x03 a SET_REPORT request of type output.
//
// One service thread per node accepts connections and reads the host's
// messages; the handler runs on that thread, one message at a time.
// SendInput() may be called from any thread, the handler included.
// Remove() may also be called from inside the handler (a device unplugged in
// the middle of a transfer): the files go and the connections close at once,
// the thread ends after the handler returns and is joined by the next Remove()
// or the destructor, which must then run on another thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct VhidNodeInfo {
  uint16_t vendorId = 0, productId = 0, version = 0;
  uint8_t interfaceNumber = 0;
  std::string name;
  std::vector<uint8_t> reportDescriptor;
};

inline constexpr uint8_t kVhidOutputReport = 0x01;
inline constexpr uint8_t kVhidInputReport = 0x02;
inline constexpr uint8_t kVhidSetOutputReport = 0x03;

class CVhidNode {
 public:
  // kind is 0x01 (output report written by the host) or 0x03 (SET_REPORT
  // output); data starts with the report id. Called on the node's own service
  // thread, one message at a time.
  using HostMessageHandler = std::function<void(uint8_t kind, const uint8_t* data, size_t size)>;

  CVhidNode(std::string busFolder, std::string stem, VhidNodeInfo info, HostMessageHandler handler);
  ~CVhidNode();  // Remove()
  CVhidNode(const CVhidNode&) = delete;
  CVhidNode& operator=(const CVhidNode&) = delete;

  // Creates the bus folder when missing (mode 0700) and refuses one that is
  // a symbolic link, owned by another user or writable by group or others;
  // writes S.json through a temporary name and a rename, listens on S.sock
  // and starts the service thread. False on any failure, with nothing left
  // behind.
  bool Start();
  // Removes both files and closes every connection: a host's blocked read
  // then ends and a new connection is refused. Idempotent.
  void Remove();
  // Sends the report (report id first) as a kind 0x02 datagram to every open
  // connection. False when no connection took it.
  bool SendInput(const uint8_t* report, size_t size);
  size_t ConnectionCount() const;

  const std::string& JsonPath() const { return jsonPath_; }
  const std::string& SocketPath() const { return socketPath_; }

 private:
  void Run();
  void CloseAllLocked();
  bool WriteJsonFile() const;

  std::string busFolder_;
  std::string jsonPath_;
  std::string socketPath_;
  VhidNodeInfo info_;
  HostMessageHandler handler_;

  mutable std::mutex mutex_;  // guards connections_, listenFd_, and the files
  std::vector<int> connections_;
  int listenFd_ = -1;
  int stopFd_ = -1;  // eventfd that wakes the service thread
  std::atomic<bool> removed_{true};
  std::thread thread_;
};
