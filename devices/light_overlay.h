#pragma once
// The per-light overlay: lights that have a mode of their own in the profile's
// light list (breathing, static, colour cycle, blink, off) show it over the
// running effect, each at its own speed and brightness. The UI thread loads the
// list while the lighting thread applies it every pass; the overlay's lock
// guards both.

#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/preview_state.h"
#include "profiles/profile_records.h"

class CLightOverlay {
 public:
  // Replaces the list; every light's animation state starts again.
  void Load(std::vector<LightModeRecord> records);
  // Writes the overlay lights over the frame (entry i belongs to light i).
  void Apply(PreviewFrame& frame, uint64_t nowMs);
  // True when some light changes from pass to pass, so the lighting thread has
  // to run every tick while the list is loaded.
  bool Animated() const;

 private:
  struct LightState {
    uint8_t breathingPhase = 0;
    uint8_t breathingHue = 0;
    uint8_t cycleCounter = 0;
    uint8_t cycleThreshold = 0;
    uint8_t cycleHue = 0;
    uint8_t blinkOn = 0;
    uint8_t blinkHue = 0;
    uint8_t blinkInterval = 0;
    uint64_t lastToggleMs = 0;
  };

  mutable std::mutex lock_;
  std::vector<LightModeRecord> records_;
  std::vector<LightState> states_;
};
