#include "sim/simulator.h"

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>
#include <json/json.h>

#include "tests/sim/bus_client.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr SimProduct kKeyboard = SimProduct::Keyboard;
constexpr SimProduct kMouse = SimProduct::Mouse;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

Json::Value ReadJsonFile(const std::string& path) {
  std::ifstream in(path);
  Json::Value root;
  std::string errors;
  Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &errors);
  return root;
}

class SimulatorTest : public ::testing::Test {
 protected:
  SimulatorOptions Options() {
    SimulatorOptions options;
    options.busFolder = bus_.Path() + "/bus";
    options.stateFile = bus_.Path() + "/state.json";
    options.timing = false;
    return options;
  }
  void SetUp() override { sim_ = std::make_unique<CSimulator>(Options()); }

  // Opens a host connection to the product's cable or receiver node.
  std::unique_ptr<BusClient> Connect(SimProduct product, bool receiver = false) {
    auto client = std::make_unique<BusClient>(sim_->SocketPath(product, receiver));
    EXPECT_TRUE(client->Connected());
    return client;
  }

  // One request and its reply (64 bytes); empty when none came.
  static Bytes Exchange(BusClient& client, const Bytes& request, int timeoutMs = 2000) {
    if (!client.Send(0x01, request)) return {};
    auto reply = client.ReceiveInput(timeoutMs);
    return reply ? *reply : Bytes{};
  }

  // A chunked read of `total` bytes the way the host does it.
  static Bytes ChunkedRead(BusClient& client, uint8_t command, size_t total, size_t payload,
                           uint16_t base = 0) {
    Bytes out;
    for (size_t pos = 0; pos < total; pos += payload) {
      const auto len = static_cast<uint8_t>(std::min(payload, total - pos));
      Bytes reply = Exchange(client, CommandReport(command, len, base + pos));
      if (reply.size() != 64 || reply[3] != command || reply[7] == 0xFF || reply[7] == 0xFE)
        return {};
      out.insert(out.end(), reply.begin() + 8, reply.begin() + 8 + len);
    }
    return out;
  }

  static bool ChunkedWrite(BusClient& client, uint8_t command, const Bytes& data, size_t payload,
                           uint16_t base = 0) {
    for (size_t pos = 0; pos < data.size(); pos += payload) {
      const size_t len = std::min(payload, data.size() - pos);
      Bytes chunk(data.begin() + pos, data.begin() + pos + len);
      Bytes reply =
          Exchange(client, CommandReport(command, static_cast<uint8_t>(len), base + pos, chunk));
      if (reply.size() != 64 || reply[3] != command || reply[7] == 0xFF || reply[7] == 0xFE)
        return false;
    }
    return true;
  }

  TempBusFolder bus_;
  std::unique_ptr<CSimulator> sim_;
};

TEST_F(SimulatorTest, BeginConfigReplyEchoesAndSucceeds) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  Bytes request(64, 0);
  request[0] = 0x04;
  request[1] = 0x01;
  request[3] = 0x01;  // 04 01 00 01, then zeros: checksum 1
  Bytes reply = Exchange(*client, request);
  ASSERT_EQ(reply.size(), 64u);
  EXPECT_EQ(reply[0], 0x04);
  EXPECT_EQ(reply[3], 0x01);
  EXPECT_NE(reply[7], 0xFF);
  EXPECT_NE(reply[7], 0xFE);
}

TEST_F(SimulatorTest, NodesPublishTheCatalogueIdentities) {
  struct Case {
    SimProduct product;
    bool receiver;
    int vendor, productId, interface;
  };
  const Case cases[] = {
      {kKeyboard, false, 0x1A2B, 0x5055, 1},       {kKeyboard, true, 0x1A2B, 0x5088, 1},
      {kMouse, false, 0x05AC, 0x024F, 1},          {kMouse, true, 0x1A2B, 0x221D, 1},
      {SimProduct::Pad, false, 0x1A2B, 0x1004, 1}, {SimProduct::Headset, false, 0x0C76, 0x1630, 3}};
  for (const Case& c : cases) {
    if (c.receiver)
      ASSERT_TRUE(sim_->SetReceiverPlugged(c.product, true));
    else
      ASSERT_TRUE(sim_->Plug(c.product));
    std::string json = sim_->SocketPath(c.product, c.receiver);
    json.replace(json.size() - 5, 5, ".json");
    const Json::Value root = ReadJsonFile(json);
    EXPECT_EQ(root["vendor_id"].asInt(), c.vendor) << json;
    EXPECT_EQ(root["product_id"].asInt(), c.productId) << json;
    EXPECT_EQ(root["interface"].asInt(), c.interface) << json;
    EXPECT_FALSE(root["report_descriptor"].asString().empty());
  }
}

