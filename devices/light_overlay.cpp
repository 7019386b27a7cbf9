#include "devices/light_overlay.h"

#include <algorithm>
#include <array>

#include "devices/lighting_tables.h"

namespace {

constexpr std::array<uint8_t, 5> kCycleThresholds = {8, 6, 4, 2, 1};

int SpeedIndex(const LightModeRecord& record) { return std::min<int>(record.speed, 4); }

uint8_t Level(const LightModeRecord& record) {
  return kBrightnessLevels[std::min<int>(record.brightness, 4)];
}

void Put(PreviewColour& light, WheelColour colour, uint8_t brightness) {
  light = {colour.red, colour.green, colour.blue, brightness};
}

WheelColour RecordColour(const LightModeRecord& record) {
  return {record.red, record.green, record.blue};
}

enum Mode : uint8_t { kBreathing = 0, kStatic = 1, kBlink = 2, kCycle = 3, kOff = 4 };

}  // namespace

void CLightOverlay::Load(std::vector<LightModeRecord> records) {
  std::lock_guard guard(lock_);
  records_ = std::move(records);
  states_.assign(records_.size(), LightState{});
  for (size_t i = 0; i < records_.size(); ++i) {
    const int speed = SpeedIndex(records_[i]);
    states_[i].cycleThreshold = kCycleThresholds[speed];
    states_[i].blinkInterval = kBlinkIntervals[speed];
  }
}

bool CLightOverlay::Animated() const {
  std::lock_guard guard(lock_);
  return std::any_of(records_.begin(), records_.end(), [](const LightModeRecord& record) {
    return record.mode == kBlink ||
           (record.valid && (record.mode == kBreathing || record.mode == kCycle));
  });
}

void CLightOverlay::Apply(PreviewFrame& frame, uint64_t nowMs) {
  std::lock_guard guard(lock_);
  const size_t count = std::min(records_.size(), frame.size());

  // 1. Breathing. A record that was missing from the list leaves its light to
  // the running effect.
  for (size_t i = 0; i < count; ++i) {
    const LightModeRecord& record = records_[i];
    if (record.mode != kBreathing || !record.valid) {
      continue;
    }
    LightState& state = states_[i];
    const int phase = state.breathingPhase + SpeedIndex(record) + 4;
    if (phase >= 128) {
      state.breathingPhase = 0;
      state.breathingHue = state.breathingHue + 1 >= 192 ? 0 : state.breathingHue + 1;
    } else {
      state.breathingPhase = static_cast<uint8_t>(phase);
    }
    const WheelColour colour =
        record.multicolour ? kColourWheel[state.breathingHue] : RecordColour(record);
    Put(frame[i], colour,
        static_cast<uint8_t>(kBreathingCurve[state.breathingPhase] * Level(record) / 256));
  }
  // 2. Static.
  for (size_t i = 0; i < count; ++i) {
    if (records_[i].mode == kStatic) {
      Put(frame[i], RecordColour(records_[i]), Level(records_[i]));
    }
  }
  // 3. Colour cycle.
  for (size_t i = 0; i < count; ++i) {
    const LightModeRecord& record = records_[i];
    if (record.mode != kCycle || !record.valid) {
      continue;
    }
    LightState& state = states_[i];
    if (++state.cycleCounter >= state.cycleThreshold) {
      state.cycleCounter = 0;
      state.cycleHue = state.cycleHue + 1 >= 192 ? 0 : state.cycleHue + 1;
    }
    Put(frame[i], kColourWheel[state.cycleHue], Level(record));
  }
  // 4. Blink: every light's blink clock runs, whatever its mode.
  for (size_t i = 0; i < records_.size(); ++i) {
    LightState& state = states_[i];
    const uint64_t elapsed = nowMs >= state.lastToggleMs ? nowMs - state.lastToggleMs : 0;
    if (elapsed >= static_cast<uint64_t>(state.blinkInterval) * 200) {
      state.blinkOn = state.blinkOn ? 0 : 1;
      state.lastToggleMs = nowMs;
      state.blinkHue = state.blinkHue + 14 > 191 ? 0 : state.blinkHue + 14;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    const LightModeRecord& record = records_[i];
    if (record.mode != kBlink) {
      continue;
    }
    const LightState& state = states_[i];
    if (!state.blinkOn) {
      frame[i] = {0, 0, 0, 0};
    } else {
      Put(frame[i], record.multicolour ? kColourWheel[state.blinkHue] : RecordColour(record),
          Level(record));
    }
  }
  // 5. Off.
  for (size_t i = 0; i < count; ++i) {
    if (records_[i].mode == kOff) {
      frame[i] = {0, 0, 0, 0};
    }
  }
}
