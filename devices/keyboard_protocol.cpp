#include "devices/keyboard_protocol.h"

#include "link/command_result.h"
#include "link/device_channel.h"

KeyboardEvent DecodeKeyboardEvent(uint16_t code, const KeyboardLayout& layout) {
  KeyboardEvent e;
  if (code == kEventSyncRequest) {
    e.kind = KeyboardEventKind::kSyncRequest;
    return e;
  }
  if (code == kEventReloadRequest) {
    e.kind = KeyboardEventKind::kReloadRequest;
    return e;
  }
  if (code < kEventReloadRequest) return e;
  const uint8_t h = static_cast<uint8_t>(code >> 8);
  const uint8_t l = static_cast<uint8_t>(code & 0xFF);
  if (h == 0x10 || h == 0x11) {
    e.kind = KeyboardEventKind::kProfileChanged;
    e.activeProfile = l & 0x0F;
    if (h == 0x11) e.settingsByte17 = l >> 4;
    return e;
  }
  if ((h & 0x80) != 0) {
    e.kind = KeyboardEventKind::kProfileChanged;
    e.activeProfile = h & 0x0F;
    if (((h >> 4) & 7) == 2 && (l & 0x80) == 0) e.settingsByte17 = l & 0x7F;
    return e;
  }
  if (h == 0x05 || h == 0x06) {
    e.kind = h == 0x05 ? KeyboardEventKind::kKeyPress : KeyboardEventKind::kKeyEvent;
    e.position = l;
    e.keyNumber = layout.KeyAtPosition(l);
  }
  return e;
}

bool ReadPowerStatus(CDeviceChannel& channel, PowerStatus& status) {
  if (!channel.IsOpen() || !channel.QueryWirelessLink()) return false;
  std::array<uint8_t, kPowerStatusSize> bytes{};
  if (channel.ReadStatus(bytes.data(), kPowerStatusSize, 0) != kCommandSuccess) return false;
  bytes[3] = channel.IsDongleMode() ? 1 : 0;
  status.bytes = bytes;
  status.batteryLow = bytes[4];
  return true;
}

namespace {

// Calls put(led, light) for every key with an LED whose entry fits size bytes.
template <typename Put>
void ForEachLitKey(const KeyboardLayout& layout, size_t lights, size_t size, Put put) {
  for (size_t key = 0; key < lights && key < kKeyboardKeyNumbers; ++key) {
    const uint8_t led = layout.led[key];
    if (led == kNoKeyPosition || static_cast<size_t>(led) * 3 + 3 > size) continue;
    put(static_cast<size_t>(led) * 3, key);
  }
}

}  // namespace

std::vector<uint8_t> BuildCustomColourTable(const PreviewFrame& lights,
                                            const KeyboardLayout& layout, bool scaled) {
  std::vector<uint8_t> table(kLightTableStride, 0);
  ForEachLitKey(layout, lights.size(), table.size(), [&](size_t at, size_t key) {
    const PreviewColour& c = lights[key];
    table[at] = scaled ? ScaleChannel(c.red, c.brightness) : c.red;
    table[at + 1] = scaled ? ScaleChannel(c.green, c.brightness) : c.green;
    table[at + 2] = scaled ? ScaleChannel(c.blue, c.brightness) : c.blue;
  });
  return table;
}

void ApplyCustomColourTable(const std::vector<uint8_t>& table, const KeyboardLayout& layout,
                            PreviewFrame& lights) {
  ForEachLitKey(layout, lights.size(), table.size(), [&](size_t at, size_t key) {
    lights[key].red = table[at];
    lights[key].green = table[at + 1];
    lights[key].blue = table[at + 2];
  });
}

int WriteCustomColourTable(CDeviceChannel& channel, const KeyboardLayout& layout, int group,
                           const std::vector<uint8_t>& table) {
  const uint32_t length = static_cast<uint32_t>(layout.keyCount) * 3;
  if (group < 0 || table.size() < length) return kCommandBadRange;
  return channel.WriteLightTable(table.data(), length, static_cast<uint32_t>(group),
                                 kLightTableStride);
}

int ReadCustomColourTable(CDeviceChannel& channel, const KeyboardLayout& layout, int group,
                          std::vector<uint8_t>& table) {
  const uint32_t length = static_cast<uint32_t>(layout.keyCount) * 3;
  if (group < 0) return kCommandBadRange;
  std::vector<uint8_t> read(length, 0);
  const int result =
      channel.ReadLightTable(read.data(), length, static_cast<uint32_t>(group), kLightTableStride);
  if (result == kCommandSuccess) table = std::move(read);
  return result;
}

std::vector<uint8_t> BuildLightFrame(const PreviewFrame& lights, const KeyboardLayout& layout,
                                     bool showColours) {
  std::vector<uint8_t> frame(static_cast<size_t>(layout.keyCount) * 3, 0);
  if (!showColours) return frame;
  ForEachLitKey(layout, lights.size(), frame.size(), [&](size_t at, size_t key) {
    const PreviewColour& c = lights[key];
    frame[at] = ScaleChannel(c.red, c.brightness);
    frame[at + 1] = ScaleChannel(c.green, c.brightness);
    frame[at + 2] = ScaleChannel(c.blue, c.brightness);
  });
  return frame;
}
