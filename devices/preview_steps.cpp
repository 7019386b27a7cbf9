#include "devices/preview_steps.h"

#include <algorithm>

#include "devices/lighting_tables.h"

namespace {

void Fill(PreviewFrame& frame, uint8_t red, uint8_t green, uint8_t blue, uint8_t brightness) {
  for (PreviewColour& light : frame) light = {red, green, blue, brightness};
}

void Fill(PreviewFrame& frame, const WheelColour& colour, uint8_t brightness) {
  Fill(frame, colour.red, colour.green, colour.blue, brightness);
}

uint8_t BreathingBrightness(uint8_t step, uint8_t level) {
  return static_cast<uint8_t>(kBreathingCurve[step % kBreathingCurve.size()] *
                              BrightnessOfLevel(level) / 256);
}

uint64_t BlinkIntervalMs(uint8_t speed) {
  const size_t row = std::min<size_t>(speed, kBlinkIntervals.size() - 1);
  return uint64_t{kBlinkIntervals[row]} * 200;
}

// Flips on/off once the blink interval has passed; true when it flipped.
bool BlinkToggle(const LightInfoRecord& info, EffectCounters& counters, uint64_t nowMs) {
  if (nowMs - counters.lastToggleMs < BlinkIntervalMs(info.Speed)) return false;
  counters.on = counters.on ? 0 : 1;
  counters.lastToggleMs = nowMs;
  return true;
}

}  // namespace

uint8_t AdvanceCyclic(uint8_t value, int limit, bool upward) {
  if (limit <= 0) return 0;
  if (upward) return value + 1 >= limit ? 0 : static_cast<uint8_t>(value + 1);
  if (value == 0 || value >= limit) return static_cast<uint8_t>(limit - 1);
  return static_cast<uint8_t>(value - 1);
}

uint8_t BrightnessOfLevel(uint8_t level) {
  return kBrightnessLevels[std::min<size_t>(level, kBrightnessLevels.size() - 1)];
}

void StepBreathing(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
                   uint64_t) {
  counters.step = AdvanceCyclic(counters.step, 128, info.Fx != 0);
  if (counters.step == 0) {
    counters.colourIndex = static_cast<uint8_t>(counters.colourIndex + 16);
    if (counters.colourIndex > 192) counters.colourIndex = 0;
  }
  const uint8_t brightness = BreathingBrightness(counters.step, info.Light);
  if (info.MultiColor)
    Fill(frame, kColourWheel[counters.colourIndex], brightness);
  else
    Fill(frame, info.Red, info.Green, info.Blue, brightness);
}

void StepBreathingFourColour(PreviewFrame& frame, const LightInfoRecord& info,
                             EffectCounters& counters, uint64_t) {
  counters.step = AdvanceCyclic(counters.step, 128, info.Fx != 0);
  if (counters.step == 0)
    counters.colourIndex = static_cast<uint8_t>((counters.colourIndex + 1) % kFourColours.size());
  if (counters.colourIndex >= kFourColours.size()) counters.colourIndex = 0;
  Fill(frame, kFourColours[counters.colourIndex], BreathingBrightness(counters.step, info.Light));
}

void StepStatic(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters&, uint64_t) {
  Fill(frame, info.Red, info.Green, info.Blue, BrightnessOfLevel(info.Light));
}

void StepSpectrum(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
                  uint64_t) {
  counters.step = AdvanceCyclic(counters.step, 192, info.Fx != 0);
  Fill(frame, kColourWheel[counters.step], BrightnessOfLevel(info.Light));
}

void StepBlink(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
               uint64_t nowMs) {
  if (BlinkToggle(info, counters, nowMs)) {
    counters.step = static_cast<uint8_t>(counters.step + 16);
    if (counters.step >= 192) counters.step = 0;
  }
  if (!counters.on)
    Fill(frame, 0, 0, 0, 0);
  else if (info.MultiColor)
    Fill(frame, kColourWheel[counters.step], BrightnessOfLevel(info.Light));
  else
    Fill(frame, info.Red, info.Green, info.Blue, BrightnessOfLevel(info.Light));
}

void StepBlinkFourColour(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
                         uint64_t nowMs) {
  if (BlinkToggle(info, counters, nowMs))
    counters.colourIndex = static_cast<uint8_t>((counters.colourIndex + 1) % kFourColours.size());
  if (counters.colourIndex >= kFourColours.size()) counters.colourIndex = 0;
  if (!counters.on)
    Fill(frame, 0, 0, 0, 0);
  else
    Fill(frame, kFourColours[counters.colourIndex], BrightnessOfLevel(info.Light));
}

void StepOff(PreviewFrame& frame, const LightInfoRecord&, EffectCounters&, uint64_t) {
  Fill(frame, 0, 0, 0, 0);
}

uint8_t DecayKeyBrightness(ReactiveBuffers& buffers, int position, int mode) {
  if (position < 0 || position >= kReactiveKeyCount) return 0;
  uint8_t& v = buffers.keyBrightness[static_cast<size_t>(position)];
  auto minus = [&v](int amount) { v = static_cast<uint8_t>(v - amount); };
  if (mode == 29) {
    if (v & 0x90)
      minus(45);
    else if (v & 0x60)
      minus(35);
    else if (v > 0)
      minus(1);
  } else {
    if (v & 0x80)
      minus(40);
    else if (v & 0x40)
      minus(30);
    else if (v & 0x20)
      minus(mode == 0 ? 15 : 10);
    else if (v > 16)
      minus(8);
    else if (v > 0)
      minus(1);
  }
  return v;
}

void LightPressedColumns(ReactiveBuffers& buffers) {
  for (size_t i = 0; i <= 8; ++i)
    if (buffers.columns[i] != 0) buffers.keyBrightness[i] = 255;
}

void RotateColumnRange(ReactiveBuffers& buffers, int count, bool upward) {
  count = std::clamp(count, 0, kColumnCount);
  if (count < 2) return;
  auto first = buffers.columns.begin();
  if (upward)
    std::rotate(first, first + (count - 1), first + count);
  else
    std::rotate(first, first + 1, first + count);
}

void RotateColumns(ReactiveBuffers& buffers, bool upward) {
  RotateColumnRange(buffers, kColumnCount, upward);
}

void ClearReactiveBuffers(ReactiveBuffers& buffers) {
  buffers.keyBrightness.fill(0);
  buffers.columns.fill(0);
}