TEST_F(SimulatorTest, InformationBlocksCarryTheDeviceLimits) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  ASSERT_TRUE(sim_->Plug(kMouse));
  auto kb = Connect(kKeyboard);
  Bytes info = ChunkedRead(*kb, 0x03, 34, 56);
  ASSERT_EQ(info.size(), 34u);
  EXPECT_EQ(info[5], 104);  // key count
  EXPECT_EQ(info[6], 32);   // macro memory, 128-byte units
  EXPECT_EQ(sim_->Memory(kKeyboard, SimArea::Macro).size(), 32u * 128);

  auto mouse = Connect(kMouse);
  info = ChunkedRead(*mouse, 0x03, 34, 24);  // two chunks: 24 and 10
  ASSERT_EQ(info.size(), 34u);
  EXPECT_EQ(info[5], 11);
  EXPECT_EQ(info[9] | (info[10] << 8), 0x3325);  // sensor code
  EXPECT_EQ(info[11], 100);                      // DPI step
  EXPECT_EQ(info[12] | (info[13] << 8), 73);     // steps
  EXPECT_EQ(info[14] | (info[15] << 8), 100);    // minimum DPI
}

TEST_F(SimulatorTest, ChunkedReadOf384BytesAtBothPayloads) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  ASSERT_TRUE(sim_->SetReceiverPlugged(kKeyboard, true));
  const Bytes table = sim_->Memory(kKeyboard, SimArea::KeyTable);
  const Bytes expected(table.begin(), table.begin() + 384);
  {
    auto cable = Connect(kKeyboard);
    EXPECT_EQ(ChunkedRead(*cable, 0x07, 384, 56), expected);
    EXPECT_EQ(sim_->CommandsReceived(kKeyboard, 0x07), 7u);  // 6 x 56 + 48
  }
  sim_->SetConnection(kKeyboard, true);  // cable out: the receiver carries it
  auto receiver = Connect(kKeyboard, true);
  EXPECT_EQ(ChunkedRead(*receiver, 0x07, 384, 24), expected);
  EXPECT_EQ(sim_->CommandsReceived(kKeyboard, 0x07), 7u + 16u);
}

TEST_F(SimulatorTest, KeyboardLayoutNeedsSearching) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  const Bytes keys = ChunkedRead(*client, 0x07, 312, 56);
  const Bytes leds = ChunkedRead(*client, 0x1B, 104, 56);
  ASSERT_EQ(keys.size(), 312u);
  ASSERT_EQ(leds.size(), 104u);
  auto positionOf = [&](uint8_t t, uint8_t a, uint8_t b) {
    for (size_t k = 0; k < 104; ++k)
      if (keys[k * 3] == t && keys[k * 3 + 1] == a && keys[k * 3 + 2] == b) return int(k);
    return -1;
  };
  // Column by column: Esc, `, Tab, Caps, left Shift, left Ctrl, F1, 1 ...
  EXPECT_EQ(positionOf(0x20, 0x00, 0x29), 0);
  EXPECT_EQ(positionOf(0x20, 0x00, 0x35), 1);
  EXPECT_EQ(positionOf(0x20, 0x00, 0x2B), 2);
  EXPECT_EQ(positionOf(0x20, 0x01, 0x00), 5);
  EXPECT_EQ(positionOf(0x20, 0x00, 0x3A), 6);
  EXPECT_EQ(positionOf(0xA0, 0x01, 0x00) >= 0, true);  // Fn key
  EXPECT_EQ(positionOf(0x20, 0x80, 0x00), -1);         // no right Windows key
  // LEDs chained row by row in a serpentine: Esc 0, F1 1, and the `
  // key (left end of the second row, chained right to left) 16 + 20.
  EXPECT_EQ(leds[positionOf(0x20, 0x00, 0x29)], 0);
  EXPECT_EQ(leds[positionOf(0x20, 0x00, 0x3A)], 1);
  EXPECT_EQ(leds[positionOf(0x20, 0x00, 0x35)], 36);
  // Every position has a distinct code and a distinct LED.
  std::vector<bool> seen(104, false);
  for (size_t k = 0; k < 104; ++k) {
    ASSERT_LT(leds[k], 104);
    EXPECT_FALSE(seen[leds[k]]);
    seen[leds[k]] = true;
    EXPECT_EQ(positionOf(keys[k * 3], keys[k * 3 + 1], keys[k * 3 + 2]), int(k));
  }
}

