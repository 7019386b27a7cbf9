#pragma once
// IBasePreviewSteps over the shared preview steps (devices/preview_steps.h):
// what the keyboard's effects and its custom-effect player run when an effect
// or a custom step is one of the steps every device has.

#include "devices/base_preview_steps.h"

class CPreviewStepsBinding : public IBasePreviewSteps {
 public:
  void Run(BaseStep step, PreviewFrame& frame, const LightInfoRecord& info,
           EffectCounters& counters, uint64_t nowMs) override;
  uint8_t DecayKeyBrightness(ReactiveBuffers& buffers, int key, int flag) override;
};
