// Synchronised lighting: the mode table per device kind, the effect steps,
// and the thread that shows the effect only while some device is paused.

#include "devices/sync_lighting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "devices/lighting_tables.h"
#include "devices/usb_device_core.h"

namespace {

TEST(SyncLightingModes, EachKindMapsItsModesToTheCommonEffects) {
  struct Case {
    int kind;
    int modes[5];
  };
  for (const Case& c : {Case{1, {5, 6, 23, 4, 20}}, Case{2, {2, 3, 4, 1, 9}},
                        Case{3, {2, 3, 4, 1, 8}}, Case{7, {2, 3, 4, 1, 8}}}) {
    for (int effect = 0; effect < 5; ++effect) {
      EXPECT_EQ(SyncEffectOfMode(c.kind, c.modes[effect]), effect) << c.kind;
      EXPECT_EQ(SyncModeOfEffect(c.kind, effect), c.modes[effect]) << c.kind;
    }
  }
  EXPECT_EQ(SyncEffectOfMode(1, 7), -1);  // a keyboard mode without a common effect
  EXPECT_EQ(SyncEffectOfMode(5, 2), -1);  // an unknown kind
  EXPECT_EQ(SyncModeOfEffect(2, 5), -1);
}

TEST(SyncLightingModes, FastSpeedsStepOnEveryPass) {
  EXPECT_EQ(SyncStepInterval(0), 28);
  EXPECT_EQ(SyncStepInterval(4), 7);
  EXPECT_EQ(SyncStepInterval(5), 0);
  EXPECT_EQ(SyncStepInterval(14), 0);
}

uint8_t Brightness(uint32_t packed) { return static_cast<uint8_t>(packed >> 24); }

TEST(SyncStepper, BreathingRunsByItsDirectionAndMovesTheWheelAtTheBottom) {
  SyncLightingState state;
  state.effect = SyncLightingState::kBreathing;
  state.brightnessLevel = 4;
  state.direction = 1;
  state.red = 10;
  CSyncStepper forwards;
  forwards.SetState(state);
  EXPECT_EQ(Brightness(forwards.Step(0)), 255 * kBreathingCurve[1] / 256);
  EXPECT_EQ(forwards.Step(0) & 0xFFFFFF, 10u);  // the fixed colour

  state.direction = 0;
  state.colourful = 1;
  CSyncStepper backwards;
  backwards.SetState(state);
  // From phase 0 backwards to 127, then down to 1, where the wheel moves 16 on.
  EXPECT_EQ(Brightness(backwards.Step(0)), 255 * kBreathingCurve[127] / 256);
  uint32_t packed = 0;
  for (int phase = 126; phase >= 1; --phase) packed = backwards.Step(0);
  const WheelColour c = kColourWheel[16];
  EXPECT_EQ(packed & 0xFFFFFF, uint32_t{c.red} | uint32_t{c.green} << 8 | uint32_t{c.blue} << 16);
}

TEST(SyncStepper, BlinkTogglesAfterItsIntervalAndOffIsBlack) {
  SyncLightingState state;
  state.effect = SyncLightingState::kBlink;
  state.brightnessLevel = 2;
  state.speedLevel = 4;  // 700 ms
  state.green = 200;
  CSyncStepper blink;
  blink.SetState(state);
  const uint32_t on = blink.Step(1000);
  EXPECT_EQ(on, uint32_t{200} << 8 | uint32_t{kBrightnessLevels[2]} << 24);
  EXPECT_EQ(blink.Step(1699), on);
  EXPECT_EQ(blink.Step(1700), 0u);

  state.effect = SyncLightingState::kOff;
  CSyncStepper off;
  off.SetState(state);
  EXPECT_EQ(off.Step(0), 0u);

  state.effect = SyncLightingState::kColourCycle;
  CSyncStepper cycle;
  cycle.SetState(state);
  const WheelColour first = kColourWheel[1];
  EXPECT_EQ(cycle.Step(0) & 0xFF, first.red);
}

TEST(SyncLightingThread, ShowsTheEffectOnlyOnPausedDevicesAndStopsAtOnce) {
  CUsbDeviceCore paused;
  CUsbDeviceCore own;
  for (CUsbDeviceCore* core : {&paused, &own}) {
    core->SetLightCount(3);
    core->Channel().SetOpen(true);
  }
  paused.Channel().SetLightingPaused(true);
  CSyncLighting sync;
  std::thread thread([&] { sync.Run({}); });

  SyncLightingState state;
  state.effect = SyncLightingState::kSteady;
  state.brightnessLevel = 4;
  state.blue = 7;
  sync.Start(state, {&paused, &own});
  const uint32_t expected = uint32_t{7} << 16 | uint32_t{255} << 24;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (paused.GetPreviewColour(2) != expected && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(paused.GetPreviewColour(0), expected);
  EXPECT_EQ(paused.GetPreviewColour(2), expected);
  EXPECT_EQ(own.GetPreviewColour(0), 0u);

  // Once no device is paused the thread sleeps: no more steps.
  paused.Channel().SetLightingPaused(false);
  sync.Wake();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const uint64_t steps = sync.Steps();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(sync.Steps(), steps);

  const auto stopAt = std::chrono::steady_clock::now();
  sync.RequestStop();
  thread.join();
  EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::milliseconds(500));
}

}  // namespace
