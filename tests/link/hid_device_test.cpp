#include "link/hid_device.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "link/hid_path.h"
#include "link/vhid_backend.h"
#include "sim/vhid_node.h"
#include "tests/link/hid_fixtures.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/debug_capture.h"
#include "tests/support/stuck_node.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

// Host messages a node received.
struct Inbox {
  std::mutex mutex;
  std::vector<std::pair<uint8_t, std::vector<uint8_t>>> messages;
  CVhidNode::HostMessageHandler Handler() {
    return [this](uint8_t kind, const uint8_t* data, size_t size) {
      std::lock_guard<std::mutex> lock(mutex);
      messages.emplace_back(kind, std::vector<uint8_t>(data, data + size));
    };
  }
  size_t Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return messages.size();
  }
};

VhidNodeInfo KeyboardNode() {
  VhidNodeInfo info;
  info.vendorId = 0x1A2B;
  info.productId = 0x5055;
  info.version = 0x0107;
  info.interfaceNumber = 1;
  info.name = "keyboard interface 1";
  info.reportDescriptor = fixtures::KeyboardInterfaceOne();
  return info;
}

VhidNodeInfo SingleNode(uint16_t product, std::vector<uint8_t> descriptor) {
  VhidNodeInfo info;
  info.vendorId = 0x0C76;
  info.productId = product;
  info.interfaceNumber = 3;
  info.reportDescriptor = std::move(descriptor);
  return info;
}

class HidDeviceTest : public BusFolderTest {
 protected:
  std::string PathOf(const std::string& stem, const char* query) const {
    return Folder() + "/" + stem + ".sock" + query;
  }
  // Paths of this test's bus only (the machine may have hidraw nodes).
  std::vector<std::string> BusPaths() {
    CHidDevice hid;
    std::vector<std::string> paths;
    EXPECT_TRUE(hid.BeginEnumeration());
    while (auto p = hid.NextDevicePath())
      if (p->rfind(Folder(), 0) == 0) paths.push_back(*p);
    EXPECT_FALSE(hid.NextDevicePath().has_value());
    return paths;
  }
};

TEST(HidPath, InterfaceAndCollectionNumbersInAnyCase) {
  struct Case {
    const char* path;
    uint32_t interface, collection;
  } cases[] = {
      {"/dev/hidraw3?vid_1a2b&pid_5055&MI_02&Col03", 2, 3},
      {"/x/k.sock?VID_1A2B&PID_5055&mI_02&cOL03", 2, 3},
      {"/dev/hidraw0?vid_1a2b&pid_5055&mi_0a&COL1F", 0x0A, 0x1F},
      {"/dev/hidraw1?vid_0c76&pid_1630&mi_03", 3, 0},
      {"/dev/hidraw1", 0, 0},
      {"/dev/hidraw1?vid_0c76&mi_&col", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseHexAfter(c.path, "&mi_"), c.interface) << c.path;
    EXPECT_EQ(ParseHexAfter(c.path, "&col"), c.collection) << c.path;
  }
  EXPECT_EQ(MakeInterfacePath("/dev/hidraw3", 0x1A2B, 0x5055, 1, 4),
            "/dev/hidraw3?vid_1a2b&pid_5055&mi_01&col04");
  EXPECT_EQ(MakeInterfacePath("/dev/hidraw3", 0x0C76, 0x1630, 3, 0),
            "/dev/hidraw3?vid_0c76&pid_1630&mi_03");
}

TEST(HidPath, NodePathMayHoldMarkersAndQuestionMarks) {
  const std::string node = "/tmp/bus?vid_12&mi_05&col07/k.sock";
  const std::string path = MakeInterfacePath(node, 0x1A2B, 0x5055, 1, 4);
  EXPECT_EQ(NodePathOf(path), node);
  EXPECT_EQ(IdentityPartOf(path), "vid_1a2b&pid_5055&mi_01&col04");
  EXPECT_EQ(ParseHexAfter(path, "&mi_"), 1u);
  EXPECT_EQ(ParseHexAfter(path, "&col"), 4u);
  // A single-collection node: no collection number, whatever the folder says.
  EXPECT_EQ(ParseHexAfter(MakeInterfacePath(node, 0x0C76, 0x1630, 3, 0), "&col"), 0u);
}