TEST_F(SimulatorTest, CommandsAnswerWithStatus) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  ASSERT_TRUE(sim_->Plug(kMouse));
  ASSERT_TRUE(sim_->Plug(SimProduct::Pad));
  struct Case {
    const char* what;
    SimProduct product;
    Bytes request;
    uint8_t status;
  };
  Bytes badSum = CommandReport(0x06, 2, 0, {0x09, 0x09});
  badSum[1] ^= 0x01;
  const Case cases[] = {
      {"parameter write", kKeyboard, CommandReport(0x06, 2, 40, {7, 8}), 0x01},
      {"bad checksum", kKeyboard, badSum, 0xFF},
      {"chunk past the parameter memory", kKeyboard, CommandReport(0x05, 8, 2044), 0xFF},
      {"chunk longer than 56", kKeyboard, CommandReport(0x05, 57, 0), 0xFF},
      {"macro past capacity", kKeyboard, CommandReport(0x15, 8, 4092, {1}), 0xFF},
      {"macro at the end", kKeyboard, CommandReport(0x15, 4, 4092, {1, 2, 3, 4}), 0x01},
      {"unknown command", kKeyboard, CommandReport(0x44), 0xFE},
      {"mouse has no LED indexes", kMouse, CommandReport(0x1B, 11, 0), 0xFE},
      {"mouse has no Fn table", kMouse, CommandReport(0x27, 3, 0, {1, 2, 3}), 0xFE},
      {"keyboard has no shooting data", kKeyboard, CommandReport(0x17, 4, 0, {1}), 0xFE},
      {"mouse shooting data, full chunk", kMouse, CommandReport(0x17, 56, 0, {0xAA, 0x55}), 0x01},
      {"pad has no key table", SimProduct::Pad, CommandReport(0x07, 3, 0), 0xFE},
      {"status block", SimProduct::Pad, CommandReport(0x1A, 6, 0), 0x01},
      {"past the status block", SimProduct::Pad, CommandReport(0x1A, 7, 0), 0xFF},
  };
  for (const Case& c : cases) {
    auto client = Connect(c.product);
    Bytes reply = Exchange(*client, c.request);
    ASSERT_EQ(reply.size(), 64u) << c.what;
    EXPECT_EQ(reply[3], c.request[3]) << c.what;
    EXPECT_EQ(reply[4], c.request[4]) << c.what;
    EXPECT_EQ(reply[5], c.request[5]) << c.what;
    EXPECT_EQ(reply[6], c.request[6]) << c.what;
    EXPECT_EQ(reply[7], c.status) << c.what;
  }
  const Bytes params = sim_->Memory(kKeyboard, SimArea::Parameters);
  EXPECT_EQ(params[40], 7);
  EXPECT_EQ(params[41], 8);
  EXPECT_NE(params[0], 0x09);  // the bad-checksum write was not carried out
  EXPECT_EQ(sim_->Memory(kMouse, SimArea::Shoot)[1], 0x55);
}

