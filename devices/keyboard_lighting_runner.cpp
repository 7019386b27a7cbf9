#include "devices/keyboard_lighting_runner.h"

#include <algorithm>

#include "devices/keyboard_effect_dispatch.h"

CKeyboardLightingRunner::CKeyboardLightingRunner(CKeyboardEffects& effects,
                                                 CCustomEffectPlayer& player,
                                                 CLightOverlay& overlay)
    : effects_(effects), player_(player), overlay_(overlay) {}

bool CKeyboardLightingRunner::Pass(int elapsedTicks, const KeyboardEffectContext& context) {
  const int effect = context.info.SelectItem;
  const EffectSchedule schedule = KeyboardEffectSchedule(effect, context.info.Speed);
  bool ran = false;
  if (schedule.source == EffectSource::CustomPlayer) {
    player_.Play(context.frame, context.nowMs);
    ran = true;
  } else {
    // Saturate so that a long sleep cannot overflow the count.
    counter_ = std::min(counter_ + std::max(elapsedTicks, 0), 1 << 20);
    if (counter_ >= schedule.threshold) {
      effects_.RunStep(effect, context);
      counter_ = 0;
      ran = true;
    }
  }
  overlay_.Apply(context.frame, context.nowMs);
  return ran;
}

int CKeyboardLightingRunner::TicksUntilNextStep(int effect, int speed) const {
  const EffectSchedule schedule = KeyboardEffectSchedule(effect, speed);
  if (schedule.source == EffectSource::CustomPlayer) {
    return 1;
  }
  return std::max(schedule.threshold - counter_, 1);
}

int CKeyboardLightingRunner::TicksUntilNextPass(int effect, int speed) const {
  if (overlay_.Animated()) {
    return 1;
  }
  return TicksUntilNextStep(effect, speed);
}