TEST_F(HidDeviceTest, EnumerationListsOnePathPerCollectionInOrderAndGrows) {
  EXPECT_TRUE(BusPaths().empty());

  // Ten single-collection nodes and one with four collections: more than the
  // first eight list entries, all in order.
  std::vector<std::unique_ptr<CVhidNode>> nodes;
  for (int i = 0; i < 10; ++i) {
    nodes.push_back(std::make_unique<CVhidNode>(Folder(), "n" + std::to_string(i),
                                                SingleNode(0x1000 + i, fixtures::kMouse), nullptr));
    ASSERT_TRUE(nodes.back()->Start());
  }
  nodes.push_back(std::make_unique<CVhidNode>(Folder(), "z_kb", KeyboardNode(), nullptr));
  ASSERT_TRUE(nodes.back()->Start());

  const std::vector<std::string> paths = BusPaths();
  ASSERT_EQ(paths.size(), 14u);
  for (int i = 0; i < 10; ++i) {
    char query[64];
    std::snprintf(query, sizeof query, "?vid_0c76&pid_%04x&mi_03", 0x1000 + i);
    EXPECT_EQ(paths[i], PathOf("n" + std::to_string(i), query));
  }
  for (int c = 1; c <= 4; ++c)
    EXPECT_EQ(paths[9 + c],
              PathOf("z_kb", ("?vid_1a2b&pid_5055&mi_01&col0" + std::to_string(c)).c_str()));

  // A removed node is gone from the next enumeration.
  nodes.back()->Remove();
  EXPECT_EQ(BusPaths().size(), 10u);
}

TEST_F(HidDeviceTest, OpenReadsAttributesCapsAndItemsOfTheCollection) {
  CVhidNode node(Folder(), "kb", KeyboardNode(), nullptr);
  ASSERT_TRUE(node.Start());
  CHidDevice hid;
  // Interface and collection numbers come from the path, markers in any case.
  ASSERT_TRUE(hid.Open(PathOf("kb", "?VID_1A2B&PID_5055&MI_02&Col03"), true, true, true, false));
  EXPECT_EQ(hid.InterfaceNumber(), 2u);
  EXPECT_EQ(hid.CollectionNumber(), 3u);
  EXPECT_EQ(hid.VendorId(), 0x1A2B);
  EXPECT_EQ(hid.ProductId(), 0x5055);
  EXPECT_EQ(hid.Version(), 0x0107);
  EXPECT_EQ(hid.UsagePage(), 0x0C);
  EXPECT_EQ(hid.Usage(), 0x01);
  EXPECT_EQ(hid.InputReportByteLength(), 3);
  ASSERT_EQ(hid.InputItemCount(), 1u);
  EXPECT_TRUE(hid.InputDataItems()[0].isButtonData);
  EXPECT_EQ(hid.InputDataItems()[0].maxUsageListLength, 1u);

  ASSERT_TRUE(hid.Open(PathOf("kb", "?vid_1a2b&pid_5055&mi_01&col04"), true, true, true, false));
  EXPECT_EQ(hid.UsagePage(), 0xFF1C);
  EXPECT_EQ(hid.Usage(), 0x92);
  EXPECT_EQ(hid.InputReportByteLength(), 64);
  EXPECT_EQ(hid.OutputReportByteLength(), 64);
  EXPECT_EQ(hid.InputItemCount(), 1u);
  EXPECT_EQ(hid.DataItems(HidReportType::Output).size(), 1u);

  // A value caps record over 0x30..0x32 is three value items.
  CVhidNode axes(Folder(), "axes", SingleNode(0x2000, fixtures::kAxisRange), nullptr);
  ASSERT_TRUE(axes.Start());
  ASSERT_TRUE(hid.Open(PathOf("axes", "?vid_0c76&pid_2000&mi_03"), true, false, true, false));
  EXPECT_EQ(hid.CollectionNumber(), 0u);
  ASSERT_EQ(hid.InputItemCount(), 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_FALSE(hid.InputDataItems()[i].isButtonData);
    EXPECT_EQ(hid.InputDataItems()[i].usage, 0x30 + i);
  }
  const uint8_t report[4] = {0, 10, 51, 255};
  EXPECT_TRUE(CHidDevice::UnpackInputReport(report, 4, HidReportType::Input, hid.InputDataItems(),
                                            hid.InputItemCount(), hid.PreparsedData()));
  EXPECT_EQ(hid.InputDataItems()[1].value, 51u);
  EXPECT_EQ(hid.InputDataItems()[2].scaledValue, 1000);
  EXPECT_TRUE(hid.InputDataItems()[2].isDataSet);

  hid.Close();
  hid.Close();  // idempotent
  EXPECT_FALSE(hid.IsOpen());
  EXPECT_EQ(hid.InputItemCount(), 0u);
}