TEST_F(SimulatorTest, WritesReadBackAndStatusFollowsBattery) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  Bytes table(312);
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(ChunkedWrite(*client, 0x09, table, 56));
  EXPECT_EQ(ChunkedRead(*client, 0x07, 312, 24), table);
  ASSERT_TRUE(ChunkedWrite(*client, 0x27, table, 24));
  const Bytes fn = sim_->Memory(kKeyboard, SimArea::FnKeyTable);
  EXPECT_EQ(Bytes(fn.begin(), fn.begin() + 312), table);
  // Light table of group 2 (stride 512).
  ASSERT_TRUE(ChunkedWrite(*client, 0x0B, Bytes(312, 0x33), 56, 2 * 512));
  EXPECT_EQ(ChunkedRead(*client, 0x0A, 312, 56, 2 * 512), Bytes(312, 0x33));
  EXPECT_EQ(ChunkedRead(*client, 0x0A, 3, 56, 512), Bytes({255 - 32, 0, 32}));

  sim_->SetBattery(kKeyboard, 15, true);
  EXPECT_EQ(ChunkedRead(*client, 0x1A, 6, 56), Bytes({15, 1, 0, 0, 1, 0}));
  sim_->SetConnection(kKeyboard, true);
  sim_->SetBattery(kKeyboard, 60, false);
  auto receiver = Connect(kKeyboard, true);
  EXPECT_EQ(ChunkedRead(*receiver, 0x1A, 6, 24), Bytes({60, 2, 0, 1, 0, 0}));
}

TEST_F(SimulatorTest, ReceiverAnswersForAnUnreachableDevice) {
  ASSERT_TRUE(sim_->SetConnection(kMouse, true));
  ASSERT_TRUE(sim_->Plug(kMouse));
  EXPECT_FALSE(sim_->CablePlugged(kMouse));
  auto client = Connect(kMouse, true);

  Bytes reply = Exchange(*client, CommandReport(0xAA));
  ASSERT_EQ(reply.size(), 64u);
  EXPECT_EQ(reply[3], 0xAA);
  EXPECT_EQ(reply[8], 0xFF);  // linked
  EXPECT_EQ(Exchange(*client, CommandReport(0x03, 24, 0))[3], 0x03);

  sim_->SetReachable(kMouse, false);
  reply = Exchange(*client, CommandReport(0xAA));
  EXPECT_EQ(reply[3], 0xAA);
  EXPECT_NE(reply[8], 0xFF);
  for (uint8_t command : {0x01, 0x03, 0x05, 0x09}) {
    reply = Exchange(*client, CommandReport(command, 4, 0, {1, 2, 3, 4}));
    ASSERT_EQ(reply.size(), 64u);
    EXPECT_EQ(reply[3], 0xAA) << int(command);
  }
  EXPECT_NE(sim_->Memory(kMouse, SimArea::KeyTable)[0], 1);  // the write never arrived

  // Back in range, then the cable goes in: the device talks over the cable and
  // the receiver has nobody behind it.
  sim_->SetReachable(kMouse, true);
  EXPECT_EQ(Exchange(*client, CommandReport(0xAA))[8], 0xFF);
  ASSERT_TRUE(sim_->SetConnection(kMouse, false));
  EXPECT_TRUE(sim_->CablePlugged(kMouse));
  EXPECT_TRUE(sim_->ReceiverPlugged(kMouse));
  EXPECT_EQ(Exchange(*client, CommandReport(0xAA))[8], 0x00);
  EXPECT_EQ(Exchange(*client, CommandReport(0x01))[3], 0xAA);
  auto cable = Connect(kMouse);
  EXPECT_EQ(Exchange(*cable, CommandReport(0x01))[3], 0x01);
}

TEST_F(SimulatorTest, StateSurvivesARestart) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  ASSERT_TRUE(sim_->Plug(kMouse));
  const Bytes settings = {0, 9, 4, 1, 0, 1, 10, 20, 30};
  const Bytes macro = {0xAA, 0x55, 0x10, 0x00};
  {
    auto kb = Connect(kKeyboard);
    ASSERT_EQ(Exchange(*kb, CommandReport(0x01))[3], 0x01);
    ASSERT_TRUE(ChunkedWrite(*kb, 0x06, settings, 56, 31));
    ASSERT_TRUE(ChunkedWrite(*kb, 0x15, macro, 56));
    ASSERT_EQ(Exchange(*kb, CommandReport(0x02))[3], 0x02);
    auto mouse = Connect(kMouse);
    ASSERT_TRUE(ChunkedWrite(*mouse, 0x17, Bytes(56, 0x42), 56));  // no end of batch
  }
  EXPECT_TRUE(Exists(bus_.Path() + "/state.json"));
  sim_.reset();
  sim_ = std::make_unique<CSimulator>(Options());
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto kb = Connect(kKeyboard);
  EXPECT_EQ(ChunkedRead(*kb, 0x05, settings.size(), 56, 31), settings);
  const Bytes stored = sim_->Memory(kKeyboard, SimArea::Macro);
  EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 4), macro);
  EXPECT_EQ(sim_->Memory(kMouse, SimArea::Shoot)[55], 0x42);
  EXPECT_EQ(sim_->Memory(kKeyboard, SimArea::Info)[5], 104);  // factory data untouched
}

