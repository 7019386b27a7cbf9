#include "devices/lighting_schedule.h"

#include <algorithm>

void CLightingSchedule::Reset(uint64_t nowMs) {
  lastStepMs_ = nowMs;
  lastPassMs_ = nowMs;
}

LightingPlan CLightingSchedule::Plan(uint64_t nowMs, int threshold, uint32_t framePeriodMs,
                                     bool everyPass) {
  LightingPlan plan;
  if (nowMs < lastPassMs_) Reset(nowMs);  // a clock that went back starts over
  plan.ticks = static_cast<uint32_t>(std::min<uint64_t>(nowMs - lastPassMs_, kMaxCatchUpMs));
  lastPassMs_ = nowMs;
  const uint64_t frame = std::max<uint32_t>(framePeriodMs, 1);
  if (threshold < 0) {
    lastStepMs_ = nowMs;
    plan.nextWakeMs = nowMs + frame;
    return plan;
  }
  const uint64_t period = static_cast<uint64_t>(std::max(threshold, 1));
  if (nowMs - lastStepMs_ > kMaxCatchUpMs + period) lastStepMs_ = nowMs - kMaxCatchUpMs;
  const uint64_t due = (nowMs - lastStepMs_) / period;
  plan.steps = static_cast<uint32_t>(due);
  lastStepMs_ += due * period;
  const uint64_t nextStep = lastStepMs_ + period;
  plan.nextWakeMs = (everyPass || period < frame) ? nowMs + frame : nextStep;
  return plan;
}
