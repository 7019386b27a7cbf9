// Any bytes as a virtual HID bus node file (S.json): read as enumeration
// reads it, and a descriptor it yields parsed as Open parses it.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/hid_report_descriptor.h"
#include "link/vhid_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HidNodeInfo info;
  if (!ParseVhidNodeDescription(std::string(reinterpret_cast<const char*>(data), size), info))
    return 0;
  if (info.reportDescriptor.size() > kVhidMaxDescriptorSize || info.interfaceNumber > 0xFF)
    std::abort();
  CHidReportDescriptor descriptor;
  descriptor.Parse(info.reportDescriptor);
  return 0;
}
