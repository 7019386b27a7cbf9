#pragma once
// The fixed tables of the lighting preview and of the synchronised lighting:
// brightness levels, the breathing curve, the colour wheel, the four colours of
// the four-colour effects and the blink intervals.

#include <array>
#include <cstdint>

struct WheelColour {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  friend bool operator==(const WheelColour&, const WheelColour&) = default;
};

// Indexed by brightness level 0 to 4.
extern const std::array<uint8_t, 5> kBrightnessLevels;

// 128 entries: a rise from 0 to 255 over entries 0 to 63, then the same values
// falling again.
extern const std::array<uint8_t, 128> kBreathingCurve;

// 256 colours: six segments of 32 around the hue circle (entries 0 to 191),
// then entries 0 to 63 again, so any byte is a valid index.
extern const std::array<WheelColour, 256> kColourWheel;

// The colours of the four-colour breathing and blinking effects, in order.
extern const std::array<WheelColour, 4> kFourColours;

// Indexed by speed 0 to 4, in units of 200 ms.
extern const std::array<uint8_t, 5> kBlinkIntervals;
