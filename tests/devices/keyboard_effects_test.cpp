// The keyboard's preview effects, stepped and checked against values worked
// out from the effect tables (grid, key order, rings, curves, colour wheel).

#include "devices/keyboard_effects.h"

#include <gtest/gtest.h>

#include <deque>

#include "devices/keyboard_effect_tables.h"
#include "devices/lighting_tables.h"
#include "tests/devices/fake_base_steps.h"

namespace {

PreviewColour Shown(WheelColour colour, int brightness) {
  return {colour.red, colour.green, colour.blue, static_cast<uint8_t>(brightness)};
}

class KeyboardEffectsTest : public ::testing::Test {
 protected:
  KeyboardEffectsTest() : frame(170), effects(base, [this] { return NextRandom(); }) {
    info.Light = 4;  // level 255
    info.Red = 10;
    info.Green = 20;
    info.Blue = 30;
  }

  uint32_t NextRandom() {
    if (randoms.empty()) {
      return 0;
    }
    const uint32_t value = randoms.front();
    randoms.pop_front();
    return value;
  }

  void Start(int effect) { effects.StartEffect(effect, counters, reactive); }
  bool Step(int effect) {
    return effects.RunStep(effect, {frame, info, audio, counters, reactive, nowMs});
  }
  void Spectrum(const std::array<int32_t, 25>& samples, int effect = 29) {
    effects.OnAudioSpectrum(samples.data(), 25, effect, audio, info, reactive);
  }
  int Level() const { return kBrightnessLevels[info.Light]; }
  WheelColour Lighting() const { return {info.Red, info.Green, info.Blue}; }

