#pragma once
// The lighting preview steps shared by every device class, and the helpers of
// the reactive effects. Each step rewrites every light of the frame from the
// lighting parameters and advances the effect counters; the lighting thread
// calls one step per tick of the active effect.
//
// Colours come from devices/lighting_tables.h. A brightness level or speed
// above the last table row is read as the last row.

#include <cstdint>

#include "devices/preview_state.h"
#include "profiles/profile_records.h"

// One advance of a cyclic counter with limit `limit`: upward it runs 0, 1, ...,
// limit - 1, 0; downward from 0 to limit - 1 and then down by one each step.
// A value at or above the limit goes to 0 (upward) or limit - 1 (downward).
uint8_t AdvanceCyclic(uint8_t value, int limit, bool upward);

// The brightness of a level 0 to 4 (0, 80, 135, 195, 255).
uint8_t BrightnessOfLevel(uint8_t level);

// Breathing: the step counter cycles with limit 128 in the direction of
// info.Fx; each time it comes back to 0 the colour index grows by 16 (back to
// 0 above 192). Colour: the wheel at the colour index with info.MultiColor,
// else info's red/green/blue. Brightness: curve[step] x level / 256.
void StepBreathing(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
                   uint64_t nowMs);
// As StepBreathing; on each wrap the colour index runs 0 to 3 through the four colours.
void StepBreathingFourColour(PreviewFrame& frame, const LightInfoRecord& info,
                             EffectCounters& counters, uint64_t nowMs);
// info's red/green/blue at the brightness level.
void StepStatic(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
                uint64_t nowMs);
// The step counter cycles with limit 192 in the direction of info.Fx; colour =
// the wheel at the step, at the brightness level.
void StepSpectrum(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
                  uint64_t nowMs);
// Once blink interval[speed] x 200 ms have passed since counters.lastToggleMs
// the on/off state flips, the toggle time becomes nowMs and the step grows by
// 16 (back to 0 at 192). On: the wheel at the step with MultiColor, else
// info's colour, at the brightness level; off: every light 0,0,0,0.
void StepBlink(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
               uint64_t nowMs);
// StepBlink's timing; each toggle moves the colour index 0 to 3 cyclically
// and the lights show the four colours at that index while on.
void StepBlinkFourColour(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
                         uint64_t nowMs);
// Every light 0,0,0,0.
void StepOff(PreviewFrame& frame, const LightInfoRecord& info, EffectCounters& counters,
             uint64_t nowMs);

// Fades the reactive brightness of key position `position` by one step and
// returns the new value (0 for a position outside the buffer). The rule
// depends on `mode`: 0, 29 or any other value; 0 stays 0.
uint8_t DecayKeyBrightness(ReactiveBuffers& buffers, int position, int mode);
// Key positions 0 to 8 get brightness 255 where their column is non-zero.
void LightPressedColumns(ReactiveBuffers& buffers);
// Rotates the 23 columns by one place: upward (the last becomes the first)
// when `upward`, else downward (the first becomes the last).
void RotateColumns(ReactiveBuffers& buffers, bool upward);
// As RotateColumns over the first `count` columns only (at most 23).
void RotateColumnRange(ReactiveBuffers& buffers, int count, bool upward);
// Zeroes the per-key brightness and the columns.
void ClearReactiveBuffers(ReactiveBuffers& buffers);
