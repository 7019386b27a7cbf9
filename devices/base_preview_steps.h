#pragma once
// The seam between the keyboard's effects and the base's preview steps: the
// effects that the keyboard shares with every device and the reactive fade are
// reached through this interface, so the keyboard's effect code does not depend
// on how the base implements them.

#include <cstdint>

#include "devices/preview_state.h"
#include "profiles/profile_records.h"

enum class BaseStep : uint8_t {
  Spectrum,
  Breathing,
  Static,
  Off,
  Blink,
  BreathingFourColour,
  BlinkFourColour,
};

class IBasePreviewSteps {
 public:
  virtual ~IBasePreviewSteps() = default;
  // Runs one base step over the whole frame.
  virtual void Run(BaseStep step, PreviewFrame& frame, const LightInfoRecord& info,
                   EffectCounters& counters, uint64_t nowMs) = 0;
  // The reactive fade of one key: stores and returns the key's new brightness.
  virtual uint8_t DecayKeyBrightness(ReactiveBuffers& buffers, int key, int flag) = 0;
};