  FakeBaseSteps base;
  std::deque<uint32_t> randoms;
  PreviewFrame frame;
  LightInfoRecord info;
  AudioLightRecord audio;
  EffectCounters counters;
  ReactiveBuffers reactive;
  uint64_t nowMs = 0;
  CKeyboardEffects effects;
};

// ------------------------------------------------------------ colour patterns

TEST_F(KeyboardEffectsTest, ColumnWaveMulticolourMovesUpTheWheelByColumn) {
  info.MultiColor = 1;
  info.Fx = 1;
  Start(1);
  ASSERT_TRUE(Step(1));
  EXPECT_EQ(counters.step, 1);
  for (int c = 0; c < 14; ++c) {
    for (int r = 0; r < 5; ++r) {
      const uint8_t key = kKeyGrid[c][r];
      if (key != kNoKey) {
        EXPECT_EQ(frame[key], Shown(kColourWheel[(2 + 7 * c) % 192], Level())) << int(key);
      }
    }
  }
}

TEST_F(KeyboardEffectsTest, ColumnWaveSingleColourRunsDownTheWaveCurve) {
  info.Light = 2;
  Start(1);
  Step(1);
  EXPECT_EQ(counters.step, 95);  // downward from 0 wraps to the limit − 1
  for (int c : {0, 5, 13}) {
    EXPECT_EQ(frame[kKeyGrid[c][0]],
              Shown(Lighting(), Level() * kWaveCurve[(96 + 7 * c) % 96] / 256))
        << c;
  }
}

TEST_F(KeyboardEffectsTest, ColourSweepSingleColourUsesTwinkleCurve) {
  info.Fx = 1;
  Start(2);
  Step(2);
  EXPECT_EQ(frame[kKeyGrid[3][1]], Shown(Lighting(), Level() * kTwinkleCurve[1 + 21] / 256));
}

TEST_F(KeyboardEffectsTest, LoopRainbowAdvancesFivePerKeyOfTheLoop) {
  info.MultiColor = 1;
  info.Fx = 1;
  Start(3);
  Step(3);
  for (int i = 0; i < kKeyOrderLength; ++i) {
    EXPECT_EQ(frame[kKeyOrder[i]], Shown(kColourWheel[(1 + 5 * i) % 192], Level())) << i;
  }
}

TEST_F(KeyboardEffectsTest, RowRainbowAndRings) {
  info.Fx = 1;
  Start(12);
  Step(12);
  EXPECT_EQ(frame[105], Shown(kColourWheel[(2 + 24 * 4) % 192], Level()));
  EXPECT_EQ(frame[34], Shown(kColourWheel[2], Level()));

  Start(18);
  Step(18);
  EXPECT_EQ(frame[70], Shown(kColourWheel[1 + 7], Level()));
  EXPECT_EQ(frame[69], Shown(kColourWheel[1 + 14], Level()));
  EXPECT_EQ(frame[84], Shown(kColourWheel[1 + 70], Level()));
}

TEST_F(KeyboardEffectsTest, PerKeyRainbowInitialiserSpreadsHues) {
  Start(11);
  struct Case {
    int key;
    int hue;
  } cases[] = {{0, 33}, {1, 66}, {5, 6}, {63, 192}, {64, 33}};
  for (const auto& c : cases) {
    EXPECT_EQ(effects.KeyHue(c.key), c.hue) << c.key;
  }
  Step(11);
  EXPECT_EQ(frame[0], Shown(kColourWheel[34], Level()));
  EXPECT_EQ(frame[63], Shown(kColourWheel[1], Level()));  // 192 + 1 wraps to 1
}

TEST_F(KeyboardEffectsTest, FixedHueByAlternateMode) {
  struct Case {
    int mode;
    int entry;
  } cases[] = {{0, 174}, {1, 25}, {2, 70}, {3, 95}, {9, 174}};
  for (const auto& c : cases) {
    info.ZZCCLedMode = static_cast<uint8_t>(c.mode);
    Step(17);
    for (int light : {0, 77, 169}) {
      EXPECT_EQ(frame[light], Shown(kColourWheel[c.entry], Level())) << c.mode;
    }
  }
}

TEST_F(KeyboardEffectsTest, CustomColoursOnlySetTheBrightness) {
  info.Light = 1;
  frame[5] = {7, 8, 9, 200};
  Step(19);
  EXPECT_EQ(frame[5], (PreviewColour{7, 8, 9, 80}));
}

TEST_F(KeyboardEffectsTest, SoftwareColourShowsTheFirstThreeAudioLevels) {
  const int32_t levels[6] = {200, 100, 300, 9, 9, 9};
  effects.OnAudioLevels(levels, 6);
  info.Light = 3;
  Step(30);
  EXPECT_EQ(frame[0], (PreviewColour{200, 100, 255, 195}));
  EXPECT_EQ(frame[169], (PreviewColour{200, 100, 255, 195}));
}

// ------------------------------------------------------------ twinkle

TEST_F(KeyboardEffectsTest, TwinkleSingleColourFollowsTheCurveFromEachCellsStart) {
  Start(22);
  Step(22);
  // Key 0 sits in column 0, row 0 (start 72); key 34 in column 13, row 0
  // (start 192, which restarts at once with a new hue).
  EXPECT_EQ(effects.KeyCounter(0), 73);
  EXPECT_EQ(frame[0], Shown(Lighting(), Level() * kTwinkleCurve[73] / 256));
  EXPECT_EQ(effects.KeyCounter(34), 0);
  EXPECT_EQ(frame[34], Shown(Lighting(), 0));
  for (int i = 0; i < kKeyOrderLength; ++i) {
    const PreviewColour& light = frame[kKeyOrder[i]];
    EXPECT_EQ(Shown(Lighting(), light.brightness), light) << i;
  }
}

TEST_F(KeyboardEffectsTest, FastTwinkleAdvancesByTwoAndTakesARandomHueOnRestart) {
  info.MultiColor = 1;
  Start(15);
  EXPECT_EQ(effects.KeyHue(kKeyGrid[4][2]), 28);  // 7 × column
  randoms = {100};
  Step(15);
  EXPECT_EQ(effects.KeyCounter(34), 0);
  EXPECT_EQ(effects.KeyHue(34), 100);
  const uint8_t key = kKeyGrid[6][2];  // start 0
  EXPECT_EQ(effects.KeyCounter(key), 2);
  EXPECT_EQ(frame[key], Shown(kColourWheel[42], Level() * kTwinkleCurve[2] / 256));
}

// ------------------------------------------------------------ reactive effects

TEST_F(KeyboardEffectsTest, ReactivePulseRisesWhilePressedAndFadesAfterRelease) {
  std::array<uint8_t, 256> map;
  map.fill(kNoKey);
  map[0x12] = 70;
  effects.SetKeyPositionMap(map);
  info.MultiColor = 1;
  Start(7);
  randoms = {400};
  effects.OnKeyEvent(0x12, 1, 7, info, reactive);
  EXPECT_EQ(effects.KeyPhase(70), 1);
  EXPECT_EQ(effects.KeyHue(70), 400 % 192);
  Step(7);
  EXPECT_EQ(frame[70], Shown(kColourWheel[400 % 192], Level() * 255 / 256));
  effects.OnKeyEvent(0x12, 2, 7, info, reactive);
  EXPECT_EQ(effects.KeyPhase(70), 2);
  Step(7);
  Step(7);
  EXPECT_EQ(reactive.keyBrightness[70], 245);
}

TEST_F(KeyboardEffectsTest, KeyEventForAnUnmappedPositionChangesNothing) {
  std::array<uint8_t, 256> map;
  map.fill(kNoKey);
  map[3] = 70;
  effects.SetKeyPositionMap(map);
  Start(7);
  const auto before = reactive.keyBrightness;
  effects.OnKeyEvent(4, 1, 7, info, reactive);
  effects.OnKeyEvent(-1, 1, 7, info, reactive);
  effects.OnKeyEvent(400, 1, 7, info, reactive);
  EXPECT_EQ(reactive.keyBrightness, before);
  for (int key = 0; key < 170; ++key) {
    EXPECT_EQ(effects.KeyPhase(key), 0);
  }
}

TEST_F(KeyboardEffectsTest, RipplePressSpreadsDiagonallyFromTheKeysCell) {
  Start(8);
  effects.DispatchKeyEvent(70, 1, 8, info, reactive);  // column 7, row 2
  for (auto mask : {CKeyboardEffects::kMaskA, CKeyboardEffects::kMaskB, CKeyboardEffects::kMaskC,
                    CKeyboardEffects::kMaskD}) {
    EXPECT_EQ(effects.MaskColumn(mask, 7), 1 << 2);
  }
  effects.DispatchKeyEvent(71, 2, 8, info, reactive);  // releases do not seed
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 8), 0);

  Step(8);
  EXPECT_EQ(reactive.keyBrightness[70], FakeBaseSteps::Decay(255, 8));
  EXPECT_EQ(frame[70], Shown(Lighting(), Level() * FakeBaseSteps::Decay(255, 8) / 256));
  Step(8);
  // One column to each side, one row up or down.
  for (int key : {kKeyGrid[6][1], kKeyGrid[6][3], kKeyGrid[8][1], kKeyGrid[8][3]}) {
    EXPECT_EQ(reactive.keyBrightness[key], FakeBaseSteps::Decay(255, 8)) << key;
  }
  EXPECT_EQ(reactive.keyBrightness[70], FakeBaseSteps::Decay(FakeBaseSteps::Decay(255, 8), 8));
}

