// The keyboard's effect table (effect and speed → step and threshold), the
// lighting pass built on it, the custom effect player and the per-light
// overlay.

#include <gtest/gtest.h>

#include "devices/custom_effect_player.h"
#include "devices/keyboard_effect_dispatch.h"
#include "devices/keyboard_effect_tables.h"
#include "devices/keyboard_lighting_runner.h"
#include "devices/light_overlay.h"
#include "devices/lighting_tables.h"
#include "tests/devices/fake_base_steps.h"

namespace {

TEST(KeyboardEffectSchedule, EffectTable) {
  using S = EffectSource;
  struct Case {
    int effect;
    int speed;
    EffectSource source;
    BaseStep step;
    int threshold;
  } cases[] = {
      {1, 0, S::Keyboard, BaseStep::Off, 10},
      {3, 4, S::Keyboard, BaseStep::Off, 1},
      {25, 2, S::Keyboard, BaseStep::Off, 5},
      {16, 0, S::Keyboard, BaseStep::Off, 3},
      {18, 4, S::Keyboard, BaseStep::Off, 3},
      {4, 1, S::Base, BaseStep::Spectrum, 8},
      {5, 3, S::Base, BaseStep::Breathing, 3},
      {6, 0, S::Base, BaseStep::Static, 10},
      {20, 2, S::Base, BaseStep::Off, 5},
      {23, 1, S::Base, BaseStep::Blink, 8},
      {26, 2, S::Base, BaseStep::BreathingFourColour, 5},
      {27, 3, S::Base, BaseStep::BlinkFourColour, 3},
      {29, 0, S::Keyboard, BaseStep::Off, 2},
      {29, 4, S::Keyboard, BaseStep::Off, 2},
      {30, 0, S::Keyboard, BaseStep::Off, 1},
      {30, 3, S::Keyboard, BaseStep::Off, 0},
      {1, 9, S::Keyboard, BaseStep::Off, 1},  // speeds past 4 count as 4
      {1, -2, S::Keyboard, BaseStep::Off, 10},
      {0, 0, S::CustomPlayer, BaseStep::Off, 0},
      {28, 2, S::CustomPlayer, BaseStep::Off, 0},
      {31, 2, S::CustomPlayer, BaseStep::Off, 0},
      {255, 0, S::CustomPlayer, BaseStep::Off, 0},
      {-1, 0, S::CustomPlayer, BaseStep::Off, 0},
  };
  for (const auto& c : cases) {
    const EffectSchedule schedule = KeyboardEffectSchedule(c.effect, c.speed);
    EXPECT_EQ(schedule.source, c.source) << c.effect << "/" << c.speed;
    if (c.source == S::Base) {
      EXPECT_EQ(schedule.baseStep, c.step) << c.effect;
    }
    EXPECT_EQ(schedule.threshold, c.threshold) << c.effect << "/" << c.speed;
  }
}

class LightingRunnerTest : public ::testing::Test {
 protected:
  LightingRunnerTest()
      : frame(170), effects(base), player(base), runner(effects, player, overlay) {}

  bool Pass(int ticks) {
    return runner.Pass(ticks, {frame, info, audio, counters, reactive, nowMs});
  }