TEST_F(SimulatorTest, UnreadableStateFileStartsFromFactory) {
  sim_.reset();
  std::ofstream(bus_.Path() + "/state.json") << "{ not json";
  sim_ = std::make_unique<CSimulator>(Options());
  EXPECT_EQ(sim_->Memory(kKeyboard, SimArea::KeyTable),
            CSimulator(SimulatorOptions{bus_.Path() + "/other", "", false})
                .Memory(kKeyboard, SimArea::KeyTable));
}

TEST_F(SimulatorTest, FaultsStrikeTheChosenChunk) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  struct Case {
    const char* what;
    SimFault fault;
    // Reply byte 3 and 7 expected for the four chunks of a 0x05 read; -1: no reply.
    int echo[4];
    int status[4];
  };
  SimFault noReply;
  noReply.kind = SimFault::Kind::NoReply;
  noReply.command = 0x05;
  noReply.skip = 1;
  SimFault wrongEcho;
  wrongEcho.kind = SimFault::Kind::WrongEcho;
  wrongEcho.skip = 2;
  SimFault status;
  status.kind = SimFault::Kind::Status;
  status.status = 0xFE;
  status.command = 0x05;
  status.skip = 2;
  status.times = -1;
  SimFault otherCommand = status;
  otherCommand.command = 0x06;
  const Case cases[] = {
      {"no reply at chunk 1", noReply, {5, -1, 5, 5}, {1, -1, 1, 1}},
      {"wrong echo at chunk 2", wrongEcho, {5, 5, 0x45, 5}, {1, 1, 1, 1}},
      {"0xFE from chunk 2 on", status, {5, 5, 5, 5}, {1, 1, 0xFE, 0xFE}},
      {"fault on another command", otherCommand, {5, 5, 5, 5}, {1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    sim_->ClearFaults(kKeyboard);
    sim_->InjectFault(kKeyboard, c.fault);
    for (int chunk = 0; chunk < 4; ++chunk) {
      Bytes reply = Exchange(*client, CommandReport(0x05, 24, chunk * 24), 150);
      if (c.echo[chunk] < 0) {
        EXPECT_TRUE(reply.empty()) << c.what << " chunk " << chunk;
        continue;
      }
      ASSERT_EQ(reply.size(), 64u) << c.what << " chunk " << chunk;
      EXPECT_EQ(reply[3], c.echo[chunk]) << c.what << " chunk " << chunk;
      EXPECT_EQ(reply[7], c.status[chunk]) << c.what << " chunk " << chunk;
    }
  }
}

TEST_F(SimulatorTest, StatusFaultLeavesMemoryAlone) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  SimFault fault;
  fault.kind = SimFault::Kind::Status;
  fault.status = 0xFF;
  fault.command = 0x15;
  fault.skip = 1;
  sim_->InjectFault(kKeyboard, fault);
  EXPECT_FALSE(ChunkedWrite(*client, 0x15, Bytes(112, 0x77), 56));
  const Bytes macro = sim_->Memory(kKeyboard, SimArea::Macro);
  EXPECT_EQ(macro[0], 0x77);
  EXPECT_EQ(macro[56], 0x00);
}

TEST_F(SimulatorTest, WrongEchoThenCorrectReply) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  SimFault fault;
  fault.kind = SimFault::Kind::WrongEcho;
  fault.thenCorrect = true;
  sim_->InjectFault(kKeyboard, fault);
  ASSERT_TRUE(client->Send(0x01, CommandReport(0x03, 34, 0)));
  auto first = client->ReceiveInput();
  auto second = client->ReceiveInput();
  ASSERT_TRUE(first && second);
  EXPECT_NE((*first)[3], 0x03);
  EXPECT_EQ((*second)[3], 0x03);
  EXPECT_EQ((*second)[8 + 5], 104);
}

