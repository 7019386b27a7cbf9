#pragma once
// The memory a simulated device keeps, its factory contents and its form in
// the simulator's state file.
//
// Sizes (bytes):            keyboard  mouse  pad   headset
//   info                      34       34     34    34
//   parameters              2048     2048   2048  2048
//   key_table / fn_key_table 512      512      -     -   (fn: keyboard only)
//   led_index                512        -      -     -   (0xFF past the keys)
//   light_tables            4096        -      -     -   (8 groups x 512)
//   macro                   4096     2048      -     -   (info byte 6 x 128)
//   shoot                      -     4096      -     -
//   status                     6        6      6     6
// An area a product lacks is empty; commands reaching it are refused.
//
// Information block: bytes 0-1 firmware version (little-endian), byte 5 key
// count, byte 6 macro memory size in 128-byte units; the mouse adds bytes
// 9-10 sensor code, byte 11 DPI step, bytes 12-13 number of DPI steps, bytes
// 14-15 minimum DPI. The rest is zero.
//
// Parameter memory: offset 0 holds the active profile. The keyboard keeps a
// 30-byte settings block per profile at profile x 31, the mouse 71 bytes at
// profile x 128, the pad and the headset 21 bytes at profile x 64. Five
// profiles carry factory settings.
//
// Status block: byte 0 battery level in percent, byte 1 power state (0 on the
// cable, 1 charging, 2 on battery), byte 2 zero, byte 3 1 while connected
// through the receiver, byte 4 1 when the battery is low (level 20 or less),
// byte 5 the phone lying on the pad (0 none, 1 iPhone, 2 Samsung, 3 other).

#include <cstdint>
#include <vector>

#include <json/value.h>

#include "sim/sim_product.h"

inline constexpr size_t kSimInfoSize = 34;
inline constexpr size_t kSimParameterSize = 2048;
inline constexpr size_t kSimKeyTableSize = 512;
inline constexpr size_t kSimLightGroupStride = 512;
inline constexpr size_t kSimLightGroups = 8;
inline constexpr size_t kSimShootSize = 4096;
inline constexpr size_t kSimStatusSize = 6;

struct SimDeviceMemory {
  std::vector<uint8_t> info, parameters, keyTable, fnKeyTable, ledIndex, lightTables, macro, shoot,
      status;

  std::vector<uint8_t>& Area(SimArea area);
  const std::vector<uint8_t>& Area(SimArea area) const;

  // The contents a new device comes with.
  static SimDeviceMemory Factory(SimProduct product);

  // Number of device key positions (info byte 5).
  size_t KeyCount() const { return info.size() > 5 ? info[5] : 0; }

  // What survives a restart, like flash: parameters, key tables, light
  // tables, macro and shooting data. Factory data (info, LED index) and the
  // status block are not stored.
  Json::Value ToJson() const;
  // Takes every stored area whose size matches this device's; others stay.
  void FromJson(const Json::Value& value);
};