  FakeBaseSteps base;
  PreviewFrame frame;
  LightInfoRecord info;
  AudioLightRecord audio;
  EffectCounters counters;
  ReactiveBuffers reactive;
  uint64_t nowMs = 0;
  CKeyboardEffects effects;
  CCustomEffectPlayer player;
  CLightOverlay overlay;
  CKeyboardLightingRunner runner;
};

TEST_F(LightingRunnerTest, StepRunsWhenTheThresholdIsReachedAndTellsHowLongToSleep) {
  info.SelectItem = 5;
  info.Speed = 1;  // threshold 8
  EXPECT_EQ(runner.TicksUntilNextStep(5, 1), 8);
  EXPECT_FALSE(Pass(3));
  EXPECT_EQ(runner.TicksUntilNextStep(5, 1), 5);
  EXPECT_EQ(runner.TicksUntilNextPass(5, 1), 5);
  EXPECT_FALSE(Pass(4));
  EXPECT_TRUE(base.calls.empty());
  EXPECT_TRUE(Pass(1));
  ASSERT_EQ(base.calls.size(), 1u);
  EXPECT_EQ(base.calls[0].step, BaseStep::Breathing);
  EXPECT_EQ(runner.TicksUntilNextStep(5, 1), 8);
  // A long sleep still runs the step only once.
  EXPECT_TRUE(Pass(1000));
  EXPECT_EQ(base.calls.size(), 2u);
  // Threshold 0 (software effect above speed 0): every tick.
  EXPECT_EQ(runner.TicksUntilNextStep(30, 2), 1);
}

TEST_F(LightingRunnerTest, EffectsWithoutARowPlayTheCustomEffectOnEveryPass) {
  info.SelectItem = 28;
  EXPECT_EQ(runner.TicksUntilNextStep(28, 0), 1);
  EXPECT_TRUE(Pass(1));  // empty list: off
  ASSERT_EQ(base.calls.size(), 1u);
  EXPECT_EQ(base.calls[0].step, BaseStep::Off);
}

TEST_F(LightingRunnerTest, AnimatedOverlayNeedsEveryTick) {
  EXPECT_EQ(runner.TicksUntilNextPass(1, 0), 10);
  LightModeRecord record;
  record.mode = 1;  // static: nothing moves
  overlay.Load({record});
  EXPECT_EQ(runner.TicksUntilNextPass(1, 0), 10);
  record.mode = 3;
  record.valid = 1;
  overlay.Load({record});
  EXPECT_EQ(runner.TicksUntilNextPass(1, 0), 1);
}

TEST_F(LightingRunnerTest, OverlayIsWrittenOverTheEffect) {
  info.SelectItem = 6;
  info.Speed = 4;
  LightModeRecord off;
  off.mode = 4;
  off.valid = 1;
  overlay.Load({off});
  Pass(1);
  EXPECT_EQ(frame[0], PreviewColour{});
  EXPECT_EQ(frame[1], base.marker);
}

// ------------------------------------------------------------ custom player

EffectStepRecord PlayerStep(int mode, int speed, int timeMs) {
  EffectStepRecord step;
  step.mode = static_cast<uint8_t>(mode);
  step.speed = static_cast<uint8_t>(speed);
  step.brightness = 4;
  step.red = 9;
  step.Time = timeMs;
  return step;
}

TEST(CustomEffectPlayer, StepsRenderAtTheirThresholdsAndAdvanceAfterTheirTime) {
  FakeBaseSteps base;
  CCustomEffectPlayer player(base);
  PreviewFrame frame(4);
  player.SetSteps({PlayerStep(1, 2, 100), PlayerStep(2, 0, 50), PlayerStep(5, 3, 30)});
  // Static at speed 2: rendered on every fourth call.
  for (uint64_t t = 0; t < 3; ++t) {
    player.Play(frame, t);
  }
  EXPECT_TRUE(base.calls.empty());
  player.Play(frame, 3);
  ASSERT_EQ(base.calls.size(), 1u);
  EXPECT_EQ(base.calls[0].step, BaseStep::Static);
  EXPECT_EQ(base.calls[0].info.Red, 9);
  EXPECT_EQ(base.calls[0].info.Speed, 2);
  EXPECT_EQ(player.StepIndex(), 0u);
  player.Play(frame, 99);
  EXPECT_EQ(player.StepIndex(), 0u);
  player.Play(frame, 100);
  EXPECT_EQ(player.StepIndex(), 1u);
  // Blink renders on every call.
  base.calls.clear();
  player.Play(frame, 120);
  player.Play(frame, 130);
  ASSERT_EQ(base.calls.size(), 2u);
  EXPECT_EQ(base.calls[1].step, BaseStep::Blink);
  player.Play(frame, 150);
  EXPECT_EQ(player.StepIndex(), 2u);
  player.Play(frame, 180);
  EXPECT_EQ(player.StepIndex(), 0u);  // back to the first after the last
}

TEST(CustomEffectPlayer, WaveAndSilentKinds) {
  FakeBaseSteps base;
  CCustomEffectPlayer player(base);
  PreviewFrame frame(3, PreviewColour{5, 5, 5, 5});
  auto wave = PlayerStep(4, 4, 1000);
  wave.direction = 1;
  wave.brightness = 2;
  player.SetSteps({wave});
  player.Play(frame, 0);
  for (int light = 0; light < 3; ++light) {
    EXPECT_EQ(frame[light].brightness, 135 * kWaveCurve[(1 + 12 * light) % 96] / 256) << light;
    EXPECT_EQ(frame[light].red, 9);
  }
  wave.multicolour = 1;
  player.SetSteps({wave});
  player.Play(frame, 0);
  EXPECT_EQ(frame[2].green, kColourWheel[25].green);
  EXPECT_EQ(frame[2].blue, kColourWheel[25].blue);

  PreviewFrame kept(2, PreviewColour{5, 5, 5, 5});
  player.SetSteps({PlayerStep(3, 4, 10), PlayerStep(7, 4, 10)});
  player.Play(kept, 0);
  player.Play(kept, 20);
  EXPECT_EQ(kept[0], (PreviewColour{5, 5, 5, 5}));
  EXPECT_TRUE(base.calls.empty());
}

// ------------------------------------------------------------ overlay

LightModeRecord Overlay(int mode, int speed, int brightness, bool valid = true) {
  LightModeRecord record;
  record.mode = static_cast<uint8_t>(mode);
  record.speed = static_cast<uint8_t>(speed);
  record.brightness = static_cast<uint8_t>(brightness);
  record.red = 200;
  record.green = 100;
  record.blue = 50;
  record.valid = valid ? 1 : 0;
  return record;
}

TEST(LightOverlay, EachModeOverTheRunningEffect) {
  CLightOverlay overlay;
  overlay.Load({Overlay(0, 2, 4), Overlay(0, 0, 4, false), Overlay(1, 0, 1), Overlay(3, 3, 3),
                Overlay(2, 4, 4), Overlay(4, 0, 4)});
  const PreviewColour effect{9, 9, 9, 9};
  PreviewFrame frame(7, effect);
  overlay.Apply(frame, 0);
  // Breathing: phase 0 + speed 2 + 4, at level 255.
  EXPECT_EQ(frame[0],
            (PreviewColour{200, 100, 50, static_cast<uint8_t>(kBreathingCurve[6] * 255 / 256)}));
  EXPECT_EQ(frame[1], effect);  // a missing record leaves the effect
  EXPECT_EQ(frame[2], (PreviewColour{200, 100, 50, 80}));
  // Colour cycle at speed 3: threshold 2, not reached on the first pass.
  EXPECT_EQ(frame[3],
            (PreviewColour{kColourWheel[0].red, kColourWheel[0].green, kColourWheel[0].blue, 195}));
  // Blink: off until the first interval (200 ms at speed 4) has passed.
  EXPECT_EQ(frame[4], PreviewColour{});
  EXPECT_EQ(frame[5], PreviewColour{});
  EXPECT_EQ(frame[6], effect);  // beyond the list

  overlay.Apply(frame, 100);
  EXPECT_EQ(frame[3].red, kColourWheel[1].red);
  EXPECT_EQ(frame[3].green, kColourWheel[1].green);
  EXPECT_EQ(frame[4], PreviewColour{});  // 200 ms not yet passed
  overlay.Apply(frame, 200);
  EXPECT_EQ(frame[4], (PreviewColour{200, 100, 50, 255}));
  overlay.Apply(frame, 399);
  EXPECT_EQ(frame[4], (PreviewColour{200, 100, 50, 255}));
  overlay.Apply(frame, 400);
  EXPECT_EQ(frame[4], PreviewColour{});
}

TEST(LightOverlay, BreathingWrapsAndAdvancesItsHue) {
  CLightOverlay overlay;
  auto record = Overlay(0, 4, 4);
  record.multicolour = 1;
  overlay.Load({record});
  PreviewFrame frame(1);
  for (int pass = 0; pass < 16; ++pass) {  // 16 × 8 = 128: wraps on the 16th
    overlay.Apply(frame, 0);
  }
  EXPECT_EQ(frame[0],
            (PreviewColour{kColourWheel[1].red, kColourWheel[1].green, kColourWheel[1].blue, 0}));
}

}  // namespace
