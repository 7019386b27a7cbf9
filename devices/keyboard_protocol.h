#pragma once
// The keyboard's smaller exchanges and their data: device events, the power
// status block, per-key custom colours and software lighting frames. Colours
// come per key number (the preview's lights); the device takes them per LED
// index through the layout's LED map.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/keyboard_layout.h"
#include "devices/preview_state.h"

class CDeviceChannel;

// ---- Device events ----

inline constexpr uint16_t kEventSyncRequest = 1025;
inline constexpr uint16_t kEventReloadRequest = 1026;

enum class KeyboardEventKind {
  kNone,            // a code the keyboard gives no meaning
  kSyncRequest,     // 1025: read the settings again
  kReloadRequest,   // 1026: also reload the profile list and the profile
  kProfileChanged,  // the keyboard switched profile (activeProfile, maybe byte 17)
  kKeyPress,        // 0x5xx: a key went down at a device position
  kKeyEvent,        // 0x6xx: the second kind of key event
};

struct KeyboardEvent {
  KeyboardEventKind kind = KeyboardEventKind::kNone;
  int activeProfile = -1;
  int settingsByte17 = -1;  // new value of settings byte 17, -1 unchanged
  int position = -1;        // device key position of a key event
  int keyNumber = -1;       // its key number, -1 when the position has none
};

// What an event code means. The device object acts on it: a profile change
// updates the active profile and byte 17 and shows them, a key event with a
// key number goes to the reactive effects once.
KeyboardEvent DecodeKeyboardEvent(uint16_t code, const KeyboardLayout& layout);

// ---- Power status ----

inline constexpr size_t kPowerStatusSize = 6;

struct PowerStatus {
  std::array<uint8_t, kPowerStatusSize> bytes{};  // byte 3: 1 through the receiver, 0 wired
  uint8_t batteryLow = 0;                         // byte 4, for the main window's message
};

// With the channel open and the wireless link up: ReadStatus of 6 bytes at
// offset 0, byte 3 replaced by the connection the channel uses. False when
// nothing was read.
bool ReadPowerStatus(CDeviceChannel& channel, PowerStatus& status);

// ---- Custom colours and lighting frames ----

inline constexpr uint32_t kLightTableStride = 512;
inline constexpr int kCustomColourEffect = 19;

// One channel value scaled by brightness: the high byte of the 16-bit product.
inline uint8_t ScaleChannel(uint8_t value, uint8_t brightness) {
  return static_cast<uint8_t>((value * brightness) >> 8);
}

// A 512-byte custom colour table: entry c (LED index c) = the colour of the
// key lit by that LED, scaled by its brightness when scaled is set. Keys
// whose LED lies past the table are left out.
std::vector<uint8_t> BuildCustomColourTable(const PreviewFrame& lights,
                                            const KeyboardLayout& layout, bool scaled);

// The colours a custom colour table read from the keyboard gives the keys
// (colour of LED index e for the key lit by e); keys without an LED entry in
// the table keep theirs. Brightness is left as it is.
void ApplyCustomColourTable(const std::vector<uint8_t>& table, const KeyboardLayout& layout,
                            PreviewFrame& lights);

// WriteLightTable of key count × 3 bytes of the table for group (stride 512).
int WriteCustomColourTable(CDeviceChannel& channel, const KeyboardLayout& layout, int group,
                           const std::vector<uint8_t>& table);
// ReadLightTable of key count × 3 bytes for group.
int ReadCustomColourTable(CDeviceChannel& channel, const KeyboardLayout& layout, int group,
                          std::vector<uint8_t>& table);

// A software lighting frame: key count × 3 bytes, entry c = the scaled colour
// of the key lit by LED c; all black when showColours is false (the page
// shows the keyboard's own lighting then).
std::vector<uint8_t> BuildLightFrame(const PreviewFrame& lights, const KeyboardLayout& layout,
                                     bool showColours);
