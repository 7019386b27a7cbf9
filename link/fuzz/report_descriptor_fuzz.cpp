// Any bytes as a node's report descriptor: parsed as enumeration and Open
// parse it, with every collection's caps and data items built.

#include <cstdint>
#include <cstdlib>

#include "link/hid_device.h"
#include "link/hid_report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CHidReportDescriptor descriptor;
  if (!descriptor.Parse(data, size)) {
    if (!descriptor.Collections().empty()) std::abort();  // a failed parse keeps nothing
    return 0;
  }
  for (const HidPreparsedData& collection : descriptor.Collections()) {
    const HidCaps caps = collection.Caps();
    (void)caps;
    for (int t = 0; t < kHidReportTypeCount; ++t) {
      const auto type = static_cast<HidReportType>(t);
      const std::vector<HidDataItem> items = CHidDevice::MakeDataItems(collection, type);
      size_t buttons = 0;
      for (const HidDataItem& item : items) {
        if (!item.isButtonData) continue;
        ++buttons;
        if (item.usageMin > item.usageMax) std::abort();
      }
      if (buttons != collection.buttonCaps[t].size()) std::abort();
      HidMaxUsageListLength(collection, type, 0);
      for (const uint8_t id : collection.reportIds[t])
        if (!collection.HasReport(type, id)) std::abort();
    }
  }
  return 0;
}