TEST_F(HidDeviceTest, OpenFailures) {
  CVhidNode node(Folder(), "kb", KeyboardNode(), nullptr);
  ASSERT_TRUE(node.Start());
  struct Case {
    const char* what;
    std::string path;
  } cases[] = {
      {"no such node", PathOf("none", "?vid_1a2b&pid_5055&mi_01&col01")},
      {"collection beyond the node's four", PathOf("kb", "?vid_1a2b&pid_5055&mi_01&col05")},
      {"no collection on a node with four", PathOf("kb", "?vid_1a2b&pid_5055&mi_01")},
      {"path longer than 259 characters",
       PathOf("kb", ("?vid_1a2b&pid_5055&mi_01&col01&" + std::string(260, 'x')).c_str())},
      {"no backend for the path", "/nowhere/device?vid_1a2b"},
  };
  for (const auto& c : cases) {
    CHidDevice hid;
    EXPECT_FALSE(hid.Open(c.path, true, true, true, false)) << c.what;
    EXPECT_FALSE(hid.IsOpen()) << c.what;
    uint8_t buffer[64];
    uint32_t got = 99;
    EXPECT_FALSE(hid.ReadReport(buffer, 64, &got, 10)) << c.what;
    EXPECT_EQ(got, 0u);
  }
}

TEST_F(HidDeviceTest, ANodeThatTakesNoConnectionIsSkippedWithinItsTimeOut) {
  StuckNode stuck(Folder(), "frozen", 0x1A2B, 0x1004, 1, fixtures::KeyboardInterfaceOne());
  ASSERT_TRUE(stuck.Ready());
  CVhidNode node(Folder(), "kb", KeyboardNode(), nullptr);
  ASSERT_TRUE(node.Start());
  DebugCapture debug;
  // Both nodes are listed: their descriptions are there.
  ASSERT_EQ(BusPaths().size(), 8u);

  auto timedOpen = [&](const char* stem, const char* query, bool& opened) {
    CHidDevice hid;
    const auto start = Clock::now();
    opened = hid.Open(PathOf(stem, query), true, false, true, false);
    return ElapsedMs(start);
  };
  bool opened = true;
  const long first = timedOpen("frozen", "?vid_1a2b&pid_1004&mi_01&col04", opened);
  EXPECT_FALSE(opened);
  EXPECT_GE(first, kVhidConnectTimeoutMs - 20);
  EXPECT_LT(first, 1000);
  EXPECT_TRUE(debug.Contains("frozen.sock took no connection")) << "reported in the debug output";
  // The node's other collections fail at once for the rest of the pass; other
  // nodes open as always.
  EXPECT_LT(timedOpen("frozen", "?vid_1a2b&pid_1004&mi_01&col03", opened), 100);
  EXPECT_FALSE(opened);
  EXPECT_LT(timedOpen("kb", "?vid_1a2b&pid_5055&mi_01&col04", opened), 200);
  EXPECT_TRUE(opened);
  // The next enumeration gives it another chance.
  BusPaths();
  EXPECT_GE(timedOpen("frozen", "?vid_1a2b&pid_1004&mi_01&col03", opened),
            kVhidConnectTimeoutMs - 20);
  EXPECT_FALSE(opened);
}

