#include "sim/report_descriptors.h"

namespace {

void Append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
  out.insert(out.end(), bytes);
}

// Report id 4, 63 bytes in and 63 bytes out, vendor usages 1 and 2.
void AppendCommandReports(std::vector<uint8_t>& d) {
  Append(d, {0x85, kSimCommandReportId,  // Report ID (4)
             0x09, 0x01,                 // Usage (1)
             0x15, 0x00,                 // Logical Minimum (0)
             0x26, 0xFF,
             0x00,          // Logical Maximum (255)
             0x75, 0x08,    // Report Size (8)
             0x95, 0x3F,    // Report Count (63)
             0x81, 0x02,    // Input (Data, Variable, Absolute)
             0x09, 0x02,    // Usage (2)
             0x95, 0x3F,    // Report Count (63)
             0x91, 0x02});  // Output (Data, Variable, Absolute)
}

}  // namespace

std::vector<uint8_t> SimFourCollectionDescriptor() {
  std::vector<uint8_t> d;
  // 1. Boot keyboard.
  Append(d, {0x05, 0x01,  // Usage Page (Generic Desktop)
             0x09, 0x06,  // Usage (Keyboard)
             0xA1, 0x01,  // Collection (Application)
             0x85, kSimKeyboardReportId,
             0x05, 0x07,  // Usage Page (Keyboard/Keypad)
             0x19, 0xE0,
             0x29, 0xE7,  // Usage Minimum/Maximum (modifiers)
             0x15, 0x00,
             0x25, 0x01,  // Logical 0..1
             0x75, 0x01,
             0x95, 0x08,  // 8 x 1 bit
             0x81, 0x02,  // Input (Data, Variable, Absolute)
             0x75, 0x08,
             0x95, 0x01,  // 1 x 8 bits
             0x81, 0x01,  // Input (Constant)
             0x05, 0x08,  // Usage Page (LEDs)
             0x19, 0x01,
             0x29, 0x05,  // Num Lock .. Kana
             0x75, 0x01,
             0x95, 0x05,  // 5 x 1 bit
             0x91, 0x02,  // Output (Data, Variable, Absolute)
             0x75, 0x03,
             0x95, 0x01,  // padding
             0x91, 0x01,  // Output (Constant)
             0x05, 0x07,  // Usage Page (Keyboard/Keypad)
             0x19, 0x00,
             0x2A, 0xFF,
             0x00,  // Usage 0..255
             0x15, 0x00,
             0x26, 0xFF,
             0x00,  // Logical 0..255
             0x75, 0x08,
             0x95, 0x06,  // 6 x 8 bits
             0x81, 0x00,  // Input (Data, Array)
             0xC0});
  // 2. Mouse.
  Append(d, {0x05, 0x01,  // Usage Page (Generic Desktop)
             0x09, 0x02,  // Usage (Mouse)
             0xA1, 0x01,  // Collection (Application)
             0x85, kSimMouseReportId,
             0x09, 0x01,  // Usage (Pointer)
             0xA1, 0x00,  // Collection (Physical)
             0x05, 0x09,  // Usage Page (Button)
             0x19, 0x01,
             0x29, 0x05,  // Buttons 1..5
             0x15, 0x00,
             0x25, 0x01,  // Logical 0..1
             0x75, 0x01,
             0x95, 0x05,  // 5 x 1 bit
             0x81, 0x02,  // Input (Data, Variable, Absolute)
             0x75, 0x03,
             0x95, 0x01,  // padding
             0x81, 0x01,  // Input (Constant)
             0x05, 0x01,  // Usage Page (Generic Desktop)
             0x09, 0x30,
             0x09, 0x31,  // X, Y
             0x16, 0x01,
             0x80,  // Logical Minimum (-32767)
             0x26, 0xFF,
             0x7F,  // Logical Maximum (32767)
             0x75, 0x10,
             0x95, 0x02,  // 2 x 16 bits
             0x81, 0x06,  // Input (Data, Variable, Relative)
             0x09, 0x38,  // Usage (Wheel)
             0x15, 0x81,
             0x25, 0x7F,  // Logical -127..127
             0x75, 0x08,
             0x95, 0x01,  // 1 x 8 bits
             0x81, 0x06,  // Input (Data, Variable, Relative)
             0xC0, 0xC0});
  // 3. Device events.
  Append(d, {0x05, 0x0C,  // Usage Page (Consumer)
             0x09, 0x01,  // Usage (Consumer Control)
             0xA1, 0x01,  // Collection (Application)
             0x85, kSimEventReportId,
             0x15, 0x00,  // Logical Minimum (0)
             0x27, 0xFF,
             0xFF, 0x00,
             0x00,        // Logical Maximum (65535)
             0x19, 0x00,  // Usage Minimum (0)
             0x2A, 0xFF,
             0xFF,  // Usage Maximum (65535)
             0x75, 0x10,
             0x95, 0x01,  // 1 x 16 bits
             0x81, 0x00,  // Input (Data, Array, Absolute)
             0xC0});
  // 4. Commands.
  Append(d, {0x06, 0x1C, 0xFF,  // Usage Page (Vendor 0xFF1C)
             0x09, 0x92,        // Usage (0x92)
             0xA1, 0x01});      // Collection (Application)
  AppendCommandReports(d);
  Append(d, {0xC0});
  return d;
}

std::vector<uint8_t> SimHeadsetDescriptor() {
  std::vector<uint8_t> d;
  Append(d, {0x05, 0x0C,          // Usage Page (Consumer)
             0x09, 0x01,          // Usage (Consumer Control)
             0xA1, 0x01,          // Collection (Application)
             0x06, 0x1C, 0xFF});  // Usage Page (Vendor 0xFF1C) for the data
  AppendCommandReports(d);
  Append(d, {0xC0});
  return d;
}