TEST_F(KeyboardEffectsTest, RippleTrailKeepsOnlyTheRowMovingRight) {
  Start(9);
  effects.DispatchKeyEvent(70, 1, 9, info, reactive);
  Step(9);
  Step(9);
  EXPECT_EQ(reactive.keyBrightness[71], FakeBaseSteps::Decay(255, 9));
  EXPECT_EQ(reactive.keyBrightness[69], 0);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 6), 0);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskB, 9), 1 << 2);
}

TEST_F(KeyboardEffectsTest, SplashPressLightsNeighboursByDistanceAndReleaseRespectsHeldKeys) {
  Start(25);
  effects.DispatchKeyEvent(70, 1, 25, info, reactive);  // column 7, row 2
  struct Case {
    int key;
    int brightness;
  } pressed[] = {{70, 255}, {49, 150}, {90, 150}, {69, 150}, {71, 150}, {28, 90}, {48, 90},
                 {89, 90},  {50, 90},  {91, 90},  {68, 60},  {72, 60},  {0, 0},   {29, 0}};
  for (const auto& c : pressed) {
    EXPECT_EQ(reactive.keyBrightness[c.key], c.brightness) << c.key;
    EXPECT_EQ(effects.KeyPhase(c.key), c.brightness ? 1 : 0) << c.key;
  }
  effects.DispatchKeyEvent(72, 1, 25, info, reactive);  // column 9, row 2
  effects.DispatchKeyEvent(70, 2, 25, info, reactive);
  // Key 72 is still down: cells within its neighbourhood stay.
  EXPECT_EQ(effects.KeyPhase(70), 1);  // 72 is a far cell of 70
  EXPECT_EQ(effects.KeyPhase(71), 1);  // near 72
  EXPECT_EQ(effects.KeyPhase(49), 2);  // (7,1): not near 72
  EXPECT_EQ(reactive.keyBrightness[49], 150 - 15);
  EXPECT_EQ(effects.KeyPhase(48), 2);
  EXPECT_EQ(reactive.keyBrightness[48], 0);  // 90 − 90
  Step(25);
  EXPECT_EQ(reactive.keyBrightness[49], 130);
  EXPECT_EQ(reactive.keyBrightness[72], 255);
}

