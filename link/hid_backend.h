#pragma once
// The places HID nodes come from. A node is one USB interface (one hidraw
// node, one virtual bus node); CHidDevice turns each of its top-level
// collections into one interface path. Backends are listed in enumeration
// order: hidraw first, then the virtual HID bus.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct HidNodeInfo {
  std::string nodePath;  // /dev/hidrawN, or <bus folder>/<stem>.sock
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t version = 0;  // bcdDevice
  uint32_t interfaceNumber = 0;
  std::string name;
  std::vector<uint8_t> reportDescriptor;
};

// One open connection to a node. Reports always start with their report id
// (0 when the node numbers no reports), in both directions.
class IHidConnection {
 public:
  virtual ~IHidConnection() = default;
  // Becomes readable when an input report, or the node's removal, is there;
  // writable when an output report can be sent.
  virtual int PollFd() const = 0;
  // One input report: its size, 0 when nothing (or only a message that is no
  // input report) was there, -1 when the node failed or went away.
  virtual int ReadInput(uint8_t* buffer, size_t length) = 0;
  // 1 sent, 0 would block, -1 failed.
  virtual int WriteOutput(const uint8_t* report, size_t length) = 0;
  // A SET_REPORT request of type output.
  virtual bool SetOutputReport(const uint8_t* report, size_t length) = 0;
};

class IHidBackend {
 public:
  virtual ~IHidBackend() = default;
  // Appends the nodes present now, in a stable order. False when the list
  // cannot be read at all (a missing folder is an empty list).
  virtual bool Enumerate(std::vector<HidNodeInfo>& nodes) = 0;
  // Whether a node path is one of this backend's.
  virtual bool Owns(const std::string& nodePath) const = 0;
  // Opens the node and reads its identity and report descriptor into info;
  // null when the node cannot be opened.
  virtual std::unique_ptr<IHidConnection> Open(const std::string& nodePath, bool read, bool write,
                                               HidNodeInfo& info) = 0;
};

// hidraw, then the virtual HID bus (folder VhidBusFolder(), read on every call).
const std::vector<IHidBackend*>& HidBackends();
