#pragma once
// The device simulator: every product of the family on the virtual HID bus,
// for tests in-process and for the ruvemo-sim program.
//
// Each product is one CSimDevice (its memory and behaviour) reached through
// up to two bus nodes:
//   product   cable node (vendor:product, interface)   receiver node
//   keyboard  1A2B:5055 interface 1                     1A2B:5088 interface 1
//   mouse     05AC:024F interface 1                     1A2B:221D interface 1
//   pad       1A2B:1004 interface 1                     -
//   headset   0C76:1630 interface 3                     -
// Node stems are "<prefix>-keyboard", "<prefix>-keyboard-receiver",
// "<prefix>-mouse", "<prefix>-mouse-receiver", "<prefix>-pad",
// "<prefix>-headset" (report descriptors in sim/report_descriptors.h).
//
// Connections of a keyboard or mouse: the cable node exists while the cable
// is plugged, the receiver node while the receiver is plugged. With the cable
// in, the device answers on the cable and its receiver (if plugged) has no
// device behind it. Without the cable the device talks through the receiver
// while it is reachable (switched on, in range). The receiver answers the
// link query 0xAA itself (byte 8 = 0xFF while the device is linked, 0x00
// otherwise) and replies to every other command with command byte 0xAA
// while no device is linked.
//
// Device events (SendEvent) go out as report id 3 with the 16-bit code on
// the event collection of the node the device talks through.
//
// Timing model (on by default): the cable carries one report per millisecond
// each way, the receiver one per receiverIntervalMs. Off, every reply is
// immediate (unit tests).
//
// State file: parameters, key tables, light tables, macro and shooting data
// of every product are kept in a JSON file (written whole to a temporary
// name, then renamed) at the end of every batch that wrote something (0x02),
// when a product is unplugged, on Flush() and on destruction, and read when
// the simulator is made; a restart keeps what was written, like flash.
//
// Every member is thread-safe. Calls made from node threads (the host's
// messages) and from the test's thread are serialised by one lock that is
// never held while a node is joined.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/sim_device.h"
#include "sim/sim_product.h"
#include "sim/vhid_node.h"

struct SimulatorOptions {
  std::string busFolder;  // empty: VhidBusFolder()
  std::string stateFile;  // empty: memory only
  bool timing = true;     // the timing model
  unsigned receiverIntervalMs = 4;
  std::string stemPrefix = "ruvemo-sim";
  // Empty: no trace. Otherwise every report the devices take from the host is
  // appended to this file as one line when the device takes it (after the
  // timing model's wait):
  //   SECONDS.MICROS PRODUCT cable|receiver output|set-output|KIND SIZE REPORTID COMMAND
  // with the wall-clock time (CLOCK_REALTIME, so that other processes can
  // compare), the report id and the command byte in hex ("--" when the
  // report is too short to carry one).
  std::string traceFile;
};

// A fault the device (or its receiver) shows on the command reports.
struct SimFault {
  enum class Kind {
    NoReply,    // the report is lost: not carried out, no reply
    WrongEcho,  // carried out, but the reply's command byte is wrong
    Status,     // not carried out; the reply carries status (0xFF or 0xFE)
    Delay,      // carried out, the reply comes delayMs late
    Remove,     // the node the report came through disappears (cable or
                // receiver pulled) before carrying it out
  };
  Kind kind = Kind::NoReply;
  int command = -1;          // the command code it watches; -1 every command
  unsigned skip = 0;         // watched reports carried out normally first, so
                             // skip = N strikes at the (N+1)-th chunk
  int times = 1;             // watched reports it strikes; -1 every one from then on
  uint8_t status = 0xFF;     // Status
  unsigned delayMs = 0;      // Delay
  bool thenCorrect = false;  // WrongEcho: a correct reply follows the wrong one
};

class CSimulator {
 public:
  explicit CSimulator(SimulatorOptions options);
  ~CSimulator();  // unplugs everything and stores the state
  CSimulator(const CSimulator&) = delete;
  CSimulator& operator=(const CSimulator&) = delete;

