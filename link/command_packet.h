#pragma once
// The 64-byte command report shared by requests and replies, and the pure
// parts of building requests: checksum, chunk layout, chunk packets, trace.
//
//   byte 0      report id 4
//   bytes 1, 2  checksum of bytes 3..63, low byte first (requests only)
//   byte 3      command code (its echo in a reply; 0xAA from a receiver
//               whose device does not answer)
//   byte 4      length of this chunk
//   bytes 5, 6  offset, low byte first
//   byte 7      0 in requests; the status in replies (0xFF, 0xFE: error)
//   bytes 8..63 data

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr uint32_t kPacketSize = 64;
inline constexpr uint8_t kCommandReportId = 4;
inline constexpr uint32_t kPacketDataOffset = 8;
inline constexpr uint8_t kWiredPayload = 56;
inline constexpr uint8_t kDonglePayload = 24;
inline constexpr uint8_t kShootChunkSize = 56;
inline constexpr uint16_t kMaxBlockSize = 512;
inline constexpr uint32_t kDeviceInfoSize = 34;
// Offsets a 16-bit offset field can address: a block may end at 0x10000.
inline constexpr uint64_t kOffsetLimit = 0x10000;
inline constexpr uint8_t kReplyStatusFF = 0xFF;
inline constexpr uint8_t kReplyStatusFE = 0xFE;
inline constexpr uint8_t kDongleNoDevice = 0xAA;

enum CommandCode : uint8_t {
  kCmdBeginConfig = 0x01,
  kCmdEndConfig = 0x02,
  kCmdReadDeviceInfo = 0x03,
  kCmdReadParameters = 0x05,
  kCmdWriteParameters = 0x06,
  kCmdReadKeyTable = 0x07,
  kCmdWriteKeyTable = 0x09,
  kCmdReadLightTable = 0x0A,
  kCmdWriteLightTable = 0x0B,
  kCmdStreamLightFrame = 0x12,
  kCmdWriteMacroData = 0x15,
  kCmdWriteShootData = 0x17,
  kCmdReadStatus = 0x1A,
  kCmdReadLedIndexTable = 0x1B,
  kCmdEnableSoftwareLighting = 0x1C,
  kCmdWriteFnKeyTable = 0x27,
  kCmdQueryWirelessLink = 0xAA,
};

using CommandPacket = std::array<uint8_t, kPacketSize>;

// Sum of bytes 3..63 (bytes 1 and 2 left out).
uint16_t PacketChecksum(const uint8_t* packet);
// Writes the checksum into bytes 1 and 2; call when every other byte is final.
void SealPacket(uint8_t* packet);

// One chunk of a transfer: where it starts in the block and how long it is.
struct ChunkSpan {
  uint32_t position;
  uint32_t length;
  bool operator==(const ChunkSpan&) const = default;
};
// Chunks of at most step bytes covering total bytes in order.
std::vector<ChunkSpan> ChunkLayout(uint32_t total, uint32_t step);

// A single request without data.
CommandPacket MakeRequest(uint8_t command, uint8_t length = 0, uint16_t offset = 0);

// The request packets of one chunked transfer. The packet is zero-filled
// once; each chunk rewrites the header and its own data only, so the bytes
// behind a shorter last chunk keep what the previous chunk left there.
// data is null for reads. offsetOf(position) is the offset field of a chunk.
std::vector<CommandPacket> BuildChunkRequests(uint8_t command, const uint8_t* data, uint32_t total,
                                              uint32_t step,
                                              const std::function<uint16_t(uint32_t)>& offsetOf);

// One trace line of the exchange: 32 bytes, in groups of four.
std::string FormatTraceLine(const uint8_t* bytes32);
