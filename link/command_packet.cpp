#include "link/command_packet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

uint16_t PacketChecksum(const uint8_t* packet) {
  uint32_t sum = 0;
  for (uint32_t i = 3; i < kPacketSize; ++i) sum += packet[i];
  return static_cast<uint16_t>(sum);
}

void SealPacket(uint8_t* packet) {
  const uint16_t sum = PacketChecksum(packet);
  packet[1] = static_cast<uint8_t>(sum & 0xFF);
  packet[2] = static_cast<uint8_t>(sum >> 8);
}

std::vector<ChunkSpan> ChunkLayout(uint32_t total, uint32_t step) {
  std::vector<ChunkSpan> chunks;
  if (step == 0) return chunks;
  for (uint32_t position = 0; position < total; position += step)
    chunks.push_back({position, std::min(step, total - position)});
  return chunks;
}

namespace {

void WriteHeader(uint8_t* packet, uint8_t command, uint8_t length, uint16_t offset) {
  packet[0] = kCommandReportId;
  packet[3] = command;
  packet[4] = length;
  packet[5] = static_cast<uint8_t>(offset & 0xFF);
  packet[6] = static_cast<uint8_t>(offset >> 8);
  packet[7] = 0;
}

}  // namespace

CommandPacket MakeRequest(uint8_t command, uint8_t length, uint16_t offset) {
  CommandPacket packet{};
  WriteHeader(packet.data(), command, length, offset);
  SealPacket(packet.data());
  return packet;
}

std::vector<CommandPacket> BuildChunkRequests(uint8_t command, const uint8_t* data, uint32_t total,
                                              uint32_t step,
                                              const std::function<uint16_t(uint32_t)>& offsetOf) {
  std::vector<CommandPacket> packets;
  const uint32_t room = kPacketSize - kPacketDataOffset;
  CommandPacket packet{};
  for (const ChunkSpan& chunk : ChunkLayout(total, std::min(step, room))) {
    WriteHeader(packet.data(), command, static_cast<uint8_t>(chunk.length),
                offsetOf(chunk.position));
    if (data != nullptr)
      std::memcpy(packet.data() + kPacketDataOffset, data + chunk.position, chunk.length);
    SealPacket(packet.data());
    packets.push_back(packet);
  }
  return packets;
}

std::string FormatTraceLine(const uint8_t* b) {
  char line[160];
  std::snprintf(line, sizeof line,
                "%02x %02x %02x %02x   %02x %02x %02x %02x   %02x %02x %02x %02x   %02x %02x "
                "%02x %02x  %02x %02x %02x %02x  %02x %02x %02x %02x  %02x %02x %02x %02x  "
                "%02x %02x %02x %02x",
                b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12],
                b[13], b[14], b[15], b[16], b[17], b[18], b[19], b[20], b[21], b[22], b[23], b[24],
                b[25], b[26], b[27], b[28], b[29], b[30], b[31]);
  return line;
}
