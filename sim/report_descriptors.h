#pragma once
// HID report descriptors of the simulated interfaces.
//
// Keyboard, keyboard receiver, mouse, mouse receiver and mouse pad share the
// layout of their interface 1: four top-level collections, in this order
// (their paths carry &col01 to &col04):
//   1. Generic Desktop / Keyboard (0x01/0x06), report id 1: boot keyboard
//      input (modifier byte, reserved byte, six key usages) and the LED
//      output byte.
//   2. Generic Desktop / Mouse (0x01/0x02), report id 2: five buttons,
//      16-bit X and Y, 8-bit wheel.
//   3. Consumer / Consumer Control (0x0C/0x01), report id 3: the device
//      event report, one 16-bit usage (0 to 0xFFFF) in an array item, so
//      that the event code is the first usage of the report.
//   4. Vendor 0xFF1C / 0x92, report id 4: the command reports, 63 data bytes
//      each way (64 bytes with the report id).
// The headset's interface 3 has one collection, Consumer / Consumer Control
// (0x0C/0x01), holding the command reports with report id 4, 63 data bytes
// each way. Its light reports (17 bytes, report id 0) travel as SET_REPORT
// requests and are not described, as on the headset's audio chip.

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr uint8_t kSimKeyboardReportId = 1;
inline constexpr uint8_t kSimMouseReportId = 2;
inline constexpr uint8_t kSimEventReportId = 3;
inline constexpr uint8_t kSimCommandReportId = 4;
inline constexpr size_t kSimCommandReportSize = 64;  // report id included

std::vector<uint8_t> SimFourCollectionDescriptor();
std::vector<uint8_t> SimHeadsetDescriptor();
