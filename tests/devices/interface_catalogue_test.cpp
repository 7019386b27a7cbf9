#include "devices/interface_catalogue.h"

#include <gtest/gtest.h>

#include "devices/device_kind.h"
#include "platform/usb_ids.h"

namespace {

// The product tables as the product family defines them, row by row; V is
// the family's own vendor id.
TEST(InterfaceCatalogue, EveryRowAsListed) {
  constexpr uint16_t V = kBrivoVendorId;
  struct Row {
    uint16_t vendor, product, interfaceNumber, collection, kind, role, usagePage, usage, hasPartner,
        partner;
  };
  // clang-format off
  const Row rows[kInterfaceCatalogueSize] = {
      // vendor product mi col kind role  page    usage partner
      {V,      0x5055, 1, 4, 1, 0x00, 0xFF1C, 0x92, 1, 2},
      {V,      0x5055, 1, 3, 1, 0xFF, 0x000C, 0x01, 1, 3},
      {V,      0x5088, 1, 4, 9, 0x00, 0xFF1C, 0x92, 1, 0},
      {V,      0x5088, 1, 3, 9, 0xFF, 0x000C, 0x01, 1, 1},
      {0x05AC, 0x024F, 1, 4, 2, 0x00, 0xFF1C, 0x92, 1, 6},
      {0x05AC, 0x024F, 1, 3, 2, 0xFF, 0x000C, 0x01, 1, 7},
      {V,      0x221D, 1, 4, 6, 0x00, 0xFF1C, 0x92, 1, 4},
      {V,      0x221D, 1, 3, 6, 0xFF, 0x000C, 0x01, 1, 5},
      {V,      0x1004, 1, 4, 3, 0x00, 0xFF1C, 0x92, 0, 0},
      {V,      0x1004, 1, 3, 3, 0xFF, 0x000C, 0x01, 0, 0},
      {0x0C76, 0x1630, 3, 0, 7, 0x00, 0x000C, 0x01, 0, 0},
  };
  // clang-format on
  for (size_t i = 0; i < kInterfaceCatalogueSize; ++i) {
    SCOPED_TRACE(i);
    const Row& r = rows[i];
    const InterfaceEntry& e = kInterfaceCatalogue[i];
    EXPECT_EQ(e.vendorId, r.vendor);
    EXPECT_EQ(e.productId, r.product);
    EXPECT_EQ(e.interfaceNumber, r.interfaceNumber);
    EXPECT_EQ(e.collectionNumber, r.collection);
    EXPECT_EQ(e.kind, r.kind);
    EXPECT_EQ(e.role, r.role);
    EXPECT_EQ(e.usagePage, r.usagePage);
    EXPECT_EQ(e.usage, r.usage);
    EXPECT_EQ(e.hasPartner, r.hasPartner);
    EXPECT_EQ(e.partnerIndex, r.partner);
    EXPECT_EQ(e.claimed, 0);
    EXPECT_TRUE(e.path.empty());
  }

  struct Type {
    const char* deviceName;
    uint16_t vendor, product, kind, role, code;
  } types[] = {
      {"mouse", 0x05AC, 0x024F, 2, 0, 1},
      {"keyboard", V, 0x5055, 1, 0, 0},
      {"MousePad", V, 0x1004, 3, 0, 2},
      {"HD", 0x0C76, 0x1630, 7, 0, 3},
  };
  struct Page {
    const char* layout;
    int lightPoints, keyButtons, battery, reserved;
  } pages[] = {
      {"XML\\DeviceXml\\mousedevice.xml", 15, 11, 1, -1},
      {"XML\\DeviceXml\\keyboarddevice.xml", 170, 170, 1, -1},
      {"XML\\DeviceXml\\mousepaddevice.xml", 15, 0, 0, -1},
      {"XML\\DeviceXml\\hs6533device.xml", 13, 0, 0, -1},
  };
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const DeviceTypeEntry& t = kDeviceTypes[i];
    EXPECT_STREQ(t.tabLayout, "XML\\CustomControlXML\\DeviceOption.xml");
    EXPECT_STREQ(t.tabGroup, "tab_header_device");
    EXPECT_STREQ(t.powerContainer, "device_power_switch");
    EXPECT_STREQ(t.deviceName, types[i].deviceName);
    EXPECT_EQ(t.vendorId, types[i].vendor);
    EXPECT_EQ(t.productId, types[i].product);
    EXPECT_EQ(t.kind, types[i].kind);
    EXPECT_EQ(t.role, types[i].role);
    EXPECT_EQ(t.deviceTypeCode, types[i].code);
    const DevicePageEntry& p = kDevicePages[i];
    EXPECT_STREQ(p.pageLayout, pages[i].layout);
    EXPECT_EQ(p.lightPointCount, pages[i].lightPoints);
    EXPECT_EQ(p.keyButtonCount, pages[i].keyButtons);
    EXPECT_EQ(p.batteryIndicator, pages[i].battery);
    EXPECT_EQ(p.reservedValue, pages[i].reserved);
    EXPECT_STREQ(p.lightLibraryName, "tomel_light");
  }
  EXPECT_STREQ(kProducts[3].displayName, "AP");
  EXPECT_STREQ(kProducts[3].versionText, "V1.0.0.0");
  EXPECT_EQ(kProducts[3].integer1, 0);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_NE(kProducts[i].integer1, 0);
    EXPECT_STREQ(kProducts[i].versionText, "");
    EXPECT_STREQ(kProducts[i].vendor, kProducts[3].vendor);
  }
}

