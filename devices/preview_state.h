#pragma once
// The state that the lighting preview steps read and write: one colour per
// light, the counters of the running effect and the reactive buffers. The
// lighting thread and the UI thread share it at frame level: a frame that mixes
// old and new values is replaced by the next one.

#include <array>
#include <cstdint>
#include <vector>

// One light of the preview: colour and brightness, each 0 to 255.
struct PreviewColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t brightness = 0;
  friend bool operator==(const PreviewColour&, const PreviewColour&) = default;
};

using PreviewFrame = std::vector<PreviewColour>;

// Counters of the running effect: the step counter and the sub-state (colour
// index, a spare byte, on/off) with the time of the last on/off toggle.
struct EffectCounters {
  uint8_t step = 0;
  uint8_t colourIndex = 0;
  uint8_t spare = 0;
  uint8_t on = 0;
  uint64_t lastToggleMs = 0;
};

inline constexpr int kReactiveKeyCount = 170;
inline constexpr int kColumnCount = 23;

// Per-key brightness of the reactive effects and the column buffer.
struct ReactiveBuffers {
  std::array<uint8_t, kReactiveKeyCount> keyBrightness{};
  std::array<uint8_t, kColumnCount> columns{};
};