TEST_F(SimulatorTest, DelayedReply) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  SimFault fault;
  fault.kind = SimFault::Kind::Delay;
  fault.delayMs = 120;
  sim_->InjectFault(kKeyboard, fault);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Exchange(*client, CommandReport(0x01), 60).empty());  // not yet
  auto late = client->ReceiveInput(2000);
  ASSERT_TRUE(late.has_value());
  EXPECT_EQ((*late)[3], 0x01);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
}

TEST_F(SimulatorTest, UnplugDuringDelayEndsPromptly) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  SimFault fault;
  fault.kind = SimFault::Kind::Delay;
  fault.delayMs = 20000;
  sim_->InjectFault(kKeyboard, fault);
  ASSERT_TRUE(client->Send(0x01, CommandReport(0x01)));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const auto start = std::chrono::steady_clock::now();
  sim_->Unplug(kKeyboard);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  auto message = client->Receive(1000);
  ASSERT_TRUE(message.has_value());
  EXPECT_TRUE(message->empty());
}

TEST_F(SimulatorTest, RemovalInTheMiddleOfATransfer) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  ASSERT_TRUE(sim_->SetReceiverPlugged(kKeyboard, true));
  auto client = Connect(kKeyboard);
  SimFault fault;
  fault.kind = SimFault::Kind::Remove;
  fault.command = 0x15;
  fault.skip = 3;
  sim_->InjectFault(kKeyboard, fault);
  for (int chunk = 0; chunk < 3; ++chunk)
    ASSERT_EQ(Exchange(*client, CommandReport(0x15, 56, chunk * 56, Bytes(56, 0x11)))[7], 0x01);
  ASSERT_TRUE(client->Send(0x01, CommandReport(0x15, 56, 3 * 56, Bytes(56, 0x11))));
  auto end = client->Receive(2000);
  ASSERT_TRUE(end.has_value());
  EXPECT_TRUE(end->empty());  // the read fails: the node went away
  EXPECT_FALSE(Exists(sim_->SocketPath(kKeyboard, false)));
  BusClient late;
  EXPECT_FALSE(late.Connect(sim_->SocketPath(kKeyboard, false)));
  EXPECT_FALSE(sim_->CablePlugged(kKeyboard));
  const Bytes macro = sim_->Memory(kKeyboard, SimArea::Macro);
  EXPECT_EQ(macro[3 * 56 - 1], 0x11);
  EXPECT_EQ(macro[3 * 56], 0x00);
  // The keyboard carries on through its receiver, and can be plugged again.
  auto receiver = Connect(kKeyboard, true);
  EXPECT_EQ(Exchange(*receiver, CommandReport(0xAA))[8], 0xFF);
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto again = Connect(kKeyboard);
  EXPECT_EQ(Exchange(*again, CommandReport(0x01))[3], 0x01);
}

TEST_F(SimulatorTest, EventsGoOutOnTheActiveConnection) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  ASSERT_TRUE(sim_->SetReceiverPlugged(kKeyboard, true));
  auto cable = Connect(kKeyboard);
  auto receiver = Connect(kKeyboard, true);
  // Events reach the connections the device has taken up.
  for (int i = 0; i < 400 && (sim_->ConnectionCount(kKeyboard, false) == 0 ||
                              sim_->ConnectionCount(kKeyboard, true) == 0);
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(sim_->SendEvent(kKeyboard, 1025));
  auto event = cable->ReceiveInput();
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(*event, Bytes({0x03, 0x01, 0x04}));
  EXPECT_FALSE(receiver->ReceiveInput(50).has_value());

  ASSERT_TRUE(sim_->SetConnection(kKeyboard, true));
  ASSERT_TRUE(sim_->SendEvent(kKeyboard, 0x0512));
  event = receiver->ReceiveInput();
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(*event, Bytes({0x03, 0x12, 0x05}));
  sim_->SetReachable(kKeyboard, false);
  EXPECT_FALSE(sim_->SendEvent(kKeyboard, 1026));
  EXPECT_FALSE(sim_->SendEvent(SimProduct::Headset, 1025));
}

