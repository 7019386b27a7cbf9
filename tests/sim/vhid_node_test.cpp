#include "sim/vhid_node.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <json/json.h>

#include "tests/sim/bus_client.h"
#include "tests/support/debug_capture.h"

namespace {

VhidNodeInfo SampleInfo() {
  VhidNodeInfo info;
  info.vendorId = 0x1A2B;
  info.productId = 0x5055;
  info.version = 0x0102;
  info.interfaceNumber = 1;
  info.name = "Sample node";
  info.reportDescriptor = {0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0xC0};
  return info;
}

struct Received {
  std::mutex mutex;
  std::vector<std::pair<uint8_t, std::vector<uint8_t>>> messages;
  size_t Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return messages.size();
  }
};

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 400; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(VhidNode, PublishesIdentityInJsonAndCreatesMissingFolder) {
  TempBusFolder bus;
  const std::string folder = bus.Path() + "/nested/bus";
  CVhidNode node(folder, "kb", SampleInfo(), nullptr);
  ASSERT_TRUE(node.Start());
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(Exists(folder + "/kb.sock"));

  std::ifstream in(folder + "/kb.json");
  Json::Value root;
  std::string errors;
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &errors)) << errors;
  EXPECT_EQ(root["vendor_id"].asInt(), 0x1A2B);
  EXPECT_EQ(root["product_id"].asInt(), 0x5055);
  EXPECT_EQ(root["version"].asInt(), 0x0102);
  EXPECT_EQ(root["interface"].asInt(), 1);
  EXPECT_EQ(root["name"].asString(), "Sample node");
  EXPECT_EQ(root["report_descriptor"].asString(), "061cff0992a101c0");
}

