// The command channel against the simulated devices over the virtual HID bus.

#include "link/device_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <numeric>
#include <thread>

#include "sim/simulator.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/debug_capture.h"
#include "tests/support/sim_bus.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using K = SimFault::Kind;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

size_t CountLines(const DebugCapture& capture, const std::string& text) {
  const auto lines = capture.Lines();
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), text));
}

SimFault Fault(K kind, int command, unsigned skip = 0, uint8_t status = 0xFF) {
  SimFault f;
  f.kind = kind;
  f.command = command;
  f.skip = skip;
  f.status = status;
  return f;
}

class DeviceChannelTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    sim_ = MakeQuickSimulator(Folder());
    channel_ = std::make_unique<CDeviceChannel>();
  }
  void TearDown() override {
    channel_.reset();
    sim_.reset();
    BusFolderTest::TearDown();
  }

  // Plugs the keyboard (by cable or through its receiver) and opens the
  // channel on its command collection, as the discovery code does.
  void Connect(bool viaReceiver, SimProduct product = SimProduct::Keyboard) {
    if (viaReceiver) {
      ASSERT_TRUE(sim_->SetConnection(product, true));
    }
    ASSERT_TRUE(sim_->Plug(product));
    const std::string socket = sim_->SocketPath(product, viaReceiver);
    CHidDevice enumerator;
    ASSERT_TRUE(enumerator.BeginEnumeration());
    std::string path;
    while (auto p = enumerator.NextDevicePath())
      if (p->rfind(socket + "?", 0) == 0 && p->find("&col04") != std::string::npos) path = *p;
    ASSERT_FALSE(path.empty()) << socket;
    std::lock_guard<std::recursive_mutex> io(channel_->IoLock());
    CHidDevice& hid = viaReceiver ? channel_->DongleInterface() : channel_->WiredInterface();
    ASSERT_TRUE(hid.Open(path, true, true, true, false));
    ASSERT_EQ(hid.UsagePage(), 0xFF1C);
    channel_->SetOpen(true);
    channel_->SetConnectionMode(viaReceiver ? 2 : 1);
  }

  std::vector<uint8_t> Area(SimArea area) const { return sim_->Memory(SimProduct::Keyboard, area); }
  // The first n bytes of a memory area.
  std::vector<uint8_t> Prefix(SimArea area, size_t n) const {
    std::vector<uint8_t> bytes = Area(area);
    bytes.resize(std::min(n, bytes.size()));
    return bytes;
  }
  size_t KeyCount() const { return Area(SimArea::Info)[5]; }
  uint64_t Received(uint8_t command) const {
    return sim_->CommandsReceived(SimProduct::Keyboard, command);
  }

  std::unique_ptr<CSimulator> sim_;
  std::unique_ptr<CDeviceChannel> channel_;
};

TEST_F(DeviceChannelTest, TracesRequestAndReplyAsTwoHexLines) {
  Connect(false);
  DebugCapture capture;
  ASSERT_EQ(channel_->BeginConfig(), kCommandSuccess);
  const auto lines = capture.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "命令");
  EXPECT_EQ(lines[1],
            "04 01 00 01   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
            "00 00 00 00  00 00 00 00");
  EXPECT_EQ(lines[2],
            "00 00 00 00   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
            "00 00 00 00  00 00 00 00");
  EXPECT_EQ(lines[3], "返回");
  EXPECT_EQ(lines[4].substr(0, 2), "04");
  EXPECT_EQ(lines[4].substr(9, 2), "01");  // the echo of the command
  EXPECT_EQ(lines[5].size(), lines[4].size());

  // Lighting frames go out without a trace.
  std::vector<uint8_t> frame(KeyCount() * 3, 0x11);
  ASSERT_EQ(channel_->StreamLightFrame(frame.data(), frame.size()), kCommandSuccess);
  EXPECT_EQ(capture.Lines().size(), 6u);
}

