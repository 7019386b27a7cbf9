#pragma once
// Device kinds as the catalogue codes them. A device object's own kind is the
// wired one; 9 and 6 are the keyboard and the mouse through their receivers.

#include <cstdint>

enum DeviceKind : uint16_t {
  kKindKeyboard = 1,
  kKindMouse = 2,
  kKindMousePad = 3,
  kKindMouseReceiver = 6,
  kKindHeadset = 7,
  kKindKeyboardReceiver = 9,
};

// Interface roles.
inline constexpr uint16_t kRoleCommand = 0x00;
inline constexpr uint16_t kRoleEvent = 0xFF;

inline constexpr bool IsReceiverKind(uint16_t kind) {
  return kind == kKindKeyboardReceiver || kind == kKindMouseReceiver;
}

// The wired kind that a receiver kind stands for; other kinds map to themselves.
inline constexpr uint16_t WiredKindOf(uint16_t kind) {
  if (kind == kKindKeyboardReceiver) return kKindKeyboard;
  if (kind == kKindMouseReceiver) return kKindMouse;
  return kind;
}
