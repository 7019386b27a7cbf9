#pragma once
// A keyboard's physical layout as the keyboard reports it: its device
// information block, the code stored at each device key position, the LED of
// each position, and the two maps the program works with (key number →
// device position, key number → LED index; kNoKeyPosition where none).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/keyboard_tables.h"
#include "link/command_packet.h"

class CDeviceChannel;

// kDeviceInfoSize (34) comes from the command packet definitions.
inline constexpr int kMaxKeyboardKeys = 170;  // 3 × 170 = 510 fits a 512-byte block
// ReadKeyboardLayout: the keyboard reports more keys than a key table holds.
inline constexpr int kLayoutTooManyKeys = -301;

struct KeyboardLayout {
  std::array<uint8_t, kDeviceInfoSize> info{};
  int keyCount = 0;               // info byte 5
  int macroMemoryUnits = 0;       // info byte 6, in 128-byte units
  std::vector<uint8_t> keyTable;  // keyCount × 3
  std::vector<uint8_t> ledTable;  // keyCount
  std::array<uint8_t, kKeyboardKeyNumbers> position{};
  std::array<uint8_t, kKeyboardKeyNumbers> led{};

  KeyboardLayout() { Clear(); }
  void Clear();
  bool HasKey(int key) const {
    return key >= 0 && key < kKeyboardKeyNumbers && position[key] != kNoKeyPosition;
  }
  // Rebuilds both maps from keyTable and ledTable: each key number takes the
  // first device position whose code equals its layout code (the lower of
  // two equal positions wins); its LED is that position's LED index.
  void RebuildMaps();
  // The key number at a device position, -1 when no key number maps there.
  int KeyAtPosition(int position) const;
};

// Discovery as on connecting: BeginConfig, ReadDeviceInfo, block size key
// count × 3, ReadKeyTable, ReadLedIndexTable, EndConfig, then the maps.
// Returns kCommandSuccess, the first failing command's result (EndConfig is
// still sent; the maps are rebuilt from what was read) or kLayoutTooManyKeys
// (tables not read, maps all kNoKeyPosition). With the channel closed nothing
// is sent and the maps stay empty.
int ReadKeyboardLayout(CDeviceChannel& channel, KeyboardLayout& layout);
