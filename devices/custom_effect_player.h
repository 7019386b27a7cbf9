#pragma once
// Plays a custom effect: a list of steps, each an effect kind with its own
// brightness, speed, direction, multicolour flag and colour, shown for Time
// milliseconds before the next step takes over (after the last, the first).
// The UI thread replaces the list while the lighting thread plays it; the
// player's lock guards the list and the playing position.

#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/base_preview_steps.h"
#include "devices/preview_state.h"
#include "profiles/profile_records.h"

class CCustomEffectPlayer {
 public:
  explicit CCustomEffectPlayer(IBasePreviewSteps& base);

  // Replaces the steps and starts again at the first one.
  void SetSteps(std::vector<EffectStepRecord> steps);
  // One call per lighting-thread pass.
  void Play(PreviewFrame& frame, uint64_t nowMs);
  size_t StepIndex() const;

 private:
  void RenderWave(PreviewFrame& frame, const LightInfoRecord& info);

  IBasePreviewSteps& base_;
  mutable std::mutex lock_;
  std::vector<EffectStepRecord> steps_;
  size_t index_ = 0;
  bool started_ = false;
  uint64_t stepStartMs_ = 0;
  uint32_t pass_ = 0;
  EffectCounters counters_;
};