TEST(InterfaceCatalogue, PathParsersIgnoreCase) {
  struct Case {
    const char* path;
    uint16_t vid, pid, mi, col;
  } cases[] = {
      {"/dev/hidraw3?vid_1a2b&pid_5055&mi_01&col04", 0x1A2B, 0x5055, 1, 4},
      {"/dev/hidraw3?VID_1A2B&PID_5055&MI_02&COL03", 0x1A2B, 0x5055, 2, 3},
      {"x?Vid_0c76&Pid_1630&Mi_03", 0x0C76, 0x1630, 3, 0},
      {"&mi_&col", 0, 0, 0, 0},
      {"/dev/hidraw0", 0, 0, 0, 0},
      {"a&mi_1f&col10", 0, 0, 0x1F, 0x10},
      // Only the identity part behind the last '?' counts: folder names of
      // the node path that hold the markers change nothing.
      {"/tmp/my_vid_bus/k.sock?vid_1a2b&pid_5055&mi_01&col04", 0x1A2B, 0x5055, 1, 4},
      {"/run/pid_42&mi_7&col9/h.sock?vid_0c76&pid_1630&mi_03", 0x0C76, 0x1630, 3, 0},
      {"/tmp/a?vid_9&mi_5/k.sock?VID_1A2B&PID_5088&MI_01&COL03", 0x1A2B, 0x5088, 1, 3},
      {"/tmp/vid_12&col3/n.sock?", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ParseVid(c.path), c.vid);
    EXPECT_EQ(ParsePid(c.path), c.pid);
    EXPECT_EQ(ParseInterfaceNumber(c.path), c.mi);
    EXPECT_EQ(ParseCollectionNumber(c.path), c.col);
  }
}

InterfaceEntry Identity(uint16_t vid, uint16_t pid, uint16_t mi, uint16_t col, uint16_t page,
                        uint16_t usage, const char* path) {
  InterfaceEntry e;
  e.vendorId = vid;
  e.productId = pid;
  e.interfaceNumber = mi;
  e.collectionNumber = col;
  e.usagePage = page;
  e.usage = usage;
  e.path = path;
  return e;
}

TEST(InterfaceCatalogue, ASecondIdenticalMousePadFindsNoFreeRow) {
  ConnectionTable table = MakeConnectionTable();
  ASSERT_EQ(table.size(), kInterfaceCatalogueSize);
  auto first = Identity(kBrivoVendorId, 0x1004, 1, 4, 0xFF1C, 0x92, "pad-a");
  ASSERT_TRUE(AdmitInterface(table, first));
  int index = -1;
  ASSERT_TRUE(ClaimInterface(table, first, index));
  EXPECT_EQ(index, 8);
  EXPECT_EQ(first.kind, kKindMousePad);
  EXPECT_EQ(table[8].path, "pad-a");

  auto second = Identity(kBrivoVendorId, 0x1004, 1, 4, 0xFF1C, 0x92, "pad-b");
  EXPECT_FALSE(AdmitInterface(table, second));
  EXPECT_FALSE(ClaimInterface(table, second, index));

  // Unknown location or wrong usage: never admitted or claimed.
  auto stranger = Identity(kBrivoVendorId, 0x1004, 1, 2, 0x0001, 0x06, "pad-kbd");
  EXPECT_FALSE(AdmitInterface(table, stranger));
  auto wrongUsage = Identity(kBrivoVendorId, 0x1004, 1, 3, 0x0001, 0x06, "pad-c");
  EXPECT_TRUE(AdmitInterface(table, wrongUsage));
  EXPECT_FALSE(ClaimInterface(table, wrongUsage, index));
  EXPECT_FALSE(AllInterfacesClaimed(table));
}

TEST(InterfaceCatalogue, Lookups) {
  EXPECT_EQ(FindCommandRow(kBrivoVendorId, 0x5088, kKindKeyboardReceiver, kRoleCommand), 2);
  EXPECT_EQ(FindCommandRow(kBrivoVendorId, 0x5088, kKindKeyboard, kRoleCommand), -1);
  EXPECT_EQ(FindDeviceType(0x05AC, 0x024F, kKindMouse, kRoleCommand), 0);
  EXPECT_EQ(FindDeviceType(0x0C76, 0x1630, kKindHeadset, kRoleCommand), 3);
}

}  // namespace
