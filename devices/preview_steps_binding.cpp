#include "devices/preview_steps_binding.h"

#include "devices/preview_steps.h"

void CPreviewStepsBinding::Run(BaseStep step, PreviewFrame& frame, const LightInfoRecord& info,
                               EffectCounters& counters, uint64_t nowMs) {
  switch (step) {
    case BaseStep::Spectrum:
      StepSpectrum(frame, info, counters, nowMs);
      break;
    case BaseStep::Breathing:
      StepBreathing(frame, info, counters, nowMs);
      break;
    case BaseStep::Static:
      StepStatic(frame, info, counters, nowMs);
      break;
    case BaseStep::Off:
      StepOff(frame, info, counters, nowMs);
      break;
    case BaseStep::Blink:
      StepBlink(frame, info, counters, nowMs);
      break;
    case BaseStep::BreathingFourColour:
      StepBreathingFourColour(frame, info, counters, nowMs);
      break;
    case BaseStep::BlinkFourColour:
      StepBlinkFourColour(frame, info, counters, nowMs);
      break;
  }
}

uint8_t CPreviewStepsBinding::DecayKeyBrightness(ReactiveBuffers& buffers, int key, int flag) {
  return ::DecayKeyBrightness(buffers, key, flag);
}
