#include "devices/lighting_tables.h"

#include <cstddef>

const std::array<uint8_t, 5> kBrightnessLevels = {0, 80, 135, 195, 255};

namespace {

// The rising half of the breathing curve.
constexpr std::array<uint8_t, 64> kRise = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255,
};

// The rising and falling ramps of the colour wheel's segments.
constexpr std::array<uint8_t, 32> kUp = {
    1,  3,  5,  7,   10,  14,  18,  22,  26,  32,  38,  44,  50,  57,  65,  73,
    81, 89, 99, 109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255,
};
constexpr std::array<uint8_t, 32> kDown = {
    248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
    69,  61,  53,  47,  41,  35,  29,  24,  20,  16,  12,  8,   6,   4,  2,  0,
};

constexpr std::array<uint8_t, 128> MakeBreathingCurve() {
  std::array<uint8_t, 128> curve{};
  for (size_t i = 0; i < kRise.size(); ++i) {
    curve[i] = kRise[i];
    curve[127 - i] = kRise[i];
  }
  return curve;
}

// Segment s holds, for k = 0 to 31: (255, up, 0), (down, 255, 0), (0, 255, up),
// (0, down, 255), (up, 0, 255), (255, 0, down).
constexpr std::array<WheelColour, 256> MakeColourWheel() {
  std::array<WheelColour, 256> wheel{};
  for (size_t k = 0; k < 32; ++k) {
    const uint8_t up = kUp[k];
    const uint8_t down = kDown[k];
    wheel[k] = {255, up, 0};
    wheel[32 + k] = {down, 255, 0};
    wheel[64 + k] = {0, 255, up};
    wheel[96 + k] = {0, down, 255};
    wheel[128 + k] = {up, 0, 255};
    wheel[160 + k] = {255, 0, down};
  }
  for (size_t i = 192; i < 256; ++i) wheel[i] = wheel[i - 192];
  return wheel;
}

}  // namespace

constinit const std::array<uint8_t, 128> kBreathingCurve = MakeBreathingCurve();
constinit const std::array<WheelColour, 256> kColourWheel = MakeColourWheel();
const std::array<WheelColour, 4> kFourColours = {
    {{0, 255, 180}, {0, 255, 0}, {255, 255, 255}, {255, 0, 0}}};
const std::array<uint8_t, 5> kBlinkIntervals = {8, 6, 4, 2, 1};