TEST_F(HidDeviceTest, NodeFilesThatAreNoRegularFileAreNotWaitedOn) {
  // A pipe in place of a node's description would block a plain open.
  ASSERT_EQ(::mkfifo((Folder() + "/pipe.json").c_str(), 0600), 0);
  CVhidNode node(Folder(), "pipe", KeyboardNode(), nullptr);
  ASSERT_TRUE(node.Start());  // replaces the pipe by its file through a rename
  ASSERT_EQ(::unlink((Folder() + "/pipe.json").c_str()), 0);
  ASSERT_EQ(::mkfifo((Folder() + "/pipe.json").c_str(), 0600), 0);
  const auto start = Clock::now();
  EXPECT_TRUE(BusPaths().empty());
  CHidDevice hid;
  EXPECT_FALSE(hid.Open(PathOf("pipe", "?vid_1a2b&pid_5055&mi_01&col04"), true, true, true, false));
  EXPECT_LT(ElapsedMs(start), 500);
}

TEST_F(HidDeviceTest, NodeFilesThatAreNoNodeDescriptionAreRefused) {
  const std::string good =
      R"({"vendor_id": 6699, "product_id": 20565, "version": 261, "interface": 1,)"
      R"( "name": "k", "report_descriptor": "06 1c ff 09 92 a1 01 c0"})";
  struct Case {
    const char* what;
    std::string text;
    bool valid;
  } cases[] = {
      {"a node description", good, true},
      {"vendor id above the signed 64-bit range",
       R"({"vendor_id": 11111111111111120565, "product_id": 1, "version": 1, "interface": 1,)"
       R"( "report_descriptor": ""})",
       false},
      {"negative version",
       R"({"vendor_id": 1, "product_id": 1, "version": -1, "interface": 1,)"
       R"( "report_descriptor": ""})",
       false},
      {"interface 256",
       R"({"vendor_id": 1, "product_id": 1, "version": 1, "interface": 256,)"
       R"( "report_descriptor": ""})",
       false},
      {"odd hex digits",
       R"({"vendor_id": 1, "product_id": 1, "version": 1, "interface": 1,)"
       R"( "report_descriptor": "a1c"})",
       false},
      {"a descriptor above 4096 bytes",
       R"({"vendor_id": 1, "product_id": 1, "version": 1, "interface": 1,)"
       R"( "report_descriptor": ")" +
           std::string(2 * 4097, '0') + R"("})",
       false},
      {"nesting beyond the reader's limit", "[" + std::string(5000, '[') + std::string(5001, ']'),
       false},
      {"a file above 64 KiB", good + std::string(70000, ' '), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = Folder() + "/n.json";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << c.text;
    HidNodeInfo info;
    EXPECT_EQ(ReadVhidNodeFile(file, info), c.valid);
  }
}

