#pragma once
// One simulated device: carries out the command reports the host sends and
// keeps the device's memory, its lighting frames and its power state.
//
// Command reports are 64 bytes: report id 4, checksum (bytes 1-2, the sum of
// bytes 3 to 63), command (3), chunk length (4), offset (5-6, little-endian),
// 0 (7), data from byte 8. A reply echoes the command, the chunk length and
// the offset, carries a status in byte 7 and, for reads, the data from byte
// 8; its own checksum is filled in the same way.
//
// Status byte of a reply:
//   0x01 done;
//   0xFF refused: the checksum does not match (nothing is carried out), the
//        chunk is longer than 56 bytes, or it reaches past the end of the
//        memory area;
//   0xFE the command is not one this product knows.
//
// The commands each product knows:
//   all:           0x01 begin, 0x02 end, 0x03 info, 0x05/0x06 parameters,
//                  0x1A status
//   keyboard:      0x07/0x09 key table, 0x27 Fn key table, 0x1B LED indexes,
//                  0x0A/0x0B light tables, 0x12 light frame, 0x15 macro,
//                  0x1C software lighting on, 0xAA link query
//   mouse:         0x07/0x09 key table, 0x15 macro, 0x17 shooting data,
//                  0xAA link query
// Offsets address the area directly: light tables at group x 512 + position,
// the key tables at page x 512 + position (one page).
//
// A software lighting frame is key count x 3 bytes, sent with 0x12 in chunks
// from offset 0. The device keeps one frame buffer; a chunk that reaches the
// end of the frame shows it: it becomes the last frame and the frame count
// grows. A dropped chunk leaves the previous frame's bytes in its place.
//
// Not thread-safe: the simulator serialises every call.

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "sim/device_memory.h"
#include "sim/sim_product.h"

using SimReport = std::array<uint8_t, 64>;

// The 16-bit additive checksum of bytes 3 to 63, as bytes 1 and 2 carry it.
uint16_t SimChecksum(const uint8_t* report64);

class CSimDevice {
 public:
  explicit CSimDevice(SimProduct product);

  SimProduct Product() const { return product_; }
  SimDeviceMemory& Memory() { return memory_; }
  const SimDeviceMemory& Memory() const { return memory_; }

  // Carries out one command report (report id first; a shorter report is
  // zero-padded) and returns the reply.
  SimReport Execute(const uint8_t* report, size_t size);

  // A headset light report (17 bytes, report id 0, 0xFF, target 0x22 or 0x44,
  // sub-command 0xAA-0xAF, data). False when the report is not one.
  bool HandleLightReport(const uint8_t* report, size_t size);

  // True once after an end-of-batch command that followed a write, and after
  // MarkSaved() false again: the simulator then stores its state.
  bool HasUnsavedWrites() const { return unsaved_; }
  bool CommitPending() const { return commitPending_; }
  void MarkSaved() {
    unsaved_ = false;
    commitPending_ = false;
  }

  // Power state: rebuilds the status block.
  void SetBattery(uint8_t level, bool charging);
  void SetWireless(bool wireless);
  void SetPhoneOnPad(uint8_t type);

  // What the device itself does when it reports an event: a profile code
  // (0x10xx, 0x11xx, or a high byte with bit 7 set) means the user switched
  // the profile (or the DPI stage, or the settings byte 17 value) on the
  // device, so parameter memory follows it.
  void ApplyEvent(uint16_t code);

  const std::vector<uint8_t>& LastLightFrame() const { return lastFrame_; }
  uint64_t LightFrameCount() const { return frameCount_; }
  uint64_t SoftwareLightingRequests() const { return softwareLightingRequests_; }
  // 2 targets (0x22, 0x44) x 13 lights x red, green, blue:
  // byte (target x 13 + light) x 3 + channel.
  const std::vector<uint8_t>& HeadsetLastFrame() const { return headsetLastFrame_; }
  uint64_t HeadsetFrameCount() const { return headsetFrameCount_; }
  uint64_t BadChecksums() const { return badChecksums_; }

 private:
  uint8_t Read(std::vector<uint8_t>& area, size_t offset, size_t length, uint8_t* out);
  uint8_t Write(std::vector<uint8_t>& area, size_t offset, size_t length, const uint8_t* in);
  uint8_t StreamFrame(size_t offset, size_t length, const uint8_t* in);
  void RebuildStatus();

  SimProduct product_;
  SimDeviceMemory memory_;
  bool unsaved_ = false;
  bool commitPending_ = false;

  std::vector<uint8_t> frameBuffer_, lastFrame_;
  uint64_t frameCount_ = 0;
  uint64_t softwareLightingRequests_ = 0;
  std::vector<uint8_t> headsetFrame_, headsetLastFrame_;
  uint64_t headsetFrameCount_ = 0;
  uint64_t badChecksums_ = 0;

  uint8_t batteryLevel_ = 100;
  bool charging_ = false;
  bool wireless_ = false;
  uint8_t phone_ = 0;
};