TEST_F(SimulatorTest, ProfileEventsMoveParameterMemory) {
  struct Case {
    SimProduct product;
    uint16_t code;
    uint8_t profile;
    size_t field;  // -1: no field changes
    int value;
  };
  const Case cases[] = {
      {kKeyboard, 0x1123, 3, 3 * 31 + 17, 2},  // 0x11: profile and byte 17
      {kKeyboard, 0x1004, 4, 0, -1},
      {kKeyboard, 0xA105, 1, 1 * 31 + 17, 5},  // bit 7, (h >> 4) & 7 == 2
      {kKeyboard, 0xA285, 2, 0, -1},           // bit 7 of l set: field stays
      {kMouse, 0x1132, 2, 2 * 128 + 12, 3},    // active DPI stage
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(sim_->Plug(c.product));
    const Bytes before = sim_->Memory(c.product, SimArea::Parameters);
    sim_->SendEvent(c.product, c.code);  // the device switches whether a host listens or not
    const Bytes after = sim_->Memory(c.product, SimArea::Parameters);
    EXPECT_EQ(after[0], c.profile) << std::hex << c.code;
    for (size_t i = 1; i < after.size(); ++i) {
      if (c.value >= 0 && i == c.field)
        EXPECT_EQ(after[i], c.value) << std::hex << c.code;
      else
        EXPECT_EQ(after[i], before[i]) << std::hex << c.code << " byte " << std::dec << i;
    }
  }
}

TEST_F(SimulatorTest, SoftwareLightingFramesAssembleFromChunks) {
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  EXPECT_EQ(Exchange(*client, CommandReport(0x1C))[7], 0x01);
  EXPECT_EQ(sim_->SoftwareLightingRequests(kKeyboard), 1u);
  Bytes frame(312);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(ChunkedWrite(*client, 0x12, frame, 56));
  EXPECT_EQ(sim_->LightFrameCount(kKeyboard), 1u);
  EXPECT_EQ(sim_->LastLightFrame(kKeyboard), frame);
  // A frame whose last chunk was dropped is never shown.
  ASSERT_TRUE(ChunkedWrite(*client, 0x12, Bytes(280, 0xEE), 56));
  EXPECT_EQ(sim_->LightFrameCount(kKeyboard), 1u);
  // Through the receiver, at 24 bytes a chunk; the missing middle keeps the
  // bytes the previous chunks left.
  sim_->SetConnection(kKeyboard, true);
  auto receiver = Connect(kKeyboard, true);
  ASSERT_TRUE(ChunkedWrite(*receiver, 0x12, Bytes(312, 0x01), 24));
  EXPECT_EQ(sim_->LightFrameCount(kKeyboard), 2u);
  EXPECT_EQ(sim_->LastLightFrame(kKeyboard), Bytes(312, 0x01));
  EXPECT_EQ(Exchange(*receiver, CommandReport(0x12, 8, 310))[7], 0xFF);  // past the frame
}

TEST_F(SimulatorTest, HeadsetLightReportsAndCommands) {
  ASSERT_TRUE(sim_->Plug(SimProduct::Headset));
  auto client = Connect(SimProduct::Headset);
  // Twelve 17-byte reports: per target, red (0xAA lights 0-6, 0xAD 7-12),
  // green (0xAB, 0xAE), blue (0xAC, 0xAF).
  const uint8_t order[12][2] = {{0x22, 0xAA}, {0x22, 0xAD}, {0x44, 0xAA}, {0x44, 0xAD},
                                {0x22, 0xAB}, {0x22, 0xAE}, {0x44, 0xAB}, {0x44, 0xAE},
                                {0x22, 0xAC}, {0x22, 0xAF}, {0x44, 0xAC}, {0x44, 0xAF}};
  for (const auto& [target, sub] : order) {
    Bytes report(17, 0);
    report[1] = 0xFF;
    report[2] = target;
    report[3] = sub;
    const int count = sub >= 0xAD ? 6 : 7;
    const int first = sub >= 0xAD ? 7 : 0;
    for (int i = 0; i < count; ++i)
      report[4 + i] = static_cast<uint8_t>((first + i) * 10 + sub - 0xAA);
    if (target == 0x44) report[4] += 100;
    ASSERT_TRUE(client->Send(0x03, report));
  }
  // A light report written as a plain output report is not a SET_REPORT.
  Bytes stray(17, 0);
  stray[1] = 0xFF;
  stray[2] = 0x44;
  stray[3] = 0xAF;
  ASSERT_TRUE(client->Send(0x01, stray));
  // A command after the light reports is answered in order.
  Bytes reply = Exchange(*client, CommandReport(0x05, 21, 64));
  ASSERT_EQ(reply.size(), 64u);
  EXPECT_EQ(reply[7], 0x01);
  EXPECT_EQ(sim_->HeadsetFrameCount(), 1u);
  const Bytes frame = sim_->HeadsetLastFrame();
  ASSERT_EQ(frame.size(), 2u * 13 * 3);
  auto at = [&](int side, int light, int channel) {
    return frame[(side * 13 + light) * 3 + channel];
  };
  EXPECT_EQ(at(0, 0, 0), 0);                 // red of light 0
  EXPECT_EQ(at(0, 12, 0), 12 * 10 + 3);      // red of light 12 (from 0xAD)
  EXPECT_EQ(at(0, 5, 1), 5 * 10 + 1);        // green of light 5
  EXPECT_EQ(at(0, 9, 2), 9 * 10 + 5);        // blue of light 9 (from 0xAF)
  EXPECT_EQ(at(1, 0, 2), 0 * 10 + 2 + 100);  // blue of light 0 on 0x44
  EXPECT_EQ(at(1, 7, 2), 7 * 10 + 5 + 100);
}