// The bus folder is used only when it is this user's own folder that nobody
// else may write to; a node opened must lie in such a folder.
TEST_F(HidDeviceTest, ABusFolderThatIsNotPrivateIsIgnored) {
  CVhidNode node(Folder(), "kb", KeyboardNode(), nullptr);
  ASSERT_TRUE(node.Start());
  const std::string path = PathOf("kb", "?vid_1a2b&pid_5055&mi_01&col04");
  const std::string link = Folder() + "-link";
  ASSERT_EQ(::symlink(Folder().c_str(), link.c_str()), 0);
  auto countNodes = [] {
    CHidDevice hid;
    size_t count = 0;
    EXPECT_TRUE(hid.BeginEnumeration());
    while (auto p = hid.NextDevicePath()) count += p->find("/kb.sock?") != std::string::npos;
    return count;
  };
  ASSERT_EQ(countNodes(), 4u);

  struct Case {
    const char* what;
    std::function<void()> make, undo;
    const char* reason;
  } cases[] = {
      {"a symbolic link to the folder", [&] { ::setenv("RUVEMO_VHID_DIR", link.c_str(), 1); },
       [&] { ::setenv("RUVEMO_VHID_DIR", Folder().c_str(), 1); }, "symbolic link"},
      {"mode 0777", [&] { ::chmod(Folder().c_str(), 0777); },
       [&] { ::chmod(Folder().c_str(), 0700); }, "others may write to it (mode 0777)"},
      {"mode 0720", [&] { ::chmod(Folder().c_str(), 0720); },
       [&] { ::chmod(Folder().c_str(), 0700); }, "mode 0720"},
      {"another user's folder", [&] { EXPECT_EQ(::chown(Folder().c_str(), 4242, -1), 0); },
       [&] { EXPECT_EQ(::chown(Folder().c_str(), ::geteuid(), -1), 0); }, "owned by uid 4242"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (std::string(c.what) == "another user's folder" && ::geteuid() != 0) continue;
    DebugCapture debug;
    c.make();
    EXPECT_EQ(countNodes(), 0u);
    EXPECT_TRUE(debug.Contains(c.reason));
    // A node reached through the link, or lying in the folder others may write.
    CHidDevice hid;
    EXPECT_FALSE(
        hid.Open(link + "/kb.sock?vid_1a2b&pid_5055&mi_01&col04", true, true, true, false));
    if (std::string(c.what) != "a symbolic link to the folder") {
      EXPECT_FALSE(hid.Open(path, true, true, true, false));
    }
    c.undo();
    EXPECT_EQ(countNodes(), 4u);
    EXPECT_TRUE(hid.Open(path, true, true, true, false));
  }
  ::unlink(link.c_str());
}

TEST_F(HidDeviceTest, ReadsOnlyTheCollectionsInputReportsAndWritesBothKinds) {
  Inbox inbox;
  CVhidNode node(Folder(), "kb", KeyboardNode(), inbox.Handler());
  ASSERT_TRUE(node.Start());
  CHidDevice consumer, vendor;
  ASSERT_TRUE(
      consumer.Open(PathOf("kb", "?vid_1a2b&pid_5055&mi_01&col03"), true, true, true, false));
  ASSERT_TRUE(vendor.Open(PathOf("kb", "?vid_1a2b&pid_5055&mi_01&col04"), true, true, true, false));
  ASSERT_TRUE(BusFolderTest::WaitFor([&] { return node.ConnectionCount() == 2; }));

  std::vector<uint8_t> vendorReport(64, 0);
  vendorReport[0] = 4;
  vendorReport[3] = 0x5A;
  const uint8_t keyReport[17] = {1, 0, 0x04};
  const uint8_t event[3] = {3, 0x01, 0x04};
  ASSERT_TRUE(node.SendInput(vendorReport.data(), vendorReport.size()));
  ASSERT_TRUE(node.SendInput(keyReport, sizeof keyReport));
  ASSERT_TRUE(node.SendInput(event, sizeof event));

  uint8_t buffer[64] = {};
  uint32_t got = 0;
  ASSERT_TRUE(consumer.ReadReport(buffer, 64, &got, 1000));
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(buffer[0], 3);
  ASSERT_TRUE(CHidDevice::UnpackInputReport(buffer, got, HidReportType::Input,
                                            consumer.InputDataItems(), consumer.InputItemCount(),
                                            consumer.PreparsedData()));
  EXPECT_EQ(consumer.InputDataItems()[0].usageList[0], 0x0401);
  EXPECT_FALSE(consumer.ReadReport(buffer, 64, &got, 50));  // nothing else for id 3

  ASSERT_TRUE(vendor.ReadReport(buffer, 64, &got, 1000));
  EXPECT_EQ(got, 64u);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 64), vendorReport);
  EXPECT_FALSE(vendor.ReadReport(buffer, 64, &got, 50));

  std::vector<uint8_t> command(64, 0);
  command[0] = 4;
  command[3] = 0x01;
  ASSERT_TRUE(vendor.WriteReport(command.data(), 64, &got, 1000));
  EXPECT_EQ(got, 64u);
  const uint8_t lights[17] = {0, 0xFF, 0x22, 0xAA};
  ASSERT_TRUE(vendor.SetOutputReport(lights, sizeof lights));
  ASSERT_TRUE(BusFolderTest::WaitFor([&] { return inbox.Count() == 2; }));
  std::lock_guard<std::mutex> lock(inbox.mutex);
  EXPECT_EQ(inbox.messages[0].first, 0x01);
  EXPECT_EQ(inbox.messages[0].second, command);
  EXPECT_EQ(inbox.messages[1].first, 0x03);
  EXPECT_EQ(inbox.messages[1].second, std::vector<uint8_t>(lights, lights + 17));
}

