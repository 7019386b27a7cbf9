#include "sim/sim_product.h"

namespace {

constexpr std::string_view kProductNames[] = {"keyboard", "mouse", "pad", "headset"};
constexpr std::string_view kAreaNames[] = {"info",         "parameters", "key_table",
                                           "fn_key_table", "led_index",  "light_tables",
                                           "macro",        "shoot",      "status"};

}  // namespace

std::string_view SimProductName(SimProduct product) {
  return kProductNames[static_cast<int>(product)];
}

std::optional<SimProduct> SimProductFromName(std::string_view name) {
  for (int i = 0; i < 4; ++i)
    if (kProductNames[i] == name) return static_cast<SimProduct>(i);
  if (name == "mousepad") return SimProduct::Pad;
  return std::nullopt;
}

std::string_view SimAreaName(SimArea area) { return kAreaNames[static_cast<int>(area)]; }

std::optional<SimArea> SimAreaFromName(std::string_view name) {
  for (int i = 0; i < 9; ++i)
    if (kAreaNames[i] == name) return static_cast<SimArea>(i);
  return std::nullopt;
}
