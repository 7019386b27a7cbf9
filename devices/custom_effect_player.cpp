#include "devices/custom_effect_player.h"

#include <algorithm>
#include <array>

#include "devices/keyboard_effect_tables.h"
#include "devices/lighting_tables.h"

namespace {

constexpr std::array<uint8_t, 5> kSteadyThresholds = {8, 6, 4, 2, 1};
constexpr std::array<uint8_t, 5> kSpectrumThresholds = {10, 8, 5, 3, 1};

}  // namespace

CCustomEffectPlayer::CCustomEffectPlayer(IBasePreviewSteps& base) : base_(base) {}

void CCustomEffectPlayer::SetSteps(std::vector<EffectStepRecord> steps) {
  std::lock_guard guard(lock_);
  steps_ = std::move(steps);
  index_ = 0;
  started_ = false;
  pass_ = 0;
  counters_ = {};
}

size_t CCustomEffectPlayer::StepIndex() const {
  std::lock_guard guard(lock_);
  return index_;
}

void CCustomEffectPlayer::Play(PreviewFrame& frame, uint64_t nowMs) {
  std::lock_guard guard(lock_);
  if (steps_.empty()) {
    base_.Run(BaseStep::Off, frame, LightInfoRecord{}, counters_, nowMs);
    return;
  }
  if (!started_) {
    started_ = true;
    stepStartMs_ = nowMs;
  }
  const EffectStepRecord step = steps_[index_];
  LightInfoRecord info;
  info.SelectItem = step.mode;
  info.Light = step.brightness;
  info.Speed = step.speed;
  info.Fx = step.direction;
  info.MultiColor = step.multicolour;
  info.Red = step.red;
  info.Green = step.green;
  info.Blue = step.blue;
  const int speed = std::min<int>(step.speed, 4);

  ++pass_;
  auto due = [&](const std::array<uint8_t, 5>& thresholds) {
    if (pass_ < thresholds[speed]) {
      return false;
    }
    pass_ = 0;
    return true;
  };
  switch (step.mode) {
    case 0:
      if (due(kSteadyThresholds)) {
        base_.Run(BaseStep::Breathing, frame, info, counters_, nowMs);
      }
      break;
    case 1:
      if (due(kSteadyThresholds)) {
        base_.Run(BaseStep::Static, frame, info, counters_, nowMs);
      }
      break;
    case 2:
      base_.Run(BaseStep::Blink, frame, info, counters_, nowMs);
      break;
    case 4:
      if (due(kSteadyThresholds)) {
        RenderWave(frame, info);
      }
      break;
    case 5:
      if (due(kSpectrumThresholds)) {
        base_.Run(BaseStep::Spectrum, frame, info, counters_, nowMs);
      }
      break;
    default:
      // Kinds without a rendering leave the lights as they are.
      break;
  }

  const uint64_t elapsed = nowMs >= stepStartMs_ ? nowMs - stepStartMs_ : 0;
  if (elapsed >= static_cast<uint64_t>(std::max(step.Time, 0))) {
    index_ = (index_ + 1) % steps_.size();
    stepStartMs_ = nowMs;
  }
}

void CCustomEffectPlayer::RenderWave(PreviewFrame& frame, const LightInfoRecord& info) {
  const int limit = info.MultiColor ? 192 : 96;
  uint8_t& position = counters_.step;
  if (info.Fx != 0) {
    position = position + 1 >= limit ? 0 : static_cast<uint8_t>(position + 1);
  } else {
    position = position == 0 || position >= limit ? static_cast<uint8_t>(limit - 1)
                                                  : static_cast<uint8_t>(position - 1);
  }
  const int level = kBrightnessLevels[std::min<int>(info.Light, 4)];
  for (size_t light = 0; light < frame.size(); ++light) {
    const int index = static_cast<int>((position + 12 * light) % limit);
    if (info.MultiColor) {
      const WheelColour colour = kColourWheel[index];
      frame[light] = {colour.red, colour.green, colour.blue, static_cast<uint8_t>(level)};
    } else {
      frame[light] = {info.Red, info.Green, info.Blue,
                      static_cast<uint8_t>(level * kWaveCurve[index] / 256)};
    }
  }
}