TEST(VhidNode, CarriesMessagesBothWaysToEveryConnection) {
  TempBusFolder bus;
  Received received;
  CVhidNode node(bus.Path(), "kb", SampleInfo(), [&](uint8_t kind, const uint8_t* d, size_t n) {
    std::lock_guard<std::mutex> lock(received.mutex);
    received.messages.emplace_back(kind, std::vector<uint8_t>(d, d + n));
  });
  ASSERT_TRUE(node.Start());
  BusClient a(node.SocketPath()), b(node.SocketPath());
  ASSERT_TRUE(a.Connected() && b.Connected());
  ASSERT_TRUE(WaitFor([&] { return node.ConnectionCount() == 2; }));

  const std::vector<uint8_t> input = {0x04, 0xAA, 0x00, 0x01};
  ASSERT_TRUE(node.SendInput(input.data(), input.size()));
  for (BusClient* client : {&a, &b}) {
    auto got = client->ReceiveInput();
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, input);
  }

  ASSERT_TRUE(a.Send(0x01, {0x04, 0x01, 0x02}));
  ASSERT_TRUE(b.Send(0x03, {0x00, 0x10}));
  ASSERT_TRUE(a.Send(0x02, {0x04}));  // not a host kind: ignored
  ASSERT_TRUE(WaitFor([&] { return received.Count() >= 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::lock_guard<std::mutex> lock(received.mutex);
  ASSERT_EQ(received.messages.size(), 2u);
  bool sawOutput = false, sawSetReport = false;
  for (const auto& [kind, data] : received.messages) {
    if (kind == 0x01) sawOutput = data == std::vector<uint8_t>{0x04, 0x01, 0x02};
    if (kind == 0x03) sawSetReport = data == std::vector<uint8_t>{0x00, 0x10};
  }
  EXPECT_TRUE(sawOutput);
  EXPECT_TRUE(sawSetReport);
}

TEST(VhidNode, ClosedConnectionIsForgotten) {
  TempBusFolder bus;
  CVhidNode node(bus.Path(), "kb", SampleInfo(), nullptr);
  ASSERT_TRUE(node.Start());
  {
    BusClient a(node.SocketPath());
    ASSERT_TRUE(WaitFor([&] { return node.ConnectionCount() == 1; }));
  }
  EXPECT_TRUE(WaitFor([&] { return node.ConnectionCount() == 0; }));
  const uint8_t report[] = {0x04, 0x00};
  EXPECT_FALSE(node.SendInput(report, sizeof(report)));
}

TEST(VhidNode, RemovalEndsBlockedReadsAndRefusesNewConnections) {
  TempBusFolder bus;
  CVhidNode node(bus.Path(), "kb", SampleInfo(), nullptr);
  ASSERT_TRUE(node.Start());
  BusClient client(node.SocketPath());
  ASSERT_TRUE(WaitFor([&] { return node.ConnectionCount() == 1; }));

  std::atomic<bool> readEnded{false};
  std::thread reader([&] {
    auto message = client.Receive(5000);
    readEnded = message.has_value() && message->empty();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  node.Remove();
  reader.join();
  EXPECT_TRUE(readEnded);
  EXPECT_FALSE(Exists(node.SocketPath()));
  EXPECT_FALSE(Exists(node.JsonPath()));
  BusClient late;
  EXPECT_FALSE(late.Connect(node.SocketPath()));
  node.Remove();  // idempotent
  EXPECT_EQ(node.ConnectionCount(), 0u);
}

TEST(VhidNode, RemovalFromInsideTheHandler) {
  TempBusFolder bus;
  CVhidNode* self = nullptr;
  CVhidNode node(bus.Path(), "kb", SampleInfo(),
                 [&](uint8_t, const uint8_t*, size_t) { self->Remove(); });
  self = &node;
  ASSERT_TRUE(node.Start());
  BusClient client(node.SocketPath());
  ASSERT_TRUE(client.Send(0x01, {0x04, 0x01}));
  auto message = client.Receive(2000);
  ASSERT_TRUE(message.has_value());
  EXPECT_TRUE(message->empty());
  EXPECT_FALSE(Exists(node.SocketPath()));
  // Can be published again afterwards, as a device plugged back in.
  ASSERT_TRUE(node.Start());
  EXPECT_TRUE(client.Connect(node.SocketPath()));
}

TEST(VhidNode, StartFailsWhenFolderCannotBeMade) {
  TempBusFolder bus;
  const std::string file = bus.Path() + "/plain";
  std::ofstream(file) << "x";
  CVhidNode node(file + "/bus", "kb", SampleInfo(), nullptr);
  EXPECT_FALSE(node.Start());
}

// Nodes are published only in this user's own folder that nobody else may
// write to; anything else is refused and left as it is.
TEST(VhidNode, RefusesABusFolderThatIsNotPrivate) {
  TempBusFolder bus;
  const std::string real = bus.Path() + "/real";
  ASSERT_EQ(::mkdir(real.c_str(), 0700), 0);
  struct Case {
    const char* what;
    std::string folder;
    std::function<bool(const std::string&)> make;
    const char* reason;
  } cases[] = {
      {"a symbolic link", bus.Path() + "/link",
       [&](const std::string& f) { return ::symlink(real.c_str(), f.c_str()) == 0; },
       "symbolic link"},
      {"mode 0777", bus.Path() + "/open",
       [](const std::string& f) {
         return ::mkdir(f.c_str(), 0700) == 0 && ::chmod(f.c_str(), 0777) == 0;
       },
       "mode 0777"},
      {"group-writable", bus.Path() + "/group",
       [](const std::string& f) {
         return ::mkdir(f.c_str(), 0700) == 0 && ::chmod(f.c_str(), 0770) == 0;
       },
       "mode 0770"},
      {"another user's", bus.Path() + "/foreign",
       [](const std::string& f) {
         return ::mkdir(f.c_str(), 0700) == 0 && ::chown(f.c_str(), 4242, -1) == 0;
       },
       "owned by uid 4242"},
      {"a plain file", bus.Path() + "/file",
       [](const std::string& f) { return static_cast<bool>(std::ofstream(f) << "x"); },
       "not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (std::string(c.what) == "another user's" && ::geteuid() != 0) continue;  // chown needs root
    ASSERT_TRUE(c.make(c.folder));
    DebugCapture debug;
    CVhidNode node(c.folder, "kb", SampleInfo(), nullptr);
    EXPECT_FALSE(node.Start());
    EXPECT_TRUE(debug.Contains(c.reason));
    EXPECT_FALSE(Exists(c.folder + "/kb.json"));
    EXPECT_FALSE(Exists(c.folder + "/kb.sock"));
  }
  EXPECT_FALSE(Exists(real + "/kb.sock"));
}
