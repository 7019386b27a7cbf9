// The hidraw node list read from a sysfs tree laid out as the kernel does:
// hidrawN/device -> .../<usb device>/<usb interface>/<hid device>.

#include "link/hidraw_backend.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "tests/link/hid_fixtures.h"

namespace fs = std::filesystem;

namespace {

class HidrawBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ruvemo-hidraw-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ + "/class");
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  // A USB HID node: usb device (bcdDevice) / interface (bInterfaceNumber) /
  // hid device (uevent, report_descriptor).
  void AddUsbNode(const std::string& name, const std::string& hidId, const char* bcd,
                  const char* interface, const std::vector<uint8_t>& descriptor) {
    const fs::path usb = root_ + "/devices/usb-" + name;
    const fs::path hid = usb / "1-1:1.1" / ("0003:" + name);
    Write(usb / "bcdDevice", std::string(bcd) + "\n");
    Write(usb / "1-1:1.1" / "bInterfaceNumber", std::string(interface) + "\n");
    Write(hid / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=Test " + name + "\n");
    Write(hid / "report_descriptor", std::string(descriptor.begin(), descriptor.end()));
    fs::create_directories(root_ + "/class/" + name);
    fs::create_directory_symlink(hid, root_ + "/class/" + name + "/device");
  }

  std::string root_;
};

TEST_F(HidrawBackendTest, ListsNodesInNumericOrderWithIdentityFromSysfs) {
  AddUsbNode("hidraw10", "0003:00000C76:00001630", "0107", "03", fixtures::kConsumerControl);
  AddUsbNode("hidraw2", "0003:00001A2B:00005055", "0210", "01", fixtures::KeyboardInterfaceOne());
  // Not a USB device: no interface number, no version.
  Write(root_ + "/class/hidraw5/device/uevent", "HID_ID=0005:0000046D:0000B012\n");
  Write(root_ + "/class/hidraw5/device/report_descriptor",
        std::string(fixtures::kMouse.begin(), fixtures::kMouse.end()));
  fs::create_directories(root_ + "/class/hidraw7/device");  // no uevent: skipped
  fs::create_directories(root_ + "/class/other0");

  CHidrawBackend backend(root_ + "/class", "/dev");
  std::vector<HidNodeInfo> nodes;
  ASSERT_TRUE(backend.Enumerate(nodes));
  ASSERT_EQ(nodes.size(), 3u);
  struct Expect {
    const char* path;
    uint16_t vendor, product, version;
    uint32_t interface;
    size_t descriptorSize;
  } expected[] = {
      {"/dev/hidraw2", 0x1A2B, 0x5055, 0x0210, 1, fixtures::KeyboardInterfaceOne().size()},
      {"/dev/hidraw5", 0x046D, 0xB012, 0, 0, fixtures::kMouse.size()},
      {"/dev/hidraw10", 0x0C76, 0x1630, 0x0107, 3, fixtures::kConsumerControl.size()},
  };
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(nodes[i].nodePath, expected[i].path);
    EXPECT_EQ(nodes[i].vendorId, expected[i].vendor);
    EXPECT_EQ(nodes[i].productId, expected[i].product);
    EXPECT_EQ(nodes[i].version, expected[i].version);
    EXPECT_EQ(nodes[i].interfaceNumber, expected[i].interface);
    EXPECT_EQ(nodes[i].reportDescriptor.size(), expected[i].descriptorSize);
  }
  EXPECT_EQ(nodes[0].name, "Test hidraw2");

  EXPECT_TRUE(backend.Owns("/dev/hidraw12"));
  EXPECT_FALSE(backend.Owns("/dev/hidrawx"));
  EXPECT_FALSE(backend.Owns("/tmp/bus/n.sock"));
}

TEST_F(HidrawBackendTest, MissingDriverFolderIsAnEmptyList) {
  CHidrawBackend backend(root_ + "/absent", "/dev");
  std::vector<HidNodeInfo> nodes;
  EXPECT_TRUE(backend.Enumerate(nodes));
  EXPECT_TRUE(nodes.empty());
}

}  // namespace
