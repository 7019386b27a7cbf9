#include "link/command_packet.h"

#include <gtest/gtest.h>

#include <numeric>

#include "link/device_channel.h"
#include "tests/support/debug_capture.h"

namespace {

uint16_t Identity(uint32_t position) { return static_cast<uint16_t>(position); }

TEST(CommandPacket, BeginConfigRequestBytes) {
  const CommandPacket p = MakeRequest(kCmdBeginConfig);
  CommandPacket expected{};
  expected[0] = 0x04;
  expected[1] = 0x01;
  expected[2] = 0x00;
  expected[3] = 0x01;
  EXPECT_EQ(p, expected);
}

TEST(CommandPacket, ChecksumCoversBytesThreeToSixtyThreeOnly) {
  CommandPacket p{};
  p.fill(0xFF);  // 61 bytes of 0xFF from byte 3 on: 0x3CC3
  EXPECT_EQ(PacketChecksum(p.data()), 61 * 0xFF);
  SealPacket(p.data());
  EXPECT_EQ(p[1], 0xC3);
  EXPECT_EQ(p[2], 0x3C);
  EXPECT_EQ(p[0], 0xFF);  // report id and data untouched
  EXPECT_EQ(PacketChecksum(p.data()), 61 * 0xFF);
}

TEST(CommandPacket, ChunkLayouts) {
  struct Case {
    const char* what;
    uint32_t total, step;
    std::vector<ChunkSpan> chunks;
  } cases[] = {
      {"device info wired", 34, kWiredPayload, {{0, 34}}},
      {"device info through the receiver", 34, kDonglePayload, {{0, 24}, {24, 10}}},
      {"key table of 128 keys wired",
       384,
       kWiredPayload,
       {{0, 56}, {56, 56}, {112, 56}, {168, 56}, {224, 56}, {280, 56}, {336, 48}}},
      {"LED index table of 128 keys wired", 128, kWiredPayload, {{0, 56}, {56, 56}, {112, 16}}},
      {"exact multiple", 48, kDonglePayload, {{0, 24}, {24, 24}}},
      {"nothing", 0, kWiredPayload, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ChunkLayout(c.total, c.step), c.chunks) << c.what;
}

TEST(CommandPacket, ShorterLastChunkKeepsThePreviousChunksTail) {
  std::vector<uint8_t> data(60);
  std::iota(data.begin(), data.end(), 1);  // 1..60
  const auto packets =
      BuildChunkRequests(kCmdWriteMacroData, data.data(), 60, kWiredPayload,
                         [](uint32_t p) { return static_cast<uint16_t>(p + 0x100); });
  ASSERT_EQ(packets.size(), 2u);
  const CommandPacket& first = packets[0];
  EXPECT_EQ(first[3], kCmdWriteMacroData);
  EXPECT_EQ(first[4], 56);
  EXPECT_EQ(first[5], 0x00);
  EXPECT_EQ(first[6], 0x01);
  EXPECT_EQ(first[8], 1);
  EXPECT_EQ(first[63], 56);
  const CommandPacket& last = packets[1];
  EXPECT_EQ(last[4], 4);
  EXPECT_EQ(last[5], 56);  // offset 0x138
  EXPECT_EQ(last[6], 0x01);
  EXPECT_EQ(last[7], 0);
  EXPECT_EQ(std::vector<uint8_t>(last.begin() + 8, last.begin() + 12),
            (std::vector<uint8_t>{57, 58, 59, 60}));
  // Bytes 12..63 still hold data bytes 5..56 of the first chunk, and the
  // checksum covers them.
  for (int i = 12; i < 64; ++i) EXPECT_EQ(last[i], first[i]) << i;
  EXPECT_EQ(last[1] | last[2] << 8, PacketChecksum(last.data()));

  // Reads carry no data: the data area stays zero.
  for (const auto& p : BuildChunkRequests(kCmdReadKeyTable, nullptr, 384, kWiredPayload, Identity))
    for (int i = 8; i < 64; ++i) EXPECT_EQ(p[i], 0);
}

TEST(CommandPacket, TraceLineGroupsBytesByFour) {
  uint8_t bytes[32];
  std::iota(bytes, bytes + 32, 0);
  EXPECT_EQ(FormatTraceLine(bytes),
            "00 01 02 03   04 05 06 07   08 09 0a 0b   0c 0d 0e 0f  10 11 12 13  14 15 16 17  "
            "18 19 1a 1b  1c 1d 1e 1f");
}

// Without an open interface nothing is sent and no command succeeds.
TEST(DeviceChannelClosed, CommandsFailWithoutTraffic) {
  DebugCapture capture;
  CDeviceChannel channel;
  EXPECT_EQ(channel.BlockSize(), 512);
  EXPECT_EQ(channel.PayloadPerPacket(), 24);
  EXPECT_FALSE(channel.IsDongleMode());
  EXPECT_FALSE(channel.IsOpen());
  uint8_t buffer[512] = {};
  uint8_t info[34];
  std::fill(info, info + 34, 0x5A);
  EXPECT_EQ(channel.BeginConfig(), kCommandNoReply);
  EXPECT_EQ(channel.ReadDeviceInfo(info), kCommandNoReply);
  EXPECT_EQ(info[0], 0x5A);
  EXPECT_EQ(channel.ReadKeyTable(buffer), kCommandNoReply);
  EXPECT_EQ(channel.StreamLightFrame(buffer, 100), kCommandNoReply);
  EXPECT_EQ(channel.WriteShootData(buffer, 100), kCommandNoReply);
  // A page other than 0 is refused before anything else is looked at.
  EXPECT_EQ(channel.WriteKeyTable(buffer, 1), kCommandBadPage);
  EXPECT_EQ(channel.WriteFnKeyTable(buffer, -1), kCommandBadPage);
  EXPECT_EQ(channel.WriteKeyTable(buffer, 0), kCommandNoReply);
  // Wired: the link counts as up without asking.
  channel.SetConnectionMode(1);
  EXPECT_TRUE(channel.QueryWirelessLink());
  channel.SetConnectionMode(2);
  EXPECT_FALSE(channel.QueryWirelessLink());
  EXPECT_FALSE(channel.IsBusy());
  EXPECT_TRUE(capture.Lines().empty());
}

TEST(DeviceChannelClosed, ModesAndBlockSize) {
  CDeviceChannel channel;
  const std::pair<int, uint8_t> modes[] = {{2, 24}, {1, 56}, {2, 24}, {0, 56}, {7, 56}};
  for (const auto& [mode, payload] : modes) {
    channel.SetConnectionMode(mode);
    EXPECT_EQ(channel.PayloadPerPacket(), payload) << mode;
    EXPECT_EQ(channel.IsDongleMode(), mode == 2) << mode;
    EXPECT_EQ(&channel.LiveInterface(),
              mode == 2 ? &channel.DongleInterface() : &channel.WiredInterface());
  }
  EXPECT_TRUE(channel.SetBlockSize(384));
  EXPECT_FALSE(channel.SetBlockSize(513));
  EXPECT_EQ(channel.BlockSize(), 384);
  EXPECT_TRUE(channel.SetBlockSize(512));
}

}  // namespace
