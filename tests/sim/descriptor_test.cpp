// The simulated report descriptors, walked item by item as a HID parser does.

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "sim/report_descriptors.h"

namespace {

struct Collection {
  unsigned usagePage = 0, usage = 0;
  std::vector<unsigned> reportIds;
};

struct Walk {
  bool wellFormed = true;
  std::vector<Collection> collections;                 // top-level, in order
  std::map<unsigned, unsigned> inputBits, outputBits;  // per report id
};

Walk WalkDescriptor(const std::vector<uint8_t>& d) {
  Walk walk;
  unsigned usagePage = 0, reportSize = 0, reportCount = 0, reportId = 0, usage = 0;
  int depth = 0;
  for (size_t i = 0; i < d.size();) {
    const uint8_t prefix = d[i];
    const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (prefix == 0xFE || i + 1 + size > d.size()) {
      walk.wellFormed = false;
      break;
    }
    unsigned value = 0;
    for (size_t b = 0; b < size; ++b) value |= unsigned(d[i + 1 + b]) << (8 * b);
    const int type = (prefix >> 2) & 3, tag = prefix >> 4;
    if (type == 1) {
      if (tag == 0) usagePage = value;
      if (tag == 7) reportSize = value;
      if (tag == 8) reportId = value;
      if (tag == 9) reportCount = value;
    } else if (type == 2 && tag == 0) {
      usage = value;
    } else if (type == 0) {
      if (tag == 10) {
        if (depth == 0) walk.collections.push_back({usagePage, usage, {}});
        ++depth;
      } else if (tag == 12) {
        if (--depth < 0) walk.wellFormed = false;
      } else if (tag == 8 || tag == 9) {
        (tag == 8 ? walk.inputBits : walk.outputBits)[reportId] += reportSize * reportCount;
        if (depth == 0 || walk.collections.empty()) {
          walk.wellFormed = false;
        } else {
          auto& ids = walk.collections.back().reportIds;
          if (ids.empty() || ids.back() != reportId) ids.push_back(reportId);
        }
      }
      usage = 0;
    }
    i += 1 + size;
  }
  if (depth != 0) walk.wellFormed = false;
  return walk;
}

TEST(SimDescriptors, FourCollectionsInCatalogueOrder) {
  const Walk walk = WalkDescriptor(SimFourCollectionDescriptor());
  ASSERT_TRUE(walk.wellFormed);
  ASSERT_EQ(walk.collections.size(), 4u);
  const std::pair<unsigned, unsigned> expected[4] = {
      {0x01, 0x06}, {0x01, 0x02}, {0x0C, 0x01}, {0xFF1C, 0x92}};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(walk.collections[c].usagePage, expected[c].first) << c;
    EXPECT_EQ(walk.collections[c].usage, expected[c].second) << c;
    ASSERT_EQ(walk.collections[c].reportIds.size(), 1u) << c;
    EXPECT_EQ(walk.collections[c].reportIds[0], unsigned(c + 1));
  }
  EXPECT_EQ(walk.inputBits.at(4), 63u * 8);  // command reports: 64 bytes with the id
  EXPECT_EQ(walk.outputBits.at(4), 63u * 8);
  EXPECT_EQ(walk.inputBits.at(3), 16u);  // one 16-bit event code
  EXPECT_EQ(walk.inputBits.at(1), 64u);  // boot keyboard report
}

TEST(SimDescriptors, HeadsetHasOneConsumerCollection) {
  const Walk walk = WalkDescriptor(SimHeadsetDescriptor());
  ASSERT_TRUE(walk.wellFormed);
  ASSERT_EQ(walk.collections.size(), 1u);
  EXPECT_EQ(walk.collections[0].usagePage, 0x0Cu);
  EXPECT_EQ(walk.collections[0].usage, 0x01u);
  EXPECT_EQ(walk.inputBits.at(4), 63u * 8);
  EXPECT_EQ(walk.outputBits.at(4), 63u * 8);
}

}  // namespace