TEST_F(DeviceChannelTest, BytesBehindAShorterLastChunkKeepThePreviousChunks) {
  Connect(false);
  std::vector<uint8_t> macro(60);
  std::iota(macro.begin(), macro.end(), 1);
  DebugCapture capture;
  // The device checks every chunk's checksum, the left-over bytes included.
  ASSERT_EQ(channel_->WriteMacroData(macro.data(), macro.size()), kCommandSuccess);
  const auto lines = capture.Lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[6], "命令");
  // Second request: length 4 at offset 56, data 57..60, then data bytes 5..24
  // of the first chunk still in place.
  EXPECT_EQ(lines[7].substr(9, 16), "15   04 38 00 00");
  EXPECT_EQ(lines[7].substr(28),
            "39 3a 3b 3c   05 06 07 08  09 0a 0b 0c  0d 0e 0f 10  11 12 13 14  15 16 17 18");
  EXPECT_EQ(lines[8], lines[2]);  // bytes 32..63: data 25..56 of the first chunk
  EXPECT_EQ(Prefix(SimArea::Macro, 60), macro);
}

struct ModeCase {
  const char* name;
  bool viaReceiver;
  uint64_t infoChunks;
};

class ChannelModeTest : public DeviceChannelTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ChannelModeTest, ChunkedReadsAndWritesMatchDeviceMemory) {
  const ModeCase& mode = GetParam();
  Connect(mode.viaReceiver);
  const uint32_t payload = mode.viaReceiver ? 24 : 56;
  EXPECT_EQ(channel_->PayloadPerPacket(), payload);

  uint8_t info[34];
  ASSERT_EQ(channel_->ReadDeviceInfo(info), kCommandSuccess);
  EXPECT_EQ(std::vector<uint8_t>(info, info + 34), Area(SimArea::Info));
  EXPECT_EQ(Received(kCmdReadDeviceInfo), mode.infoChunks);

  const uint32_t block = static_cast<uint32_t>(KeyCount() * 3);
  ASSERT_TRUE(channel_->SetBlockSize(static_cast<uint16_t>(block)));
  const auto chunksOf = [payload](uint32_t n) { return (n + payload - 1) / payload; };

  std::vector<uint8_t> keys(block);
  ASSERT_EQ(channel_->ReadKeyTable(keys.data()), kCommandSuccess);
  EXPECT_EQ(keys, Prefix(SimArea::KeyTable, block));
  EXPECT_EQ(Received(kCmdReadKeyTable), chunksOf(block));

  std::vector<uint8_t> leds(block / 3);
  ASSERT_EQ(channel_->ReadLedIndexTable(leds.data()), kCommandSuccess);
  EXPECT_EQ(leds, Prefix(SimArea::LedIndex, block / 3));