TEST_F(KeyboardEffectsTest, RainDropsKeysFromTheRandomListAndFades) {
  info.MultiColor = 1;
  Start(10);
  // First drop: place 5 of the list (7) → key order entry 7 (key 27), hue 50.
  // Second: a place past the list's 64 entries reads 0 → key 34, hue 60.
  // The other four draw 0: place 0 of the list (37) → key 45, hue 0.
  randoms = {5, 50, 100, 60};
  Step(10);
  EXPECT_EQ(effects.KeyHue(27), 50);
  EXPECT_EQ(effects.KeyHue(34), 60);
  EXPECT_EQ(reactive.keyBrightness[34], FakeBaseSteps::Decay(255, 10));
  EXPECT_EQ(reactive.keyBrightness[45], FakeBaseSteps::Decay(255, 10));
  EXPECT_EQ(reactive.keyBrightness[33], 0);
  EXPECT_EQ(reactive.keyBrightness[27], FakeBaseSteps::Decay(255, 10));
  EXPECT_EQ(frame[27], Shown(kColourWheel[50], Level() * FakeBaseSteps::Decay(255, 10) / 256));
}

TEST_F(KeyboardEffectsTest, SnakeFollowsItsPathBothWays) {
  info.Fx = 1;
  Start(21);
  for (int i = 0; i < 17; ++i) {
    Step(21);
  }
  EXPECT_EQ(counters.step, 17);
  // Key 0 (entry 0) has faded on each of the 16 later steps; entry 16 is key 17.
  uint8_t faded = 254;
  for (int i = 0; i < 17; ++i) {
    faded = FakeBaseSteps::Decay(faded, 21);
  }
  EXPECT_EQ(reactive.keyBrightness[0], faded);
  // Path entry 13 (key 13) is not in the loop, so its brightness is left.
  EXPECT_EQ(reactive.keyBrightness[13], 254);

  info.Fx = 0;
  Start(21);
  Step(21);
  EXPECT_EQ(counters.step, 169);
  Step(21);
  EXPECT_EQ(counters.step, 168);
  EXPECT_EQ(reactive.keyBrightness[0], FakeBaseSteps::Decay(254, 21));
}

TEST_F(KeyboardEffectsTest, SweepLightsPatternRowsAndShiftsTheirHue) {
  info.MultiColor = 1;
  info.Fx = 1;
  Start(24);
  Step(24);
  // Row 1 of the pattern holds key 0.
  EXPECT_EQ(reactive.keyBrightness[0], 250);
  EXPECT_EQ(effects.KeyHue(0), 3);
  EXPECT_EQ(frame[0], Shown(kColourWheel[3], Level()));
  info.MultiColor = 0;
  Step(24);
  EXPECT_EQ(frame[0], Shown(Lighting(), Level() * 245 / 256));
}

