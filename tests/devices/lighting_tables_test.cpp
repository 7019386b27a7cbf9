// The preview's fixed tables, checked at the points where a transcription or
// construction slip shows: segment joins, the curve's turn and the wheel's
// repeat.

#include <gtest/gtest.h>

#include "devices/lighting_tables.h"

TEST(LightingTables, BreathingCurveRisesThenFallsBackSymmetrically) {
  EXPECT_EQ(kBreathingCurve[0], 0);
  EXPECT_EQ(kBreathingCurve[10], 10);
  EXPECT_EQ(kBreathingCurve[11], 12);
  EXPECT_EQ(kBreathingCurve[63], 255);
  EXPECT_EQ(kBreathingCurve[64], 255);
  EXPECT_EQ(kBreathingCurve[127], 0);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(kBreathingCurve[i], kBreathingCurve[127 - i]) << i;
    if (i > 0) {
      EXPECT_GT(kBreathingCurve[i], kBreathingCurve[i - 1]) << i;
    }
  }
}

TEST(LightingTables, ColourWheelSegmentsAndRepeat) {
  struct Case {
    int index;
    WheelColour colour;
  } cases[] = {
      {0, {255, 1, 0}},     {31, {255, 255, 0}},  {32, {248, 255, 0}}, {63, {0, 255, 0}},
      {64, {0, 255, 1}},    {101, {0, 182, 255}}, {128, {1, 0, 255}},  {159, {255, 0, 255}},
      {160, {255, 0, 248}}, {191, {255, 0, 0}},   {192, {255, 1, 0}},  {255, {0, 255, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(kColourWheel[c.index], c.colour) << c.index;
}

TEST(LightingTables, SmallTables) {
  EXPECT_EQ(kBrightnessLevels, (std::array<uint8_t, 5>{0, 80, 135, 195, 255}));
  EXPECT_EQ(kBlinkIntervals, (std::array<uint8_t, 5>{8, 6, 4, 2, 1}));
  EXPECT_EQ(kFourColours[0], (WheelColour{0, 255, 180}));
  EXPECT_EQ(kFourColours[3], (WheelColour{255, 0, 0}));
}