  std::vector<uint8_t> table(block);
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i * 7 + 3);
  ASSERT_EQ(channel_->WriteKeyTable(table.data(), 0), kCommandSuccess);
  ASSERT_EQ(channel_->WriteFnKeyTable(table.data(), 0), kCommandSuccess);
  EXPECT_EQ(Prefix(SimArea::KeyTable, block), table);
  EXPECT_EQ(Prefix(SimArea::FnKeyTable, block), table);

  // Parameters and light tables land at their offsets.
  const std::vector<uint8_t> settings(30, 0x42);
  ASSERT_EQ(channel_->WriteParameters(settings.data(), 30, 2 * 31), kCommandSuccess);
  std::vector<uint8_t> back(30);
  ASSERT_EQ(channel_->ReadParameters(back.data(), 30, 2 * 31), kCommandSuccess);
  EXPECT_EQ(back, settings);
  EXPECT_EQ(Area(SimArea::Parameters)[2 * 31 + 29], 0x42);
  const std::vector<uint8_t> lightsBefore = Area(SimArea::LightTables);
  const std::vector<uint8_t> colours(100, 0x77);
  ASSERT_EQ(channel_->WriteLightTable(colours.data(), 100, 3, 512), kCommandSuccess);
  EXPECT_EQ(Area(SimArea::LightTables)[3 * 512 + 99], 0x77);
  EXPECT_EQ(Area(SimArea::LightTables)[3 * 512 + 100], lightsBefore[3 * 512 + 100]);
  EXPECT_EQ(Area(SimArea::LightTables)[3 * 512 - 1], lightsBefore[3 * 512 - 1]);
  std::vector<uint8_t> colourBack(100);
  ASSERT_EQ(channel_->ReadLightTable(colourBack.data(), 100, 3, 512), kCommandSuccess);
  EXPECT_EQ(colourBack, colours);

  uint8_t status[6];
  ASSERT_EQ(channel_->ReadStatus(status, 6, 0), kCommandSuccess);
  EXPECT_EQ(std::vector<uint8_t>(status, status + 6), Area(SimArea::Status));
  EXPECT_EQ(channel_->EnableSoftwareLighting(), kCommandSuccess);
  EXPECT_EQ(sim_->SoftwareLightingRequests(SimProduct::Keyboard), 1u);
  EXPECT_EQ(channel_->EndConfig(), kCommandSuccess);

  EXPECT_TRUE(channel_->QueryWirelessLink());
  EXPECT_EQ(Received(kCmdQueryWirelessLink), mode.viaReceiver ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, ChannelModeTest,
                         ::testing::Values(ModeCase{"Wired", false, 1},
                                           ModeCase{"Receiver", true, 2}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(DeviceChannelTest, FailedRepliesGiveTheirResultCodes) {
  struct Case {
    const char* what;
    SimFault fault;
    int expected;
    uint64_t chunksSent;  // of the 7-chunk key-table write
    long minMs, maxMs;
  };
  SimFault echoThenCorrect = Fault(K::WrongEcho, kCmdWriteKeyTable, 1);
  echoThenCorrect.thenCorrect = true;
  const Case cases[] = {
      {"status 0xFF at chunk 2", Fault(K::Status, kCmdWriteKeyTable, 1, 0xFF), kCommandStatusFF, 2,
       0, 500},
      {"status 0xFE at chunk 3", Fault(K::Status, kCmdWriteKeyTable, 2, 0xFE), kCommandStatusFE, 3,
       0, 500},
      // The wrong echo is read, then the second read runs into its time-out.
      {"wrong echo only", Fault(K::WrongEcho, kCmdWriteKeyTable, 1), kCommandNoReply, 2, 950, 1500},
      {"wrong echo, then the reply", echoThenCorrect, kCommandSuccess, 7, 0, 500},
      // Two reads of 1000 ms each.
      {"no reply", Fault(K::NoReply, kCmdWriteKeyTable, 0), kCommandNoReply, 1, 1950, 2600},
  };
  Connect(false);
  ASSERT_TRUE(channel_->SetBlockSize(384));
  const std::vector<uint8_t> table(384, 0x33);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim_->ClearFaults(SimProduct::Keyboard);
    sim_->InjectFault(SimProduct::Keyboard, c.fault);
    const uint64_t before = Received(kCmdWriteKeyTable);
    const auto start = Clock::now();
    EXPECT_EQ(channel_->WriteKeyTable(table.data(), 0), c.expected);
    const long elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, c.minMs);
    EXPECT_LT(elapsed, c.maxMs);
    EXPECT_EQ(Received(kCmdWriteKeyTable) - before, c.chunksSent);
    EXPECT_FALSE(channel_->IsBusy());
  }
}

