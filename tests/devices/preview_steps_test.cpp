// The preview steps against the lighting tables and the counter rule.
#include "devices/preview_steps.h"

#include <gtest/gtest.h>

#include "devices/lighting_tables.h"

namespace {

LightInfoRecord Info(uint8_t level, uint8_t speed, uint8_t direction, uint8_t multi,
                     uint8_t red = 10, uint8_t green = 20, uint8_t blue = 30) {
  LightInfoRecord info;
  info.Light = level;
  info.Speed = speed;
  info.Fx = direction;
  info.MultiColor = multi;
  info.Red = red;
  info.Green = green;
  info.Blue = blue;
  return info;
}

void ExpectEvery(const PreviewFrame& frame, PreviewColour want, const char* where) {
  for (size_t i = 0; i < frame.size(); ++i) EXPECT_EQ(frame[i], want) << where << " light " << i;
}

PreviewColour Of(const WheelColour& c, uint8_t brightness) {
  return {c.red, c.green, c.blue, brightness};
}

}  // namespace

TEST(CyclicCounter, RunsBothWays) {
  uint8_t up = 0;
  for (int i = 1; i < 5; ++i) up = AdvanceCyclic(up, 5, true);
  EXPECT_EQ(up, 4);
  EXPECT_EQ(AdvanceCyclic(up, 5, true), 0);
  // Downward from 0 the counter jumps to the top and then falls.
  EXPECT_EQ(AdvanceCyclic(0, 5, false), 4);
  EXPECT_EQ(AdvanceCyclic(4, 5, false), 3);
  EXPECT_EQ(AdvanceCyclic(1, 5, false), 0);
  // A value left over from a longer cycle starts the new one.
  EXPECT_EQ(AdvanceCyclic(150, 128, true), 0);
  EXPECT_EQ(AdvanceCyclic(150, 128, false), 127);
}

TEST(PreviewSteps, BreathingFollowsCurveAndLevel) {
  for (uint8_t level = 0; level <= 4; ++level) {
    for (uint8_t direction : {0, 1}) {
      PreviewFrame frame(3);
      EffectCounters counters;
      const LightInfoRecord info = Info(level, 0, direction, 0);
      uint8_t step = 0;
      for (int n = 0; n < 300; ++n) {
        StepBreathing(frame, info, counters, 0);
        step = direction ? static_cast<uint8_t>((step + 1) % 128)
                         : static_cast<uint8_t>(step == 0 ? 127 : step - 1);
        const uint8_t brightness =
            static_cast<uint8_t>(kBreathingCurve[step] * kBrightnessLevels[level] / 256);
        ExpectEvery(frame, {10, 20, 30, brightness}, "breathing");
        if (level == 0) ExpectEvery(frame, {10, 20, 30, 0}, "level 0");
      }
    }
  }
}

TEST(PreviewSteps, MulticolourBreathingMovesRoundTheWheelOnEachWrap) {
  PreviewFrame frame(2);
  EffectCounters counters;
  const LightInfoRecord info = Info(4, 0, 1, 1);
  uint8_t index = 0;
  for (int cycle = 0; cycle < 30; ++cycle) {
    for (int n = 0; n < 128; ++n) {
      StepBreathing(frame, info, counters, 0);
      if (n == 127) {  // the counter came back to 0
        index = static_cast<uint8_t>(index + 16);
        if (index > 192) index = 0;
      }
      ASSERT_EQ(frame[0].red, kColourWheel[index].red) << cycle << "/" << n;
      ASSERT_EQ(frame[1].blue, kColourWheel[index].blue);
    }
  }
}

TEST(PreviewSteps, FourColourBreathingAdvancesOnWrap) {
  PreviewFrame frame(1);
  EffectCounters counters;
  const LightInfoRecord info = Info(2, 0, 1, 0);
  for (int cycle = 0; cycle < 9; ++cycle) {
    for (int n = 0; n < 128; ++n) {
      StepBreathingFourColour(frame, info, counters, 0);
      const size_t index = static_cast<size_t>((cycle + (n == 127 ? 1 : 0)) % 4);
      const uint8_t step = static_cast<uint8_t>((n + 1) % 128);
      ASSERT_EQ(frame[0], Of(kFourColours[index], static_cast<uint8_t>(kBreathingCurve[step] *
                                                                       kBrightnessLevels[2] / 256)))
          << cycle << "/" << n;
    }
  }
}

TEST(PreviewSteps, StaticSpectrumAndOff) {
  PreviewFrame frame(4);
  EffectCounters counters;
  StepStatic(frame, Info(3, 0, 0, 0), counters, 0);
  ExpectEvery(frame, {10, 20, 30, kBrightnessLevels[3]}, "static");
  StepStatic(frame, Info(0, 0, 0, 0), counters, 0);
  ExpectEvery(frame, {10, 20, 30, 0}, "static level 0");

  EffectCounters spectrum;
  for (int n = 1; n <= 400; ++n) {
    StepSpectrum(frame, Info(1, 0, 1, 0), spectrum, 0);
    ExpectEvery(frame, Of(kColourWheel[static_cast<size_t>(n % 192)], kBrightnessLevels[1]),
                "spectrum");
  }
  EffectCounters down;
  StepSpectrum(frame, Info(1, 0, 0, 0), down, 0);
  ExpectEvery(frame, Of(kColourWheel[191], kBrightnessLevels[1]), "spectrum down");

  StepOff(frame, Info(4, 0, 0, 0), counters, 0);
  ExpectEvery(frame, {0, 0, 0, 0}, "off");
}

