#pragma once
// Nodes of the virtual HID bus: <bus>/<stem>.json describes a node and
// <bus>/<stem>.sock (SOCK_SEQPACKET) carries its reports, one datagram each,
// behind a kind byte: 0x01 output report, 0x02 input report, 0x03 SET_REPORT
// of type output.

#include <functional>
#include <mutex>
#include <set>

#include "link/hid_backend.h"

inline constexpr uint8_t kVhidKindOutput = 0x01;
inline constexpr uint8_t kVhidKindInput = 0x02;
inline constexpr uint8_t kVhidKindSetOutput = 0x03;

// Longest a connection to a node may take to be accepted. A node whose device
// has stopped taking connections (a frozen device, a full listen backlog) is
// skipped rather than waited for.
inline constexpr int kVhidConnectTimeoutMs = 250;

// Largest node description file and report descriptor taken (the descriptor
// limit is hidraw's).
inline constexpr size_t kVhidMaxNodeFileSize = 64 * 1024;
inline constexpr size_t kVhidMaxDescriptorSize = 4096;

// Bus folder rules: the folder is used only when it is a real folder owned by
// this user and writable by nobody else (platform/private_folder.h); any
// other folder is ignored, with the reason in the debug output. Every node
// opened must lie in such a folder too.
class CVhidBackend : public IHidBackend {
 public:
  // folder() names the bus folder; it is asked on every call, so a changed
  // environment takes effect at the next enumeration.
  explicit CVhidBackend(std::function<std::string()> folder);
  bool Enumerate(std::vector<HidNodeInfo>& nodes) override;
  bool Owns(const std::string& nodePath) const override;
  // A node that does not take the connection within kVhidConnectTimeoutMs
  // fails at once on every further Open until the next Enumerate, so one
  // stuck node costs one time-out per enumeration pass, not one per path.
  std::unique_ptr<IHidConnection> Open(const std::string& nodePath, bool read, bool write,
                                       HidNodeInfo& info) override;

 private:
  bool FolderUsable(const std::string& folder);

  std::function<std::string()> folder_;
  std::mutex mutex_;                 // guards the two members below
  std::set<std::string> stuck_;      // nodes that timed out since the last Enumerate
  std::string lastFolderComplaint_;  // not repeated on every pass
};

// Reads one node's S.json (a regular file of at most kVhidMaxNodeFileSize
// bytes; a pipe or device there is not waited on); false when it is missing
// or not a node description.
bool ReadVhidNodeFile(const std::string& jsonPath, HidNodeInfo& info);
// The node description itself: false when the text is not one.
bool ParseVhidNodeDescription(const std::string& text, HidNodeInfo& info);
