#pragma once
// One pass of the keyboard's lighting thread: counts ticks, runs the active
// effect's step when its threshold is reached (or the custom effect player on
// every pass for effect numbers without a row), then the per-light overlay.
// It also tells the thread how long it may sleep before the next pass is due,
// so the thread waits for that instead of waking every millisecond.

#include <cstdint>

#include "devices/custom_effect_player.h"
#include "devices/keyboard_effects.h"
#include "devices/light_overlay.h"

class CKeyboardLightingRunner {
 public:
  CKeyboardLightingRunner(CKeyboardEffects& effects, CCustomEffectPlayer& player,
                          CLightOverlay& overlay);

  // A pass after elapsedTicks ticks (1 ms each) have gone by since the last
  // one; the effect number and speed come from the context's LightInfo.
  // Returns true when the effect's step (or the player) ran.
  bool Pass(int elapsedTicks, const KeyboardEffectContext& context);

  // Ticks (at least 1) until the next pass has something to do: the effect's
  // step falls due, or sooner when the player or an animated overlay needs
  // every pass.
  int TicksUntilNextPass(int effect, int speed) const;
  // Ticks (at least 1) until the effect's own step falls due.
  int TicksUntilNextStep(int effect, int speed) const;

  // Restarts the tick count, e.g. when the effect changes.
  void ResetCounter() { counter_ = 0; }

 private:
  CKeyboardEffects& effects_;
  CCustomEffectPlayer& player_;
  CLightOverlay& overlay_;
  int counter_ = 0;
};