TEST_F(HidDeviceTest, ReadOnSilentDeviceTimesOut) {
  CVhidNode node(Folder(), "kb", KeyboardNode(), nullptr);
  ASSERT_TRUE(node.Start());
  CHidDevice hid;
  ASSERT_TRUE(hid.Open(PathOf("kb", "?vid_1a2b&pid_5055&mi_01&col04"), true, true, true, false));
  uint8_t buffer[64];
  uint32_t got = 7;
  const auto start = Clock::now();
  EXPECT_FALSE(hid.ReadReport(buffer, 64, &got, 1000));
  const long elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, 990);
  EXPECT_LT(elapsed, 1300);
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(hid.IsReading());
}

// Ways another thread ends a read that waits without time-out.
enum class Waker { CancelEvent, Close, ReOpen, NodeRemoved };

class BlockedReadTest : public HidDeviceTest, public ::testing::WithParamInterface<Waker> {};

TEST_P(BlockedReadTest, EndsWithinFiftyMilliseconds) {
  CVhidNode node(Folder(), "kb", KeyboardNode(), nullptr);
  ASSERT_TRUE(node.Start());
  const std::string path = PathOf("kb", "?vid_1a2b&pid_5055&mi_01&col04");
  CHidDevice hid;
  ASSERT_TRUE(hid.Open(path, true, true, true, false));

  std::atomic<long> endedAt{-1};
  const auto start = Clock::now();
  auto reader = std::async(std::launch::async, [&] {
    std::vector<uint8_t> buffer(64);
    uint32_t got = 5;
    const bool ok = hid.ReadReport(buffer.data(), 64, &got, kHidInfinite);
    endedAt = ElapsedMs(start);
    return ok || got != 0;
  });
  ASSERT_TRUE(BusFolderTest::WaitFor([&] { return hid.IsReading(); }));
  std::this_thread::sleep_for(milliseconds(100));
  ASSERT_EQ(endedAt.load(), -1) << "the read must wait";

  const long wokenAt = ElapsedMs(start);
  switch (GetParam()) {
    case Waker::CancelEvent:
      hid.SetCancelEvent();
      break;
    case Waker::Close:
      hid.Close();
      break;
    case Waker::ReOpen:
      EXPECT_TRUE(hid.Open(path, true, true, true, false));
      break;
    case Waker::NodeRemoved:
      node.Remove();
      break;
  }
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_FALSE(reader.get());
  EXPECT_LT(endedAt.load() - wokenAt, 50);
  EXPECT_FALSE(hid.IsReading());

  if (GetParam() == Waker::NodeRemoved) {
    uint8_t buffer[64];
    EXPECT_FALSE(hid.ReadReport(buffer, 64, nullptr, 100));
    EXPECT_FALSE(hid.WriteReport(buffer, 64, nullptr, 100));
    EXPECT_FALSE(hid.Open(path, true, true, true, false));
  }
  if (GetParam() == Waker::ReOpen) {
    // The interface keeps working on its new connection (once the node has
    // taken it; the old one may still be listed for a moment).
    std::vector<uint8_t> report(64, 0);
    report[0] = 4;
    ASSERT_TRUE(BusFolderTest::WaitFor([&] { return node.SendInput(report.data(), 64); }));
    uint8_t buffer[64];
    EXPECT_TRUE(hid.ReadReport(buffer, 64, nullptr, 1000));
  }
}

std::string WakerName(const ::testing::TestParamInfo<Waker>& info) {
  static const char* const kNames[] = {"CancelEvent", "Close", "ReOpen", "NodeRemoved"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Wakers, BlockedReadTest,
                         ::testing::Values(Waker::CancelEvent, Waker::Close, Waker::ReOpen,
                                           Waker::NodeRemoved),
                         WakerName);

}  // namespace