// ------------------------------------------------------------ mask effects

TEST_F(KeyboardEffectsTest, TwoWaySweepShiftsOnEverySecondStep) {
  Start(13);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 9), 0x40);
  Step(13);
  EXPECT_EQ(effects.PassCounter(), 1);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 8), 0x20);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskB, 10), 0x20);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskC, 10), 0x80);
  Step(13);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 8), 0x20);  // no shift on this step
}

TEST_F(KeyboardEffectsTest, BounceReseedsColumnOne) {
  Start(16);
  Step(16);
  // Key 43 (column 1, row 0) lit by the seed, then faded once.
  EXPECT_EQ(reactive.keyBrightness[22], FakeBaseSteps::Decay(255, 16));
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskD, 0), 0x02);
}

TEST_F(KeyboardEffectsTest, ConvergingSweepRunsItsPhasesAndStartsAgain) {
  Start(14);
  Step(14);
  EXPECT_EQ(reactive.keyBrightness[0], FakeBaseSteps::Decay(255, 14));  // sweep-in row 0
  for (int i = 1; i < 20; ++i) {
    Step(14);
  }
  EXPECT_EQ(effects.PassCounter(), 1);
  EXPECT_EQ(counters.step, 0);
  Step(14);  // pair 0 is empty
  Step(14);  // pair 1: keys 48 and 92
  EXPECT_EQ(reactive.keyBrightness[48], FakeBaseSteps::Decay(255, 14));
  EXPECT_EQ(reactive.keyBrightness[92], FakeBaseSteps::Decay(255, 14));
  int guard = 0;
  while (effects.PassCounter() == 1 && guard++ < 200) {
    Step(14);
  }
  EXPECT_EQ(effects.PassCounter(), 2);
  EXPECT_EQ(reactive.keyBrightness[72], 0);
  Step(14);
  EXPECT_EQ(effects.PassCounter(), 3);
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 10), 1 << 1);  // key 52: column 10, row 1
  guard = 0;
  while (effects.PassCounter() == 3 && guard++ < 200) {
    Step(14);
  }
  EXPECT_EQ(effects.PassCounter(), 0);
  EXPECT_EQ(counters.step, 0);
}

// ------------------------------------------------------------ base steps

TEST_F(KeyboardEffectsTest, SharedEffectsRunTheBaseSteps) {
  struct Case {
    int effect;
    BaseStep step;
  } cases[] = {{4, BaseStep::Spectrum},        {5, BaseStep::Breathing},
               {6, BaseStep::Static},          {20, BaseStep::Off},
               {23, BaseStep::Blink},          {26, BaseStep::BreathingFourColour},
               {27, BaseStep::BlinkFourColour}};
  nowMs = 1234;
  for (const auto& c : cases) {
    base.calls.clear();
    ASSERT_TRUE(Step(c.effect));
    ASSERT_EQ(base.calls.size(), 1u) << c.effect;
    EXPECT_EQ(base.calls[0].step, c.step) << c.effect;
    EXPECT_EQ(base.calls[0].nowMs, 1234u);
    EXPECT_EQ(frame[0], base.marker);
  }
  base.calls.clear();
  frame[0] = {};
  for (int effect : {0, 28, 31, 255, -3}) {
    EXPECT_FALSE(Step(effect)) << effect;
  }
  EXPECT_TRUE(base.calls.empty());
  EXPECT_EQ(frame[0], PreviewColour{});
}

// ------------------------------------------------------------ music

std::array<int32_t, 25> Samples(int32_t value) {
  std::array<int32_t, 25> samples;
  samples.fill(value);
  return samples;
}

