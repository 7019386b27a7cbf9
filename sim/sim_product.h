#pragma once
// The products the simulator stands in for, and the memory areas a device
// keeps.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class SimProduct { Keyboard, Mouse, Pad, Headset };
inline constexpr SimProduct kAllSimProducts[] = {SimProduct::Keyboard, SimProduct::Mouse,
                                                 SimProduct::Pad, SimProduct::Headset};

// The memory areas of a device, as the commands reach them.
enum class SimArea {
  Info,         // 34-byte device information block (0x03), factory data
  Parameters,   // parameter memory: active profile and per-profile settings (0x05, 0x06)
  KeyTable,     // main-layer key table, 3 bytes per device position (0x07, 0x09)
  FnKeyTable,   // Fn-layer key table (0x27)
  LedIndex,     // LED index of every device position (0x1B), factory data
  LightTables,  // per-key colour tables, 512 bytes per custom group (0x0A, 0x0B)
  Macro,        // macro memory (0x15), its capacity from the information block
  Shoot,        // shooting-assist data (0x17)
  Status,       // 6-byte power status block (0x1A)
};

// Lower-case names used in the state file, the program's commands and its
// help: "keyboard", "mouse", "pad", "headset".
std::string_view SimProductName(SimProduct product);
std::optional<SimProduct> SimProductFromName(std::string_view name);
// "info", "parameters", "key_table", "fn_key_table", "led_index",
// "light_tables", "macro", "shoot", "status".
std::string_view SimAreaName(SimArea area);
std::optional<SimArea> SimAreaFromName(std::string_view name);

// Keyboard and mouse have a 2.4 GHz receiver; the pad and the headset not.
inline bool SimProductHasReceiver(SimProduct product) {
  return product == SimProduct::Keyboard || product == SimProduct::Mouse;
}
