#include "devices/keyboard_layout.h"

#include <algorithm>
#include <cstring>

#include "link/command_result.h"
#include "link/device_channel.h"

void KeyboardLayout::Clear() {
  position.fill(kNoKeyPosition);
  led.fill(kNoKeyPosition);
}

void KeyboardLayout::RebuildMaps() {
  Clear();
  const int positions = std::min<int>(keyCount, static_cast<int>(keyTable.size() / 3));
  for (int key = 0; key < kKeyboardKeyNumbers; ++key) {
    const KeyCode& code = kKeyLayoutTable[key];
    for (int k = 0; k < positions; ++k) {
      if (std::memcmp(&keyTable[k * 3], code.data(), 3) == 0) {
        position[key] = static_cast<uint8_t>(k);
        break;
      }
    }
    if (position[key] != kNoKeyPosition && position[key] < ledTable.size())
      led[key] = ledTable[position[key]];
  }
}

int KeyboardLayout::KeyAtPosition(int devicePosition) const {
  if (devicePosition < 0 || devicePosition >= kNoKeyPosition) return -1;
  for (int key = 0; key < kKeyboardKeyNumbers; ++key)
    if (position[key] == devicePosition) return key;
  return -1;
}

int ReadKeyboardLayout(CDeviceChannel& channel, KeyboardLayout& layout) {
  layout.Clear();
  if (!channel.IsOpen()) return kCommandNoReply;
  int first = channel.BeginConfig();
  auto note = [&first](int result) {
    if (first == kCommandSuccess) first = result;
    return result == kCommandSuccess;
  };
  std::array<uint8_t, kDeviceInfoSize> info{};
  if (note(channel.ReadDeviceInfo(info.data()))) {
    layout.info = info;
    layout.keyCount = info[5];
    layout.macroMemoryUnits = info[6];
  }
  const int keyCount = layout.keyCount;
  bool tablesRead = false;
  if (first == kCommandSuccess) {
    // The channel refuses blocks above 512 bytes; the maps hold 170 keys.
    if (keyCount > kMaxKeyboardKeys || !channel.SetBlockSize(static_cast<uint16_t>(keyCount * 3))) {
      first = kLayoutTooManyKeys;
    } else {
      std::vector<uint8_t> keys(static_cast<size_t>(keyCount) * 3);
      std::vector<uint8_t> leds(static_cast<size_t>(keyCount));
      if (note(channel.ReadKeyTable(keys.data())) && note(channel.ReadLedIndexTable(leds.data()))) {
        layout.keyTable = std::move(keys);
        layout.ledTable = std::move(leds);
        tablesRead = true;
      }
    }
  }
  note(channel.EndConfig());
  if (tablesRead) layout.RebuildMaps();
  return first;
}
