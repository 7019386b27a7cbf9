#pragma once
// The keyboard's effect table: which step an effect number runs and after how
// many ticks of the lighting thread, by the page speed 0 to 4.

#include <cstdint>
#include <optional>

#include "devices/base_preview_steps.h"

enum class EffectSource : uint8_t {
  Keyboard,      // a keyboard effect step (CKeyboardEffects)
  Base,          // one of the base's steps
  CustomPlayer,  // no row in the table: the custom effect player, every pass
};

struct EffectSchedule {
  EffectSource source = EffectSource::CustomPlayer;
  BaseStep baseStep = BaseStep::Off;  // meaningful for EffectSource::Base
  uint8_t threshold = 0;              // ticks between steps; 0 and 1 mean every tick
  friend bool operator==(const EffectSchedule&, const EffectSchedule&) = default;
};

// The base step an effect number runs, if it runs one.
std::optional<BaseStep> BaseStepForEffect(int effect);

// Looks the effect up in the speed table. Speeds above 4 count as 4.
EffectSchedule KeyboardEffectSchedule(int effect, int speed);