TEST_F(KeyboardEffectsTest, MusicVerticalBarsGrowWithLoudness) {
  audio = {0, 1, 2, 3, 200, 150, 100, 0, 0};
  Start(29);
  auto samples = Samples(0);
  samples[0] = 2000;  // v = 0, height 1: rows 1 to 5 lit
  samples[2] = 1000;  // v = 300, height 4: row 4 lit
  Spectrum(samples);
  Step(29);
  const PreviewColour fg = Shown({200, 150, 100}, Level() * 255 / 256);
  const PreviewColour bg = Shown({1, 2, 3}, Level());
  for (int key : {42, 63, 84, 105, 107}) {
    EXPECT_EQ(frame[key], fg) << key;
  }
  EXPECT_EQ(effects.KeyHue(42), (counters.step + 10) % 192);
  for (int key : {0, 22, 43, 23, 85}) {
    EXPECT_EQ(frame[key], bg) << key;
  }
  // The store is emptied by the step: a step without input lets the bars
  // fade, from the top down.
  Step(29);
  EXPECT_EQ(reactive.keyBrightness[42], FakeBaseSteps::Decay(255, 29));
  EXPECT_EQ(reactive.keyBrightness[63], 255);
}

TEST_F(KeyboardEffectsTest, MusicSevenColourUsesTheWheel) {
  audio.SevenColorFlags = 1;
  Start(29);
  Spectrum(Samples(2000));
  Step(29);
  EXPECT_EQ(frame[42], Shown(kColourWheel[(counters.step + 10) % 192], Level() * 255 / 256));
}

TEST_F(KeyboardEffectsTest, MusicRippleIsSeededByLoudInput) {
  audio.AudioMode = 2;
  Start(29);
  Spectrum(Samples(2000));  // score 25 per packet
  Spectrum(Samples(2000));
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 9), 0);
  Spectrum(Samples(2000));  // 75 reaches 71: ripple at key 51 (column 9, row 1)
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 9), 1 << 1);
  Spectrum(Samples(0));  // quiet input scores nothing
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 9), 1 << 1);
  Step(29);
  EXPECT_EQ(reactive.keyBrightness[51], FakeBaseSteps::Decay(255, 29));

  // Other effects or modes only store the samples.
  effects.ClearAudioBuffers();
  Start(8);
  for (int i = 0; i < 4; ++i) {
    Spectrum(Samples(2000), 8);
  }
  EXPECT_EQ(effects.MaskColumn(CKeyboardEffects::kMaskA, 9), 0);
}

TEST_F(KeyboardEffectsTest, MusicRingsLightAllRingsWhenLoudAndNoneWhenQuiet) {
  audio.AudioMode = 3;
  info.Fx = 1;
  Start(29);
  Spectrum(Samples(2000));  // average v 0: limit 0, every ring lit, step stays
  Step(29);
  EXPECT_EQ(counters.step, 0);
  EXPECT_EQ(frame[70], Shown(kColourWheel[9], Level() * 255 / 256));
  EXPECT_EQ(frame[0], Shown(kColourWheel[90], Level() * 255 / 256));
  Step(29);  // no input: v 600, limit 20, nothing lit, step + 20
  EXPECT_EQ(counters.step, 20);
  EXPECT_EQ(reactive.keyBrightness[70], FakeBaseSteps::Decay(255, 0));
  EXPECT_EQ(frame[70], Shown(kColourWheel[9], Level() * FakeBaseSteps::Decay(255, 0) / 256));
}

TEST_F(KeyboardEffectsTest, MusicDroppingBarsWaitForTheColumnToGoDark) {
  audio.AudioMode = 4;
  Start(29);
  auto samples = Samples(0);
  samples[1] = 2000;  // column 0 follows sample 1
  Spectrum(samples);
  Step(29);
  EXPECT_EQ(reactive.keyBrightness[105], 255);
  EXPECT_EQ(reactive.keyBrightness[42], 255);
  EXPECT_EQ(reactive.keyBrightness[0], 0);
  // Still loud, but the column is held until its lowest key has gone dark.
  Spectrum(samples);
  Step(29);
  EXPECT_EQ(reactive.keyBrightness[42], FakeBaseSteps::Decay(255, 29));
  int guard = 0;
  while (reactive.keyBrightness[105] >= 10 && guard++ < 400) {
    Spectrum(samples);
    Step(29);
  }
  Spectrum(samples);
  Step(29);
  EXPECT_EQ(reactive.keyBrightness[42], 255);
}

