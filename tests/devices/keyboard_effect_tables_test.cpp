// The keyboard effects' geometry tables, checked where a transcription slip
// would show: the grid's shape, the loop and list properties, the path's runs
// and the curves' turning points.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "devices/keyboard_effect_tables.h"

TEST(KeyboardEffectTables, GridHoldsKeysOnlyInItsFirstFourteenColumnsAndFiveRows) {
  EXPECT_EQ(kKeyGrid[0][0], 0);
  EXPECT_EQ(kKeyGrid[1][3], 102);
  EXPECT_EQ(kKeyGrid[12][2], 62);
  EXPECT_EQ(kKeyGrid[13][4], 112);
  EXPECT_EQ(kKeyGrid[3][4], kNoKey);
  std::set<int> keys;
  for (int c = 0; c < kGridColumns; ++c) {
    for (int r = 0; r < kGridRows; ++r) {
      const uint8_t key = kKeyGrid[c][r];
      if (c >= 14 || r == 5) {
        EXPECT_EQ(key, kNoKey) << c << "," << r;
      } else if (key != kNoKey) {
        EXPECT_TRUE(keys.insert(key).second) << "key " << int(key) << " twice";
      }
      EXPECT_EQ(kTallKeyGrid[c][r], key);
    }
    EXPECT_EQ(kTallKeyGrid[c][6], kNoKey);
  }
  EXPECT_EQ(keys.size(), 64u);
}

TEST(KeyboardEffectTables, KeyOrderIsALoopOverTheGridKeys) {
  std::set<int> loop(kKeyOrder.begin(), kKeyOrder.begin() + kKeyOrderLength);
  EXPECT_EQ(loop.size(), static_cast<size_t>(kKeyOrderLength));
  for (int c = 0; c < kGridColumns; ++c) {
    for (int r = 0; r < kGridRows; ++r) {
      if (kKeyGrid[c][r] != kNoKey) {
        EXPECT_TRUE(loop.count(kKeyGrid[c][r])) << int(kKeyGrid[c][r]);
      }
    }
  }
  EXPECT_TRUE(std::all_of(kKeyOrder.begin() + kKeyOrderLength, kKeyOrder.end(),
                          [](uint8_t k) { return k == kNoKey; }));
  EXPECT_EQ(kKeyOrder[13], 0);
  EXPECT_EQ(kKeyOrder[63], 65);
}

TEST(KeyboardEffectTables, RandomKeyListVisitsEveryPlaceOfTheLoopOnce) {
  std::set<int> places(kRandomKeyList.begin(), kRandomKeyList.end());
  EXPECT_EQ(places.size(), 64u);
  EXPECT_EQ(*places.rbegin(), 63);
}

TEST(KeyboardEffectTables, SnakePathRuns) {
  struct Case {
    int index;
    int key;
  } cases[] = {{0, 0},    {15, 15},   {16, 17},      {19, 20},      {20, 41}, {40, 21},
               {41, 42},  {60, 61},   {61, 119},     {62, 78},      {65, 75}, {66, kNoKey},
               {67, 74},  {78, 63},   {79, 84},      {80, kNoKey},  {81, 85}, {95, 99},
               {96, 118}, {109, 105}, {110, kNoKey}, {125, kNoKey}, {126, 0}, {169, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(kSnakePath[c.index], c.key) << "entry " << c.index;
  }
}

TEST(KeyboardEffectTables, RingsAndSweepTables) {
  EXPECT_EQ(kRings[0][0], 70);
  EXPECT_EQ(kRings[0][1], kEmptySlot);
  EXPECT_EQ(kRings[5][9], 100);
  EXPECT_EQ(kRings[9][4], 84);
  EXPECT_EQ(kRings[10][0], kEmptySlot);
  EXPECT_EQ(kSweepInRows[9][3], 91);
  EXPECT_EQ(kSweepInRows[15][0], kEmptySlot);
  EXPECT_EQ(kSweepPairs[0][0], kEmptySlot);
  EXPECT_EQ(kSweepPairs[13][1], 70);
  EXPECT_EQ(kSweepPattern[25][10], 52);
  EXPECT_EQ(kSweepPattern[25][11], kEmptySlot);
  EXPECT_EQ(kSweepPattern[51][8], 120);
  EXPECT_EQ(kTwinkleStartValues[13 * 6], 192);
  EXPECT_EQ(kTwinkleStartValues[22 * 6 + 5], 32);
}

TEST(KeyboardEffectTables, Curves) {
  EXPECT_EQ(kTwinkleCurve[0], 0);
  EXPECT_EQ(kTwinkleCurve[24], 255);
  EXPECT_EQ(kTwinkleCurve[87], 1);
  EXPECT_TRUE(std::all_of(kTwinkleCurve.begin() + 88, kTwinkleCurve.end(),
                          [](uint8_t v) { return v == 0; }));
  EXPECT_EQ(kWaveCurve[0], 22);
  EXPECT_EQ(kWaveCurve[47], 255);
  EXPECT_EQ(kWaveCurve[48], 255);
  EXPECT_EQ(kWaveCurve[95], 22);
}
