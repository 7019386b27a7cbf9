#pragma once
// The main window's run-time copy of the interface catalogue, and the
// decisions its arrival, removal and switch handlers take on it. The
// decisions are pure functions of the table (and of the channel's current
// mode where a switch needs it), so the handlers only carry them out.
//
// Threads: the discovery thread is the only writer of claimed flags and
// paths. The table has no lock: the owner reads it only while the discovery
// thread waits in a hand-over (IDiscoverySink) or after the thread stopped.

#include <string>
#include <vector>

#include "devices/interface_catalogue.h"

class CConnectionTable {
 public:
  CConnectionTable();  // the catalogue's rows in order, all free

  int Size() const { return static_cast<int>(rows_.size()); }
  bool Contains(int index) const { return index >= 0 && index < Size(); }
  const InterfaceEntry& Row(int index) const { return rows_[static_cast<size_t>(index)]; }
  const ConnectionTable& Rows() const { return rows_; }

  bool AllInterfacesClaimed() const { return ::AllInterfacesClaimed(rows_); }
  bool Admit(const InterfaceEntry& identity) const { return ::AdmitInterface(rows_, identity); }
  bool Claim(InterfaceEntry& identity, int& index) {
    return ::ClaimInterface(rows_, identity, index);
  }
  // Makes the row free again (claimed 0, empty path).
  void Release(int index);
  // Claimed rows in index order.
  std::vector<int> ClaimedRows() const;

  // The row has a partner, the partner is claimed with a path, and the
  // partner's partner index is the row: the device is connected the other way.
  bool PartnerStillClaimed(int index) const;

 private:
  ConnectionTable rows_;
};

// The identity an interface path names (vendor, product, interface and
// collection number, markers found without regard to case), with the path.
InterfaceEntry IdentityOfPath(const std::string& path);

// The row that stands for the device an interface belongs to (its identity
// row): for an event row the command row of the same vendor, product and
// kind, replaced by that row's partner for the receiver kinds; for a receiver
// command row whose partner points back at it, the partner (wired) row;
// otherwise the row itself. -1 for an index outside the table or an event row
// without a command row.
int DeviceIdentityRow(const ConnectionTable& table, int index);

// The command row a device page is created from: the first catalogue row of
// the row's vendor, product and kind with role 0; -1 if none.
int PageSourceRow(const ConnectionTable& table, int index);

// Which of a channel's two records an interface uses.
enum class ChannelRecord { Wired, Receiver };

// What the arrival handler does with a claimed row.
enum class ArrivalAction {
  Ignore,             // index outside the table
  OpenEventListener,  // event row: the device opens it as its event listener
  SwitchConnection,   // wired row of a device that runs through its receiver
  None,               // receiver row of a device that runs on its cable
  OpenChannel,        // command row: open the device's channel on it
};

struct ArrivalPlan {
  ArrivalAction action = ArrivalAction::Ignore;
  int identityRow = -1;    // the device's identity row
  int pageSourceRow = -1;  // the row a missing page is created from
  ChannelRecord record = ChannelRecord::Wired;
  int connectionMode = 0;  // 1 wired, 2 receiver, 0 not set (pad, headset)
  bool showTab = false;    // wired kinds make their tab visible at once
};
ArrivalPlan PlanArrival(const CConnectionTable& table, int index);

enum class RemovalAction {
  Ignore,              // index outside the table
  CloseEventListener,  // event row: the device closes that listener
  SwitchConnection,    // wired row lost while the receiver is still there
  None,                // receiver row lost while the cable is still there
  CloseChannel,        // close both records and hide the tab
};

struct RemovalPlan {
  RemovalAction action = RemovalAction::Ignore;
  int identityRow = -1;
  ChannelRecord record = ChannelRecord::Wired;  // the listener's connection
  const char* lostMessage = nullptr;            // debug line for a lost keyboard or mouse
};
RemovalPlan PlanRemoval(const CConnectionTable& table, int index);

// Moving a paired device from one connection to the other.
struct SwitchPlan {
  bool valid = false;
  std::string newPath;  // the row's own path when leaving the receiver, else the partner's
  ChannelRecord reopen = ChannelRecord::Wired;  // the record of the connection taken up
  bool toReceiver = false;                      // the mode after the switch
  int connectionMode = 1;                       // 2 receiver, 1 wired
};
// channelInReceiverMode: the device's channel's mode before the switch.
SwitchPlan PlanSwitch(const CConnectionTable& table, int index, bool channelInReceiverMode);