TEST_F(DeviceChannelTest, TransfersPastTheSixteenBitOffsetAreRefusedBeforeSending) {
  Connect(false);
  std::vector<uint8_t> buffer(0x10001, 0x5A);
  struct Case {
    const char* what;
    std::function<int()> call;
    uint8_t command;
    int expected;
  } cases[] = {
      // 0xFF00 + 512: the fifth chunk would wrap to offset 0x18.
      {"read 512 bytes at 0xFF00",
       [&] { return channel_->ReadParameters(buffer.data(), 512, 0xFF00); }, kCmdReadParameters,
       kCommandBadRange},
      {"write 2 bytes at 0xFFFF",
       [&] { return channel_->WriteParameters(buffer.data(), 2, 0xFFFF); }, kCmdWriteParameters,
       kCommandBadRange},
      {"read at offset 0x10000",
       [&] { return channel_->ReadParameters(buffer.data(), 1, 0x10000); }, kCmdReadParameters,
       kCommandBadRange},
      // 128 x 512 = 0x10000; 0x80000000 x 2 is 0 in 32 bits.
      {"light group 128", [&] { return channel_->ReadLightTable(buffer.data(), 8, 128, 512); },
       kCmdReadLightTable, kCommandBadRange},
      {"light index whose product wraps",
       [&] { return channel_->WriteLightTable(buffer.data(), 8, 0x80000000u, 2); },
       kCmdWriteLightTable, kCommandBadRange},
      {"macro image of 0x10001 bytes",
       [&] { return channel_->WriteMacroData(buffer.data(), 0x10001); }, kCmdWriteMacroData,
       kCommandBadRange},
      // Ending exactly at 0x10000 is still addressable: it goes to the device,
      // which refuses an offset beyond its memory with status 0xFF.
      {"the last byte, 0xFFFF", [&] { return channel_->ReadParameters(buffer.data(), 1, 0xFFFF); },
       kCmdReadParameters, kCommandStatusFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const uint64_t before = Received(c.command);
    EXPECT_EQ(c.call(), c.expected);
    EXPECT_EQ(Received(c.command) - before, c.expected == kCommandBadRange ? 0u : 1u);
  }
}

TEST_F(DeviceChannelTest, WriteToAVanishedDeviceFails) {
  Connect(false);
  sim_->Unplug(SimProduct::Keyboard);
  EXPECT_EQ(channel_->BeginConfig(), kCommandWriteFailed);
}

TEST_F(DeviceChannelTest, ReadDeviceInfoCopiesOnlyWhenEveryChunkArrived) {
  Connect(true);  // two chunks
  uint8_t info[34];
  std::fill(info, info + 34, 0x5A);
  sim_->InjectFault(SimProduct::Keyboard, Fault(K::Status, kCmdReadDeviceInfo, 1, 0xFF));
  EXPECT_EQ(channel_->ReadDeviceInfo(info), kCommandStatusFF);
  EXPECT_EQ(std::count(info, info + 34, 0x5A), 34);
  EXPECT_EQ(channel_->ReadDeviceInfo(info), kCommandSuccess);
  EXPECT_EQ(std::vector<uint8_t>(info, info + 34), Area(SimArea::Info));
}

TEST_F(DeviceChannelTest, ReceiverWithoutItsDeviceAnswersUnreachableAtOnce) {
  Connect(true);
  sim_->SetReachable(SimProduct::Keyboard, false);
  const auto start = Clock::now();
  EXPECT_EQ(channel_->BeginConfig(), kCommandUnreachable);
  uint8_t keys[512];
  EXPECT_EQ(channel_->ReadKeyTable(keys), kCommandUnreachable);
  EXPECT_LT(ElapsedMs(start), 500);  // no second read, no time-out
  EXPECT_FALSE(channel_->QueryWirelessLink());
  sim_->SetReachable(SimProduct::Keyboard, true);
  EXPECT_TRUE(channel_->QueryWirelessLink());
  EXPECT_EQ(channel_->BeginConfig(), kCommandSuccess);
}

TEST_F(DeviceChannelTest, LightFrameChunksAreDroppedWhileAnExchangeRuns) {
  Connect(false);
  SimFault slow = Fault(K::Delay, kCmdReadStatus);
  slow.delayMs = 300;
  sim_->InjectFault(SimProduct::Keyboard, slow);
  auto status = std::async(std::launch::async, [this] {
    uint8_t block[6];
    return channel_->ReadStatus(block, 6, 0);
  });
  ASSERT_TRUE(BusFolderTest::WaitFor([this] { return channel_->IsBusy(); }));

  DebugCapture capture;
  std::vector<uint8_t> frame(KeyCount() * 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i);
  const auto start = Clock::now();
  EXPECT_EQ(channel_->StreamLightFrame(frame.data(), frame.size()), kCommandSuccess);
  EXPECT_LT(ElapsedMs(start), 100);  // never waits behind the other exchange
  const size_t chunks = (frame.size() + 55) / 56;
  EXPECT_EQ(CountLines(capture, "放弃灯光数据"), chunks);
  EXPECT_EQ(Received(kCmdStreamLightFrame), 0u);
  EXPECT_EQ(status.get(), kCommandSuccess);

  EXPECT_EQ(channel_->StreamLightFrame(frame.data(), frame.size()), kCommandSuccess);
  EXPECT_EQ(Received(kCmdStreamLightFrame), chunks);
  EXPECT_EQ(sim_->LightFrameCount(SimProduct::Keyboard), 1u);
  EXPECT_EQ(sim_->LastLightFrame(SimProduct::Keyboard), frame);
}

TEST_F(DeviceChannelTest, RemovalDuringAKeyTableReadEndsItWithinItsTimeOut) {
  Connect(false);
  ASSERT_TRUE(channel_->SetBlockSize(384));
  sim_->InjectFault(SimProduct::Keyboard, Fault(K::Remove, kCmdReadKeyTable, 3));
  std::vector<uint8_t> keys(384, 0xEE);
  const auto start = Clock::now();
  const int result = channel_->ReadKeyTable(keys.data());
  EXPECT_TRUE(result == kCommandNoReply || result == kCommandWriteFailed) << result;
  EXPECT_LT(ElapsedMs(start), 1000);
  EXPECT_EQ(Received(kCmdReadKeyTable), 4u);
  // The chunks before the removal arrived; nothing after them.
  EXPECT_EQ(keys[3 * 56 - 1], Area(SimArea::KeyTable)[3 * 56 - 1]);
  EXPECT_EQ(keys[3 * 56], 0xEE);
  EXPECT_EQ(channel_->BeginConfig(), kCommandWriteFailed);
}

// Three threads on one channel: key-table reads and settings writes under the
// command lock, lighting frames under the lighting lock.
TEST_F(DeviceChannelTest, CommandsAndFramesFromThreeThreadsInterleaveByPacket) {
  Connect(false);
  const uint32_t block = static_cast<uint32_t>(KeyCount() * 3);
  ASSERT_TRUE(channel_->SetBlockSize(static_cast<uint16_t>(block)));
  const std::vector<uint8_t> expectedKeys = Prefix(SimArea::KeyTable, block);
  DebugCapture capture;
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::atomic<bool> frameInsideCommand{false};
  std::atomic<uint64_t> framesSent{0};

  std::thread reader([&] {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int rounds = 0;
    while (rounds < 20 || (!frameInsideCommand && Clock::now() < deadline)) {
      const uint64_t before = Received(kCmdStreamLightFrame);
      std::vector<uint8_t> keys(block);
      if (channel_->ReadKeyTable(keys.data()) != kCommandSuccess || keys != expectedKeys)
        ++failures;
      // A frame chunk that reached the device while the table was being read
      // went between two of its packets.
      if (Received(kCmdStreamLightFrame) > before) frameInsideCommand = true;
      ++rounds;
    }
    done = true;
  });
  std::thread writer([&] {
    uint8_t settings[30];
    for (int i = 0; !done; ++i) {
      std::fill(settings, settings + 30, static_cast<uint8_t>(i));
      if (channel_->WriteParameters(settings, 30, 31) != kCommandSuccess) ++failures;
      uint8_t back[30];
      if (channel_->ReadParameters(back, 30, 31) != kCommandSuccess ||
          !std::equal(back, back + 30, settings))
        ++failures;
    }
  });
  std::thread lighting([&] {
    std::vector<uint8_t> frame(block, 0x20);
    while (!done) {
      if (channel_->StreamLightFrame(frame.data(), frame.size()) != kCommandSuccess) ++failures;
      ++framesSent;
    }
  });
  reader.join();
  writer.join();
  lighting.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(frameInsideCommand.load());
  // Every frame chunk was either sent or dropped, none queued.
  const uint64_t chunksPerFrame = (block + 55) / 56;
  EXPECT_EQ(Received(kCmdStreamLightFrame) + CountLines(capture, "放弃灯光数据"),
            framesSent.load() * chunksPerFrame);
  EXPECT_FALSE(channel_->IsBusy());
}

}  // namespace
