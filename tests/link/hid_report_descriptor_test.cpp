#include "link/hid_report_descriptor.h"

#include <gtest/gtest.h>

#include <climits>

#include "tests/link/hid_fixtures.h"

namespace {

using T = HidReportType;

HidPreparsedData ParseOne(const std::vector<uint8_t>& bytes) {
  CHidReportDescriptor d;
  EXPECT_TRUE(d.Parse(bytes));
  EXPECT_EQ(d.Collections().size(), 1u);
  return d.Collections().empty() ? HidPreparsedData() : d.Collections()[0];
}

std::vector<uint16_t> Usages(const HidPreparsedData& c, uint16_t page,
                             std::vector<uint8_t> report) {
  std::vector<uint16_t> usages;
  EXPECT_EQ(HidGetUsages(c, T::Input, page, report.data(), report.size(), usages),
            HidStatus::Success);
  return usages;
}

TEST(HidReportDescriptor, BootKeyboard) {
  const HidPreparsedData c = ParseOne(fixtures::kBootKeyboard);
  EXPECT_EQ(c.usagePage, 0x01);
  EXPECT_EQ(c.usage, 0x06);
  EXPECT_FALSE(c.usesReportIds);
  // No report ids: the implicit id 0 adds one byte.
  EXPECT_EQ(c.reportByteLength[0], 9);
  EXPECT_EQ(c.reportByteLength[1], 2);
  EXPECT_EQ(c.reportByteLength[2], 0);

  ASSERT_EQ(c.buttonCaps[0].size(), 2u);  // the reserved byte is a constant
  const HidButtonCaps& modifiers = c.buttonCaps[0][0];
  EXPECT_EQ(modifiers.usagePage, 0x07);
  EXPECT_TRUE(modifiers.isRange);
  EXPECT_FALSE(modifiers.isArray);
  EXPECT_EQ(modifiers.usageMin, 0xE0);
  EXPECT_EQ(modifiers.usageMax, 0xE7);
  EXPECT_EQ(modifiers.bitPosition, 0u);
  EXPECT_EQ(modifiers.reportCount, 8);
  const HidButtonCaps& keys = c.buttonCaps[0][1];
  EXPECT_TRUE(keys.isArray);
  EXPECT_EQ(keys.bitPosition, 16u);
  EXPECT_EQ(keys.bitSize, 8);
  EXPECT_EQ(keys.reportCount, 6);
  EXPECT_EQ(keys.usageMax, 0x65);
  EXPECT_TRUE(c.valueCaps[0].empty());

  ASSERT_EQ(c.buttonCaps[1].size(), 1u);
  EXPECT_EQ(c.buttonCaps[1][0].usagePage, 0x08);
  EXPECT_EQ(c.buttonCaps[1][0].usageMax, 5);

  EXPECT_EQ(HidMaxUsageListLength(c, T::Input, 0x07), 14u);
  // Left shift with A and B held; the empty array slots (0) report nothing.
  EXPECT_EQ(Usages(c, 0x07, {0, 0x02, 0, 0x04, 0x05, 0, 0, 0, 0}),
            (std::vector<uint16_t>{0xE1, 0x04, 0x05}));
  // Array values beyond the logical maximum are null entries.
  EXPECT_EQ(Usages(c, 0x07, {0, 0, 0, 0x66, 0xFF, 0x29, 0, 0, 0}), (std::vector<uint16_t>{0x29}));
}

TEST(HidReportDescriptor, MouseSignedValuesInLinkCollection) {
  const HidPreparsedData c = ParseOne(fixtures::kMouse);
  EXPECT_EQ(c.usage, 0x02);
  EXPECT_EQ(c.reportByteLength[0], 5);
  EXPECT_EQ(c.linkCollectionCount, 2);
  ASSERT_EQ(c.buttonCaps[0].size(), 1u);
  EXPECT_EQ(c.buttonCaps[0][0].usagePage, 0x09);
  EXPECT_EQ(c.buttonCaps[0][0].linkCollection, 1);
  ASSERT_EQ(c.valueCaps[0].size(), 3u);
  const uint16_t expected[3] = {0x30, 0x31, 0x38};
  for (int i = 0; i < 3; ++i) {
    const HidValueCaps& v = c.valueCaps[0][i];
    EXPECT_EQ(v.usageMin, expected[i]);
    EXPECT_FALSE(v.isRange);
    EXPECT_EQ(v.reportCount, 1);
    EXPECT_EQ(v.bitPosition, 8u + 8u * i);
    EXPECT_EQ(v.logicalMin, -127);
    EXPECT_EQ(v.logicalMax, 127);
    EXPECT_FALSE(v.isAbsolute);
    EXPECT_EQ(v.linkCollection, 1);
    EXPECT_EQ(v.linkUsage, 0x01);
  }

  const std::vector<uint8_t> report = {0, 0x05, 0xFE, 0x05, 0xFF};
  EXPECT_EQ(Usages(c, 0x09, report), (std::vector<uint16_t>{1, 3}));
  uint32_t raw = 0;
  int32_t scaled = 0;
  EXPECT_EQ(HidGetUsageValue(c, T::Input, 0x01, 0x30, report.data(), report.size(), raw),
            HidStatus::Success);
  EXPECT_EQ(raw, 0xFEu);
  EXPECT_EQ(HidGetScaledUsageValue(c, T::Input, 0x01, 0x30, report.data(), report.size(), scaled),
            HidStatus::Success);
  EXPECT_EQ(scaled, -2);
  EXPECT_EQ(HidGetScaledUsageValue(c, T::Input, 0x01, 0x38, report.data(), report.size(), scaled),
            HidStatus::Success);
  EXPECT_EQ(scaled, -1);
  // -128 lies outside -127..127.
  const std::vector<uint8_t> outside = {0, 0, 0x80, 0, 0};
  EXPECT_EQ(HidGetScaledUsageValue(c, T::Input, 0x01, 0x30, outside.data(), outside.size(), scaled),
            HidStatus::ValueOutOfRange);
  EXPECT_EQ(HidGetUsageValue(c, T::Input, 0x01, 0x32, report.data(), report.size(), raw),
            HidStatus::UsageNotFound);
  EXPECT_EQ(HidGetUsageValue(c, T::Input, 0x01, 0x30, report.data(), 3, raw),
            HidStatus::InvalidReportLength);
}

TEST(HidReportDescriptor, ConsumerArrayWithSixteenBitUsages) {
  const HidPreparsedData c = ParseOne(fixtures::kConsumerControl);
  EXPECT_EQ(c.usagePage, 0x0C);
  EXPECT_EQ(c.usage, 0x01);
  EXPECT_TRUE(c.usesReportIds);
  EXPECT_EQ(c.reportIds[0], std::vector<uint8_t>{3});
  EXPECT_EQ(c.reportByteLength[0], 3);
  ASSERT_EQ(c.buttonCaps[0].size(), 1u);
  const HidButtonCaps& b = c.buttonCaps[0][0];
  EXPECT_TRUE(b.isArray);
  EXPECT_EQ(b.reportId, 3);
  // 26 FF FF after a non-negative minimum is 65535, not -1.
  EXPECT_EQ(b.logicalMax, 0xFFFF);
  EXPECT_EQ(b.usageMax, 0xFFFF);
  EXPECT_EQ(b.bitSize, 16);

  EXPECT_EQ(Usages(c, 0x0C, {3, 0x01, 0x04}), std::vector<uint16_t>{0x0401});
  EXPECT_EQ(Usages(c, 0x0C, {3, 0xFF, 0xFF}), std::vector<uint16_t>{0xFFFF});
  EXPECT_TRUE(Usages(c, 0x0C, {3, 0, 0}).empty());
  std::vector<uint16_t> usages;
  const uint8_t otherId[3] = {2, 0x01, 0x04};
  EXPECT_EQ(HidGetUsages(c, T::Input, 0x0C, otherId, 3, usages), HidStatus::IncompatibleReportId);
  EXPECT_EQ(HidGetUsages(c, T::Input, 0x09, (const uint8_t*)"\x03\x01\x04", 3, usages),
            HidStatus::UsageNotFound);
}

TEST(HidReportDescriptor, VendorCommandCollection) {
  const HidPreparsedData c = ParseOne(fixtures::kVendorCommand);
  EXPECT_EQ(c.usagePage, 0xFF1C);
  EXPECT_EQ(c.usage, 0x92);
  EXPECT_EQ(c.reportByteLength[0], 64);
  EXPECT_EQ(c.reportByteLength[1], 64);
  EXPECT_EQ(c.reportByteLength[2], 0);
  ASSERT_EQ(c.valueCaps[0].size(), 1u);
  EXPECT_EQ(c.valueCaps[0][0].reportCount, 63);
  EXPECT_EQ(c.valueCaps[0][0].reportId, 4);
  ASSERT_EQ(c.valueCaps[1].size(), 1u);
  EXPECT_EQ(c.valueCaps[1][0].usageMin, 2);
  const HidCaps caps = c.Caps();
  EXPECT_EQ(caps.numberInputValueCaps, 1);
  EXPECT_EQ(caps.numberOutputValueCaps, 1);
  EXPECT_EQ(caps.numberInputButtonCaps, 0);
  // 63 bytes under one usage are a value array, not one value.
  std::vector<uint8_t> report(64, 0);
  report[0] = 4;
  uint32_t raw = 0;
  EXPECT_EQ(HidGetUsageValue(c, T::Input, 0xFF1C, 0x01, report.data(), report.size(), raw),
            HidStatus::IsValueArray);
}

TEST(HidReportDescriptor, FourTopLevelCollectionsKeepTheirOwnReports) {
  CHidReportDescriptor d;
  ASSERT_TRUE(d.Parse(fixtures::KeyboardInterfaceOne()));
  const auto& cs = d.Collections();
  ASSERT_EQ(cs.size(), 4u);
  struct Expect {
    uint16_t page, usage;
    uint8_t id;
    uint16_t inLength, outLength;
  };
  const Expect expected[4] = {{0x01, 0x06, 1, 17, 0},
                              {0x01, 0x80, 2, 2, 0},
                              {0x0C, 0x01, 3, 3, 0},
                              {0xFF1C, 0x92, 4, 64, 64}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cs[i].usagePage, expected[i].page);
    EXPECT_EQ(cs[i].usage, expected[i].usage);
    EXPECT_EQ(cs[i].reportIds[0], std::vector<uint8_t>{expected[i].id});
    EXPECT_EQ(cs[i].reportByteLength[0], expected[i].inLength);
    EXPECT_EQ(cs[i].reportByteLength[1], expected[i].outLength);
    EXPECT_TRUE(cs[i].HasReport(T::Input, expected[i].id));
    EXPECT_FALSE(cs[i].HasReport(T::Input, expected[(i + 1) % 4].id));
  }
  // The system-control buttons are 0x81..0x83 of page 1.
  std::vector<uint16_t> usages;
  const uint8_t sleep[2] = {2, 0x02};
  EXPECT_EQ(HidGetUsages(cs[1], T::Input, 0x01, sleep, 2, usages), HidStatus::Success);
  EXPECT_EQ(usages, std::vector<uint16_t>{0x82});
}

