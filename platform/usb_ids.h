#pragma once
// USB identities of the supported products. The vendor id under which the
// keyboard, its receiver, the mouse's receiver and the mouse pad are
// registered is kept here and nowhere else.

#include <cstdint>

inline constexpr uint16_t kBrivoVendorId = 0x1A2B;

inline constexpr uint16_t kKeyboardProductId = 0x5055;          // wired keyboard
inline constexpr uint16_t kKeyboardReceiverProductId = 0x5088;  // keyboard's 2.4 GHz receiver
inline constexpr uint16_t kMouseVendorId = 0x05AC;
inline constexpr uint16_t kMouseProductId = 0x024F;          // wired mouse
inline constexpr uint16_t kMouseReceiverProductId = 0x221D;  // mouse's 2.4 GHz receiver
inline constexpr uint16_t kMousePadProductId = 0x1004;
inline constexpr uint16_t kHeadsetVendorId = 0x0C76;
inline constexpr uint16_t kHeadsetProductId = 0x1630;
