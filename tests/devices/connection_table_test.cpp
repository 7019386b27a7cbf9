// The connection table and the decisions of the arrival, removal and switch
// handlers, case by case over which rows are claimed.

#include "devices/connection_table.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "devices/device_kind.h"

namespace {

std::string PathOf(int row) { return "/bus/node" + std::to_string(row) + ".sock?x"; }

// A table with the given catalogue rows claimed, each with its own path.
CConnectionTable Claimed(std::initializer_list<int> rows) {
  CConnectionTable table;
  for (int row : rows) {
    InterfaceEntry identity = kInterfaceCatalogue[static_cast<size_t>(row)];
    identity.path = PathOf(row);
    int index = -1;
    EXPECT_TRUE(table.Claim(identity, index));
    EXPECT_EQ(index, row);
  }
  return table;
}

TEST(ConnectionTableTest, ClaimAndReleaseKeepAllClaimedTrue) {
  CConnectionTable table;
  EXPECT_FALSE(table.AllInterfacesClaimed());
  table = Claimed({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_TRUE(table.AllInterfacesClaimed());
  EXPECT_EQ(table.ClaimedRows().size(), 11u);
  // A second identical pad finds no free row.
  InterfaceEntry pad = kInterfaceCatalogue[8];
  EXPECT_FALSE(table.Admit(pad));
  table.Release(8);
  EXPECT_FALSE(table.AllInterfacesClaimed());
  EXPECT_TRUE(table.Admit(pad));
  EXPECT_TRUE(table.Row(8).path.empty());
  EXPECT_EQ(table.Row(8).claimed, 0);
  table.Release(11);  // outside: ignored
  table.Release(-1);
}

TEST(ConnectionTableTest, UpperCaseMarkersAreAdmittedLikeLowerCase) {
  const CConnectionTable table;
  for (const char* path : {"/dev/hidraw3?vid_1a2b&pid_5088&mi_01&col04",
                           "/dev/hidraw3?VID_1A2B&PID_5088&MI_01&COL04"}) {
    const InterfaceEntry identity = IdentityOfPath(path);
    SCOPED_TRACE(path);
    EXPECT_EQ(identity.vendorId, 0x1A2B);
    EXPECT_EQ(identity.productId, 0x5088);
    EXPECT_EQ(identity.interfaceNumber, 1);
    EXPECT_EQ(identity.collectionNumber, 4);
    EXPECT_EQ(identity.path, path);
    EXPECT_TRUE(table.Admit(identity));
  }
  EXPECT_FALSE(table.Admit(IdentityOfPath("/dev/hidraw3?vid_1a2b&pid_5088&mi_01&col07")));
}

TEST(ConnectionTableTest, PartnerStillClaimed) {
  struct Case {
    std::initializer_list<int> claimed;
    int index;
    bool expected;
  } cases[] = {
      {{}, 0, false},     {{2}, 0, true},  {{0}, 2, true},   {{6}, 4, true},   {{4}, 6, true},
      {{1, 3}, 0, false},  // event rows are no partners of command rows
      {{0}, 0, false},    {{2}, 8, false}, {{0}, 10, false}, {{2}, -1, false}, {{2}, 11, false},
  };
  for (const auto& c : cases) {
    const CConnectionTable table = Claimed(c.claimed);
    EXPECT_EQ(table.PartnerStillClaimed(c.index), c.expected) << "index " << c.index;
  }
  // Claimed without a path does not count.
  CConnectionTable table;
  InterfaceEntry receiver = kInterfaceCatalogue[2];
  int index = -1;
  ASSERT_TRUE(table.Claim(receiver, index));
  EXPECT_FALSE(table.PartnerStillClaimed(0));
}

TEST(ConnectionTableTest, DeviceIdentityRow) {
  const int expected[kInterfaceCatalogueSize] = {0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 10};
  const CConnectionTable table;
  for (int i = 0; i < static_cast<int>(kInterfaceCatalogueSize); ++i)
    EXPECT_EQ(DeviceIdentityRow(table.Rows(), i), expected[i]) << "row " << i;
  EXPECT_EQ(DeviceIdentityRow(table.Rows(), -1), -1);
  EXPECT_EQ(DeviceIdentityRow(table.Rows(), 11), -1);

  // A receiver row whose partner does not point back stands for itself.
  ConnectionTable broken = MakeConnectionTable();
  broken[0].partnerIndex = 1;
  EXPECT_EQ(DeviceIdentityRow(broken, 2), 2);
  // A partner index outside the table is not followed.
  broken[2].partnerIndex = 40;
  EXPECT_EQ(DeviceIdentityRow(broken, 2), 2);
  EXPECT_EQ(DeviceIdentityRow(broken, 3), 2);
}

TEST(ConnectionTableTest, PageSourceRowIsTheCommandRowOfTheSameKind) {
  const int expected[kInterfaceCatalogueSize] = {0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10};
  const CConnectionTable table;
  for (int i = 0; i < static_cast<int>(kInterfaceCatalogueSize); ++i)
    EXPECT_EQ(PageSourceRow(table.Rows(), i), expected[i]) << "row " << i;
}

TEST(ConnectionTableTest, PlanArrival) {
  using A = ArrivalAction;
  using R = ChannelRecord;
  struct Case {
    std::initializer_list<int> claimed;  // the arriving row is claimed too
    int index;
    A action;
    int identity;
    R record;
    int mode;
    bool showTab;
  } cases[] = {
      {{0}, 0, A::OpenChannel, 0, R::Wired, 1, true},
      {{2}, 2, A::OpenChannel, 0, R::Receiver, 2, false},
      {{0, 2}, 0, A::SwitchConnection, 0, R::Wired, 0, false},  // cable while on the receiver
      {{0, 2}, 2, A::None, 0, R::Receiver, 0, false},           // receiver while on the cable
      {{4}, 4, A::OpenChannel, 4, R::Wired, 1, true},
      {{6}, 6, A::OpenChannel, 4, R::Receiver, 2, false},
      {{1}, 1, A::OpenEventListener, 0, R::Wired, 0, false},
      {{3}, 3, A::OpenEventListener, 0, R::Receiver, 0, false},
      {{7}, 7, A::OpenEventListener, 4, R::Receiver, 0, false},
      {{8}, 8, A::OpenChannel, 8, R::Wired, 0, true},
      {{9}, 9, A::OpenEventListener, 8, R::Wired, 0, false},
      {{10}, 10, A::OpenChannel, 10, R::Wired, 0, true},
  };
  for (const auto& c : cases) {
    const ArrivalPlan plan = PlanArrival(Claimed(c.claimed), c.index);
    SCOPED_TRACE("index " + std::to_string(c.index));
    EXPECT_EQ(plan.action, c.action);
    EXPECT_EQ(plan.identityRow, c.identity);
    EXPECT_EQ(plan.record, c.record);
    EXPECT_EQ(plan.connectionMode, c.mode);
    EXPECT_EQ(plan.showTab, c.showTab);
  }
  EXPECT_EQ(PlanArrival(CConnectionTable(), 11).action, A::Ignore);
  EXPECT_EQ(PlanArrival(CConnectionTable(), -1).action, A::Ignore);
}

TEST(ConnectionTableTest, PlanRemoval) {
  using A = RemovalAction;
  struct Case {
    std::initializer_list<int> claimed;  // the lost row is already free
    int index;
    A action;
    int identity;
    ChannelRecord record;
    const char* message;
  } cases[] = {
      {{}, 0, A::CloseChannel, 0, ChannelRecord::Wired, "键盘设备丢失"},
      {{2}, 0, A::SwitchConnection, 0, ChannelRecord::Wired, "键盘设备丢失"},
      {{0}, 2, A::None, 0, ChannelRecord::Receiver, "键盘设备丢失"},
      {{}, 6, A::CloseChannel, 4, ChannelRecord::Receiver, "鼠标设备丢失"},
      {{6}, 4, A::SwitchConnection, 4, ChannelRecord::Wired, "鼠标设备丢失"},
      {{}, 5, A::CloseEventListener, 4, ChannelRecord::Wired, nullptr},
      {{}, 7, A::CloseEventListener, 4, ChannelRecord::Receiver, nullptr},
      {{}, 3, A::CloseEventListener, 0, ChannelRecord::Receiver, nullptr},
      {{}, 8, A::CloseChannel, 8, ChannelRecord::Wired, nullptr},
      {{}, 10, A::CloseChannel, 10, ChannelRecord::Wired, nullptr},
  };
  for (const auto& c : cases) {
    const RemovalPlan plan = PlanRemoval(Claimed(c.claimed), c.index);
    SCOPED_TRACE("index " + std::to_string(c.index));
    EXPECT_EQ(plan.action, c.action);
    EXPECT_EQ(plan.identityRow, c.identity);
    EXPECT_EQ(plan.record, c.record);
    EXPECT_EQ(std::string(plan.lostMessage ? plan.lostMessage : ""),
              std::string(c.message ? c.message : ""));
  }
  EXPECT_EQ(PlanRemoval(CConnectionTable(), 11).action, A::Ignore);
}

TEST(ConnectionTableTest, PlanSwitch) {
  struct Case {
    std::initializer_list<int> claimed;
    int index;
    bool inReceiverMode;
    int newPathRow;  // -1: empty path
    ChannelRecord reopen;
    bool toReceiver;
    int mode;
  } cases[] = {
      // The keyboard's cable comes while it runs through the receiver.
      {{0, 2}, 0, true, 0, ChannelRecord::Wired, false, 1},
      // The cable goes: the device continues through the receiver.
      {{2}, 0, false, 2, ChannelRecord::Receiver, true, 2},
      {{4, 6}, 4, true, 4, ChannelRecord::Wired, false, 1},
      {{6}, 4, false, 6, ChannelRecord::Receiver, true, 2},
  };
  for (const auto& c : cases) {
    const SwitchPlan plan = PlanSwitch(Claimed(c.claimed), c.index, c.inReceiverMode);
    SCOPED_TRACE("index " + std::to_string(c.index));
    ASSERT_TRUE(plan.valid);
    EXPECT_EQ(plan.newPath, PathOf(c.newPathRow));
    EXPECT_EQ(plan.reopen, c.reopen);
    EXPECT_EQ(plan.toReceiver, c.toReceiver);
    EXPECT_EQ(plan.connectionMode, c.mode);
  }
  EXPECT_FALSE(PlanSwitch(CConnectionTable(), 8, false).valid);  // no partner
  EXPECT_FALSE(PlanSwitch(CConnectionTable(), 11, false).valid);
}

}  // namespace