TEST(HidReportDescriptor, ValueRangeScalesToPhysicalRange) {
  const HidPreparsedData c = ParseOne(fixtures::kAxisRange);
  ASSERT_EQ(c.valueCaps[0].size(), 1u);
  const HidValueCaps& v = c.valueCaps[0][0];
  EXPECT_TRUE(v.isRange);
  EXPECT_EQ(v.usageMin, 0x30);
  EXPECT_EQ(v.usageMax, 0x32);
  EXPECT_EQ(v.physicalMax, 1000);
  const std::vector<uint8_t> report = {0, 0, 51, 255};
  const int32_t expected[3] = {0, 200, 1000};
  for (uint16_t usage = 0x30; usage <= 0x32; ++usage) {
    int32_t scaled = -1;
    EXPECT_EQ(
        HidGetScaledUsageValue(c, T::Input, 0x01, usage, report.data(), report.size(), scaled),
        HidStatus::Success);
    EXPECT_EQ(scaled, expected[usage - 0x30]);
  }
}

TEST(HidReportDescriptor, ExtendedUsagesAndGlobalPushPop) {
  // Generic desktop page current, usages given with their own page (0x0C),
  // push/pop around a page change, a long item in between.
  const std::vector<uint8_t> bytes = {
      0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x05,              // collection, id 5
      0x0B, 0xE9, 0x00, 0x0C, 0x00, 0x0B, 0xEA, 0x00, 0x0C, 0x00,  // two extended usages
      0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x02, 0x81, 0x02,  // two bits
      0xA4, 0x05, 0x09, 0x19, 0x01, 0x29, 0x02, 0x81, 0x02, 0xB4,  // push, buttons, pop
      0xFE, 0x02, 0x10, 0xAA, 0xBB,                                // long item
      0x19, 0x10, 0x29, 0x13, 0x95, 0x04, 0x81, 0x02, 0xC0};       // page 1 again
  const HidPreparsedData c = ParseOne(bytes);
  ASSERT_EQ(c.buttonCaps[0].size(), 4u);
  EXPECT_EQ(c.buttonCaps[0][0].usagePage, 0x0C);
  EXPECT_EQ(c.buttonCaps[0][0].usageMin, 0xE9);
  EXPECT_EQ(c.buttonCaps[0][1].usagePage, 0x0C);
  EXPECT_EQ(c.buttonCaps[0][1].usageMin, 0xEA);
  EXPECT_EQ(c.buttonCaps[0][1].bitPosition, 1u);
  EXPECT_EQ(c.buttonCaps[0][2].usagePage, 0x09);
  EXPECT_EQ(c.buttonCaps[0][2].reportCount, 2);
  EXPECT_EQ(c.buttonCaps[0][3].usagePage, 0x01);
  EXPECT_EQ(c.buttonCaps[0][3].bitPosition, 4u);
  EXPECT_EQ(c.reportByteLength[0], 2);
  EXPECT_EQ(Usages(c, 0x0C, {5, 0x02}), std::vector<uint16_t>{0xEA});
  EXPECT_EQ(Usages(c, 0, {5, 0x25}), (std::vector<uint16_t>{0xE9, 0x01, 0x11}));
}

