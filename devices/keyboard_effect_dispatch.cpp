#include "devices/keyboard_effect_dispatch.h"

#include <algorithm>
#include <array>

namespace {

// One row of 15 bytes per effect number; the columns past the five speeds are
// unused. Effects without a row (0, 28 and above 30) play the custom effect.
using SpeedRow = std::array<uint8_t, 15>;
constexpr SpeedRow kStandard = {10, 8, 5, 3, 1};
constexpr SpeedRow kSlowFixed = {3, 3, 3, 3, 3};
constexpr SpeedRow kEverySecondTick = {2, 2, 2, 2, 2};
constexpr SpeedRow kSoftware = {1, 0, 0, 0, 0};

struct Row {
  bool present = false;
  SpeedRow thresholds{};
};

constexpr std::array<Row, 31> MakeTable() {
  std::array<Row, 31> table{};
  for (int effect = 1; effect <= 27; ++effect) {
    table[effect] = {true, kStandard};
  }
  table[16] = {true, kSlowFixed};
  table[18] = {true, kSlowFixed};
  table[29] = {true, kEverySecondTick};
  table[30] = {true, kSoftware};
  return table;
}

constexpr std::array<Row, 31> kSpeedTable = MakeTable();

}  // namespace

std::optional<BaseStep> BaseStepForEffect(int effect) {
  switch (effect) {
    case 4:
      return BaseStep::Spectrum;
    case 5:
      return BaseStep::Breathing;
    case 6:
      return BaseStep::Static;
    case 20:
      return BaseStep::Off;
    case 23:
      return BaseStep::Blink;
    case 26:
      return BaseStep::BreathingFourColour;
    case 27:
      return BaseStep::BlinkFourColour;
    default:
      return std::nullopt;
  }
}

EffectSchedule KeyboardEffectSchedule(int effect, int speed) {
  if (effect < 0 || effect >= static_cast<int>(kSpeedTable.size()) ||
      !kSpeedTable[effect].present) {
    return {};
  }
  EffectSchedule schedule;
  schedule.threshold = kSpeedTable[effect].thresholds[std::clamp(speed, 0, 4)];
  if (const auto base = BaseStepForEffect(effect)) {
    schedule.source = EffectSource::Base;
    schedule.baseStep = *base;
  } else {
    schedule.source = EffectSource::Keyboard;
  }
  return schedule;
}