  // Plugs the product in: its cable, or for a keyboard or mouse set to the
  // receiver, its receiver. False when a node could not be published.
  bool Plug(SimProduct product);
  // Pulls the cable and the receiver.
  void Unplug(SimProduct product);
  // Keyboard and mouse: moves the device to the receiver (the receiver is
  // plugged, the cable pulled) or to the cable (the cable is plugged; the
  // receiver stays where it is, with no device behind it). When the product
  // is not plugged this only chooses what Plug() will do. False for the pad
  // and the headset.
  bool SetConnection(SimProduct product, bool viaReceiver);
  // Keyboard and mouse: plugs or pulls the receiver alone.
  bool SetReceiverPlugged(SimProduct product, bool plugged);
  // Keyboard and mouse: whether the device answers behind its receiver.
  void SetReachable(SimProduct product, bool reachable);

  // Sends a device event. False when the device has no event collection
  // (headset) or no node it talks through.
  bool SendEvent(SimProduct product, uint16_t code);
  void SetBattery(SimProduct product, uint8_t level, bool charging);
  void SetPhoneOnPad(uint8_t type);

  // Faults are checked in the order they were injected; the first one that
  // watches a report decides. A fault whose times are used up is dropped.
  void InjectFault(SimProduct product, SimFault fault);
  void ClearFaults(SimProduct product);

  // Read access for assertions.
  bool CablePlugged(SimProduct product) const;
  bool ReceiverPlugged(SimProduct product) const;
  std::vector<uint8_t> Memory(SimProduct product, SimArea area) const;
  // Changes device memory directly (test set-up); false when out of range.
  bool SetMemory(SimProduct product, SimArea area, size_t offset,
                 const std::vector<uint8_t>& bytes);
  std::vector<uint8_t> LastLightFrame(SimProduct product) const;
  uint64_t LightFrameCount(SimProduct product) const;
  uint64_t SoftwareLightingRequests(SimProduct product) const;
  std::vector<uint8_t> HeadsetLastFrame() const;  // layout: CSimDevice::HeadsetLastFrame
  uint64_t HeadsetFrameCount() const;
  // Host messages that reached the product's nodes (both kinds, all nodes).
  uint64_t PacketsReceived(SimProduct product) const;
  // Command reports with this command code that reached the product's nodes.
  uint64_t CommandsReceived(SimProduct product, uint8_t command) const;
  size_t ConnectionCount(SimProduct product, bool receiver) const;
  // Path of the node's socket (exists only while plugged).
  std::string SocketPath(SimProduct product, bool receiver) const;
  const std::string& BusFolder() const { return busFolder_; }

  // Stores the state file now; true when there is none or it was written.
  bool Flush();
  // False when a trace file was asked for and could not be opened, or a line
  // could not be written (tracing stops then).
  bool TraceReady() const;

 private:
  struct Link {
    std::unique_ptr<CVhidNode> node;
    std::shared_ptr<std::atomic<bool>> gone;
    std::chrono::steady_clock::time_point nextOut{}, nextIn{};
  };
  struct Product {
    std::unique_ptr<CSimDevice> device;
    bool cable = false, receiver = false, reachable = true, preferReceiver = false;
    Link links[2];  // 0 cable, 1 receiver
    std::vector<SimFault> faults;
    uint64_t packets = 0;
    std::map<uint8_t, uint64_t> commands;
  };
  using NodeList = std::vector<std::unique_ptr<CVhidNode>>;

  Product& P(SimProduct product) { return products_[static_cast<int>(product)]; }
  const Product& P(SimProduct product) const { return products_[static_cast<int>(product)]; }
  bool Reconcile(SimProduct product, NodeList& retired);
  bool StartLink(SimProduct product, int which);
  void OnHostMessage(SimProduct product, int which, const std::shared_ptr<std::atomic<bool>>& gone,
                     uint8_t kind, const uint8_t* data, size_t size);
  bool WaitSlot(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point& slot,
                int which, const std::shared_ptr<std::atomic<bool>>& gone);
  void Send(Link& link, const SimReport& reply);
  void TraceLocked(SimProduct product, int which, uint8_t kind, const uint8_t* data, size_t size);
  void RetireLocked(SimProduct product, int which, NodeList& retired);
  bool SaveLocked();
  void LoadState();
  std::string Stem(SimProduct product, int which) const;

  SimulatorOptions options_;
  std::string busFolder_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  Product products_[4];
  NodeList graveyard_;  // nodes removed from their own thread, joined later
  std::FILE* trace_ = nullptr;
  bool traceFailed_ = false;
};
