#include "devices/interface_catalogue.h"

#include <gtest/gtest.h>

#include "devices/device_kind.h"
#include "platform/usb_ids.h"

namespace {

TEST(InterfaceCatalogue, RowsAsListed) {
  // index, product, collection, kind, role, usage page, partner
  struct Row {
    size_t index;
    uint16_t product, collection, kind, role, usagePage, hasPartner, partner;
  } rows[] = {
      {0, 0x5055, 4, 1, 0x00, 0xFF1C, 1, 2},
      {3, 0x5088, 3, 9, 0xFF, 0x000C, 1, 1},
      {6, 0x221D, 4, 6, 0x00, 0xFF1C, 1, 4},
      {9, 0x1004, 3, 3, 0xFF, 0x000C, 0, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.index);
    const auto& e = kInterfaceCatalogue[r.index];
    EXPECT_EQ(e.vendorId, kBrivoVendorId);
    EXPECT_EQ(e.productId, r.product);
    EXPECT_EQ(e.interfaceNumber, 1);
    EXPECT_EQ(e.collectionNumber, r.collection);
    EXPECT_EQ(e.kind, r.kind);
    EXPECT_EQ(e.role, r.role);
    EXPECT_EQ(e.usagePage, r.usagePage);
    EXPECT_EQ(e.hasPartner, r.hasPartner);
    EXPECT_EQ(e.partnerIndex, r.partner);
  }
  const auto& mouse = kInterfaceCatalogue[4];
  EXPECT_EQ(mouse.vendorId, 0x05AC);
  EXPECT_EQ(mouse.productId, 0x024F);
  const auto& headset = kInterfaceCatalogue[10];
  EXPECT_EQ(headset.vendorId, 0x0C76);
  EXPECT_EQ(headset.interfaceNumber, 3);
  EXPECT_EQ(headset.collectionNumber, 0);
  EXPECT_EQ(headset.kind, kKindHeadset);
  EXPECT_EQ(std::string(kDevicePages[1].pageLayout), "XML\\DeviceXml\\keyboarddevice.xml");
  EXPECT_EQ(kDevicePages[1].lightPointCount, 170);
  EXPECT_EQ(std::string(kDeviceTypes[3].deviceName), "HD");
  EXPECT_EQ(std::string(kProducts[3].displayName), "AP");
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
