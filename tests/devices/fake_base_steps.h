#pragma once
// A stand-in for the base's preview steps: records which base step ran with
// which parameters, and fades keys by the reactive fade rules.

#include <vector>

#include "devices/base_preview_steps.h"

class FakeBaseSteps : public IBasePreviewSteps {
 public:
  struct Call {
    BaseStep step;
    LightInfoRecord info;
    uint64_t nowMs;
  };

  void Run(BaseStep step, PreviewFrame& frame, const LightInfoRecord& info, EffectCounters&,
           uint64_t nowMs) override {
    calls.push_back({step, info, nowMs});
    for (auto& light : frame) {
      light = marker;
    }
  }

  uint8_t DecayKeyBrightness(ReactiveBuffers& buffers, int key, int flag) override {
    uint8_t& v = buffers.keyBrightness[key];
    v = Decay(v, flag);
    return v;
  }

  // The fade rules: the first rule that matches applies.
  static uint8_t Decay(uint8_t v, int flag) {
    if (flag == 29) {
      if (v & 0x90) return v - 45;
      if (v & 0x60) return v - 35;
      return v > 0 ? v - 1 : 0;
    }
    if (v & 0x80) return v - 40;
    if (v & 0x40) return v - 30;
    if (v & 0x20) return v - (flag == 0 ? 15 : 10);
    if (v > 16) return v - 8;
    return v > 0 ? v - 1 : 0;
  }

  std::vector<Call> calls;
  PreviewColour marker{1, 2, 3, 4};
};