TEST(HidReportDescriptor, MalformedDescriptorsAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"item data cut off", {0x05, 0x01, 0x09}},
      {"collection never closed", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01}},
      {"end collection without collection", {0xC0}},
      {"pop without push", {0xB4}},
      {"report id 0", {0x85, 0x00}},
      {"long item cut off", {0xFE, 0x05, 0x10, 0x00}},
      {"usage range upside down", {0xA1, 0x01, 0x19, 0x05, 0x29, 0x01, 0xC0}},
      // Eight inputs of 65535 one-bit buttons each on one page: every button
      // item's usage list would hold all 524280, over 4 million entries.
      {"usage lists beyond any real device",
       [] {
         std::vector<uint8_t> d = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05,
                                   0x09, 0x75, 0x01, 0x96, 0xFF, 0xFF};
         for (int i = 1; i <= 8; ++i) d.insert(d.end(), {0x09, uint8_t(i), 0x81, 0x02});
         d.push_back(0xC0);
         return d;
       }()},
  };
  for (const auto& c : cases) {
    CHidReportDescriptor d;
    EXPECT_FALSE(d.Parse(c.bytes)) << c.what;
    EXPECT_TRUE(d.Collections().empty()) << c.what;
  }
}

// An array whose logical minimum sits at the top of the 32-bit range: the
// index of its second usage item lies beyond any field value and is dropped,
// without the index arithmetic overflowing.
TEST(HidReportDescriptor, ArrayIndexAtTheTopOfTheRange) {
  const HidPreparsedData c = ParseOne({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x09,
                                       0x17, 0xFF, 0xFF, 0xFF, 0x7F,  // logical min 0x7FFFFFFF
                                       0x27, 0xFF, 0xFF, 0xFF, 0x7F,  // logical max 0x7FFFFFFF
                                       0x19, 0x01, 0x29, 0x10, 0x19, 0x20, 0x29, 0x21,
                                       0x75, 0x20, 0x95, 0x01, 0x81, 0x00, 0xC0});
  ASSERT_EQ(c.buttonCaps[0].size(), 1u);
  EXPECT_EQ(c.buttonCaps[0][0].arrayIndexMin, INT32_MAX);
  EXPECT_EQ(c.buttonCaps[0][0].usageMin, 1);
}

}  // namespace
