#pragma once
// Nodes of the virtual HID bus: <bus>/<stem>.json describes a node and
// <bus>/<stem>.sock (SOCK_SEQPACKET) carries its reports, one datagram each,
// behind a kind byte: 0x01 output report, 0x02 input report, 0x03 SET_REPORT
// of type output.

#include <functional>

#include "link/hid_backend.h"

inline constexpr uint8_t kVhidKindOutput = 0x01;
inline constexpr uint8_t kVhidKindInput = 0x02;
inline constexpr uint8_t kVhidKindSetOutput = 0x03;

class CVhidBackend : public IHidBackend {
 public:
  // folder() names the bus folder; it is asked on every call, so a changed
  // environment takes effect at the next enumeration.
  explicit CVhidBackend(std::function<std::string()> folder);
  bool Enumerate(std::vector<HidNodeInfo>& nodes) override;
  bool Owns(const std::string& nodePath) const override;
  std::unique_ptr<IHidConnection> Open(const std::string& nodePath, bool read, bool write,
                                       HidNodeInfo& info) override;

 private:
  std::function<std::string()> folder_;
};

// Reads one node's S.json; false when it is missing or not a node description.
bool ReadVhidNodeFile(const std::string& jsonPath, HidNodeInfo& info);
