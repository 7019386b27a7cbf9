// The keyboard effects are driven from three threads at once: the lighting
// thread steps, the listener thread reports keys and the UI thread feeds audio
// and replaces the overlay and custom effect lists. Run under ThreadSanitizer
// this shows the shared buffers are only touched under the objects' locks.

#include <gtest/gtest.h>

#include <thread>

#include "devices/custom_effect_player.h"
#include "devices/keyboard_effect_tables.h"
#include "devices/keyboard_effects.h"
#include "devices/keyboard_lighting_runner.h"
#include "devices/light_overlay.h"
#include "tests/devices/fake_base_steps.h"

namespace {

TEST(KeyboardEffectsThreads, StepsKeyEventsAndAudioRunConcurrently) {
  FakeBaseSteps base;
  CKeyboardEffects effects(base);
  CCustomEffectPlayer player(base);
  CLightOverlay overlay;
  CKeyboardLightingRunner runner(effects, player, overlay);
  PreviewFrame frame(170);
  LightInfoRecord info;
  info.SelectItem = 25;
  info.Speed = 4;
  info.Light = 4;
  AudioLightRecord audio;
  audio.AudioMode = 2;
  EffectCounters counters;
  ReactiveBuffers reactive;
  std::array<uint8_t, 256> map;
  map.fill(kNoKey);
  map[7] = 70;
  effects.SetKeyPositionMap(map);
  effects.StartEffect(25, counters, reactive);

  constexpr int kRounds = 2000;
  std::thread lighting([&] {
    for (int i = 0; i < kRounds; ++i) {
      runner.Pass(1, {frame, info, audio, counters, reactive, static_cast<uint64_t>(i)});
    }
  });
  std::thread listener([&] {
    for (int i = 0; i < kRounds; ++i) {
      effects.OnKeyEvent(7, 1 + i % 2, 25, info, reactive);
      effects.OnKeyEvent(7, 1, 29, info, reactive);
    }
  });
  std::thread ui([&] {
    std::array<int32_t, 25> samples;
    samples.fill(2000);
    const int32_t levels[6] = {1, 2, 3, 4, 5, 6};
    LightModeRecord record;
    record.mode = 2;
    for (int i = 0; i < kRounds / 10; ++i) {
      effects.OnAudioSpectrum(samples.data(), 25, 29, audio, info, reactive);
      effects.OnAudioLevels(levels, 6);
      overlay.Load({record, record});
      player.SetSteps({});
    }
  });
  lighting.join();
  listener.join();
  ui.join();
  // The last event for key 70 is a press or release of the splash effect.
  EXPECT_NE(effects.KeyPhase(70), 0);
}

}  // namespace
