// A report descriptor followed by reports, all from the input: every report
// is unpacked into the data items of every collection and report type, and
// every value is read raw and scaled.
//
// Input: two bytes (little-endian) giving the descriptor's length, the
// descriptor, then reports, each one length byte followed by its bytes
// (report id first).

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/hid_device.h"
#include "link/hid_report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t descriptorSize = data[0] | (size_t{data[1]} << 8);
  if (descriptorSize > size - 2) descriptorSize = size - 2;
  CHidReportDescriptor descriptor;
  if (!descriptor.Parse(data + 2, descriptorSize)) return 0;

  std::vector<std::vector<uint8_t>> reports;
  for (size_t pos = 2 + descriptorSize; pos < size;) {
    const size_t length = data[pos++];
    const size_t take = length < size - pos ? length : size - pos;
    reports.emplace_back(data + pos, data + pos + take);
    pos += take;
  }

  std::vector<uint16_t> usages;
  for (const HidPreparsedData& collection : descriptor.Collections()) {
    for (int t = 0; t < kHidReportTypeCount; ++t) {
      const auto type = static_cast<HidReportType>(t);
      std::vector<HidDataItem> items = CHidDevice::MakeDataItems(collection, type);
      for (const auto& report : reports) {
        // Unpacking as the listener threads do, also on an empty report.
        CHidDevice::UnpackInputReport(report.data(), static_cast<uint32_t>(report.size()), type,
                                      items.data(), static_cast<uint32_t>(items.size()),
                                      &collection);
        for (const HidDataItem& item : items) {
          if (!item.isButtonData) continue;
          for (uint16_t usage : item.usageList)
            if (usage != 0 && (usage < item.usageMin || usage > item.usageMax)) std::abort();
        }
        HidGetUsages(collection, type, 0, report.data(), report.size(), usages);
        for (const HidValueCaps& v : collection.valueCaps[t]) {
          uint32_t raw = 0;
          int32_t scaled = 0;
          HidGetUsageValue(collection, type, v.usagePage, v.usageMax, report.data(), report.size(),
                           raw);
          HidGetScaledUsageValue(collection, type, v.usagePage, v.usageMin, report.data(),
                                 report.size(), scaled);
        }
      }
    }
  }
  return 0;
}