TEST(PreviewSteps, BlinkTogglesAtTheSpeedsInterval) {
  struct Case {
    uint8_t speed;
    uint64_t intervalMs;
  };
  for (const Case& c : {Case{4, 200}, Case{0, 1600}, Case{2, 800}}) {
    PreviewFrame frame(2);
    EffectCounters counters;
    const LightInfoRecord info = Info(4, c.speed, 0, 0);
    counters.lastToggleMs = 1000;
    std::vector<uint64_t> toggles;
    uint8_t on = 0;
    for (uint64_t now = 1000; now <= 1000 + 4 * c.intervalMs; now += 10) {
      StepBlink(frame, info, counters, now);
      if (counters.on != on) toggles.push_back(now);
      on = counters.on;
      ExpectEvery(frame, on ? PreviewColour{10, 20, 30, 255} : PreviewColour{0, 0, 0, 0}, "blink");
    }
    ASSERT_EQ(toggles.size(), 4u) << int(c.speed);
    for (size_t i = 0; i < toggles.size(); ++i)
      EXPECT_EQ(toggles[i], 1000 + (i + 1) * c.intervalMs) << int(c.speed);
  }
}

TEST(PreviewSteps, MulticolourBlinkAndFourColourBlinkChangeColourPerToggle) {
  PreviewFrame frame(1);
  EffectCounters counters;
  for (int toggle = 1; toggle <= 30; ++toggle) {
    StepBlink(frame, Info(4, 4, 0, 1), counters, static_cast<uint64_t>(toggle) * 200);
    const size_t step = static_cast<size_t>((toggle * 16) % 192);
    if (toggle % 2)
      ASSERT_EQ(frame[0], Of(kColourWheel[step], 255)) << toggle;
    else
      ASSERT_EQ(frame[0], (PreviewColour{0, 0, 0, 0}));
  }
  EffectCounters four;
  for (int toggle = 1; toggle <= 9; ++toggle) {
    StepBlinkFourColour(frame, Info(1, 4, 0, 0), four, static_cast<uint64_t>(toggle) * 200);
    if (toggle % 2)
      ASSERT_EQ(frame[0], Of(kFourColours[static_cast<size_t>(toggle % 4)], kBrightnessLevels[1]));
  }
}

TEST(ReactiveHelpers, DecayRulesPerMode) {
  struct Case {
    int mode;
    uint8_t from;
    uint8_t to;
  };
  const Case cases[] = {
      {0, 0x80, 0x80 - 40},
      {0, 0x40, 0x40 - 30},
      {0, 0x20, 0x20 - 15},
      {0, 17, 9},
      {0, 16, 15},
      {0, 0, 0},
      {29, 0x90, 0x90 - 45},
      {29, 0x10, 0x10 + 256 - 45},  // byte arithmetic wraps
      {29, 0x60, 0x60 - 35},
      {29, 5, 4},
      {7, 0x20, 0x20 - 10},
      {7, 0xFF, 0xFF - 40},
      {7, 17, 9},
      {7, 1, 0},
  };
  for (const Case& c : cases) {
    ReactiveBuffers buffers;
    buffers.keyBrightness[5] = c.from;
    EXPECT_EQ(DecayKeyBrightness(buffers, 5, c.mode), c.to) << c.mode << " " << int(c.from);
    EXPECT_EQ(buffers.keyBrightness[5], c.to);
  }
  ReactiveBuffers buffers;
  EXPECT_EQ(DecayKeyBrightness(buffers, -1, 0), 0);
  EXPECT_EQ(DecayKeyBrightness(buffers, kReactiveKeyCount, 0), 0);
}

TEST(ReactiveHelpers, ColumnsRotateLightAndClear) {
  ReactiveBuffers buffers;
  for (int i = 0; i < kColumnCount; ++i)
    buffers.columns[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
  RotateColumns(buffers, true);
  EXPECT_EQ(buffers.columns[0], kColumnCount);
  EXPECT_EQ(buffers.columns[1], 1);
  RotateColumns(buffers, false);
  RotateColumns(buffers, false);
  EXPECT_EQ(buffers.columns[0], 2);
  EXPECT_EQ(buffers.columns[kColumnCount - 1], 1);
  RotateColumns(buffers, true);
  // Only the first count columns take part; counts beyond 23 mean 23.
  RotateColumnRange(buffers, 4, true);
  EXPECT_EQ(buffers.columns[0], 4);
  EXPECT_EQ(buffers.columns[1], 1);
  EXPECT_EQ(buffers.columns[4], 5);
  RotateColumnRange(buffers, 4, false);
  RotateColumnRange(buffers, 99, true);
  EXPECT_EQ(buffers.columns[0], kColumnCount);

  ReactiveBuffers pressed;
  pressed.columns[2] = 1;
  pressed.columns[9] = 1;  // beyond the lit range
  LightPressedColumns(pressed);
  EXPECT_EQ(pressed.keyBrightness[2], 255);
  EXPECT_EQ(pressed.keyBrightness[9], 0);
  EXPECT_EQ(pressed.keyBrightness[0], 0);
  ClearReactiveBuffers(pressed);
  EXPECT_EQ(pressed.keyBrightness[2], 0);
  EXPECT_EQ(pressed.columns[2], 0);
}