TEST_F(KeyboardEffectsTest, MusicRowBarsFromBands) {
  audio.AudioMode = 5;
  Start(29);
  auto samples = Samples(0);
  // Band 5 (samples 17 to 23) drives row 0: 7 × 2000 ÷ 3 is beyond full
  // scale, so v = 500 and the bar reaches column 23 − (500 × 23 + 2300) ÷ 600 = 0.
  for (int i = 17; i < 24; ++i) {
    samples[i] = 2000;
  }
  // Band 0 (samples 0, 1) drives row 5 (no keys); band 4 (12 to 16) row 1.
  for (int i = 12; i < 17; ++i) {
    samples[i] = 300;  // sum ÷ 3 = 500, v = 450, L = 23 − 21 = 2
  }
  Spectrum(samples);
  Step(29);
  EXPECT_EQ(reactive.keyBrightness[0], 255);
  EXPECT_EQ(reactive.keyBrightness[22], 0);
  EXPECT_EQ(reactive.keyBrightness[42], 255);
  EXPECT_EQ(reactive.keyBrightness[43], 255);
  EXPECT_EQ(reactive.keyBrightness[44], 255);
  EXPECT_EQ(reactive.keyBrightness[45], 0);
}

TEST_F(KeyboardEffectsTest, MusicAlternatingRowsLightFromOppositeEnds) {
  audio.AudioMode = 6;
  Start(29);
  Step(29);  // quiet: v 600, L = 23: odd rows lit in columns 0 to 0, even rows none
  EXPECT_EQ(reactive.keyBrightness[42], 255);  // row 1, column 0
  EXPECT_EQ(reactive.keyBrightness[43], 0);
  EXPECT_EQ(reactive.keyBrightness[0], 0);     // row 0
  EXPECT_EQ(reactive.keyBrightness[84], 255);  // row 3, column 0
}

TEST_F(KeyboardEffectsTest, MusicMirroredRowsLightFromTheMiddleOut) {
  audio.AudioMode = 1;
  Start(29);
  Spectrum(Samples(2000));  // v 0: lengths 2; left columns 2 to 8, right 9 to 19
  Step(29);
  EXPECT_EQ(reactive.keyBrightness[kKeyGrid[1][0]], 0);
  EXPECT_EQ(reactive.keyBrightness[kKeyGrid[2][0]], 255);
  EXPECT_EQ(reactive.keyBrightness[kKeyGrid[13][0]], 255);
}

TEST_F(KeyboardEffectsTest, ShortOrMissingAudioInputIsSafe) {
  Start(29);
  const int32_t few[3] = {2000, 2000, 2000};
  effects.OnAudioSpectrum(few, 3, 29, audio, info, reactive);
  effects.OnAudioSpectrum(nullptr, 25, 29, audio, info, reactive);
  effects.OnAudioLevels(nullptr, 6);
  const int32_t huge[25] = {INT32_MAX, -5};
  effects.OnAudioSpectrum(huge, 25, 29, audio, info, reactive);
  for (int mode = 0; mode <= 7; ++mode) {
    audio.AudioMode = static_cast<uint8_t>(mode);
    effects.OnAudioSpectrum(huge, 25, 29, audio, info, reactive);
    Step(29);
  }
  SUCCEED();
}

TEST_F(KeyboardEffectsTest, EveryEffectStaysInsideASmallerFrame) {
  info.MultiColor = 1;
  for (int lights : {0, 10}) {
    frame.assign(lights, PreviewColour{});
    for (int effect = 0; effect <= 31; ++effect) {
      Start(effect);
      effects.DispatchKeyEvent(70, 1, effect, info, reactive);
      Spectrum(Samples(2000));
      for (int i = 0; i < 3; ++i) {
        Step(effect);
      }
    }
    EXPECT_EQ(frame.size(), static_cast<size_t>(lights));
  }
}

}  // namespace