TEST(SimulatorTiming, ReceiverIsSlowerThanTheCable) {
  TempBusFolder bus;
  SimulatorOptions options;
  options.busFolder = bus.Path();
  options.timing = true;
  options.receiverIntervalMs = 4;
  CSimulator sim(options);
  ASSERT_TRUE(sim.Plug(kKeyboard));
  ASSERT_TRUE(sim.SetReceiverPlugged(kKeyboard, true));
  auto run = [&](bool receiver) {
    BusClient client(sim.SocketPath(kKeyboard, receiver));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
      EXPECT_TRUE(client.Send(0x01, CommandReport(0xAA)));
      EXPECT_TRUE(client.ReceiveInput().has_value());
    }
    return std::chrono::steady_clock::now() - start;
  };
  EXPECT_GE(run(false), std::chrono::milliseconds(9));
  EXPECT_GE(run(true), std::chrono::milliseconds(36));
}

}  // namespace

// The trace lists each report the device took, in order, with a wall-clock
// time that other processes can compare against their own clock.
TEST_F(SimulatorTest, TraceListsTheReportsTheDeviceTook) {
  SimulatorOptions options = Options();
  options.traceFile = bus_.Path() + "/trace.txt";
  sim_.reset();
  sim_ = std::make_unique<CSimulator>(options);
  ASSERT_TRUE(sim_->TraceReady());
  ASSERT_TRUE(sim_->Plug(kKeyboard));
  auto client = Connect(kKeyboard);
  const auto before = std::chrono::system_clock::now();
  ASSERT_EQ(Exchange(*client, CommandReport(0x01)).size(), 64u);
  ASSERT_EQ(Exchange(*client, CommandReport(0x02)).size(), 64u);
  ASSERT_TRUE(client->Send(0x03, Bytes{0x00, 0x01}));  // an LED report: no reply
  std::vector<std::string> lines;
  for (int wait = 0; wait < 200 && lines.size() < 3; ++wait) {
    lines.clear();
    std::ifstream in(options.traceFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.size() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(" keyboard cable output 64 04 01"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" keyboard cable output 64 04 02"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find(" keyboard cable set-output 2 00 --"), std::string::npos) << lines[2];
  const double seconds = std::stod(lines[0]);
  const double expected = std::chrono::duration<double>(before.time_since_epoch()).count();
  EXPECT_NEAR(seconds, expected, 5.0);
}

TEST_F(SimulatorTest, UnwritableTraceIsReported) {
  SimulatorOptions options = Options();
  options.traceFile = bus_.Path() + "/no-such-folder/trace.txt";
  sim_.reset();
  sim_ = std::make_unique<CSimulator>(options);
  EXPECT_FALSE(sim_->TraceReady());
  ASSERT_TRUE(sim_->Plug(kKeyboard));  // the simulator still works
  auto client = Connect(kKeyboard);
  EXPECT_EQ(Exchange(*client, CommandReport(0x01)).size(), 64u);
}
