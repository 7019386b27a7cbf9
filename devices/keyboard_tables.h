#pragma once
// The keyboard's two built-in code tables, as plain data.
//
// kKeyLayoutTable: for each of the program's key numbers (0 to 169) the code
// the key carries by default (type, argument 1, argument 2). A keyboard
// reports the code of each of its device key positions; the program finds a
// key's position by looking its default code up there. Keys 126 to 169 have
// no key of their own (20.00.00).
//
// kFnModeDisabledCodes: the 28 keys whose buttons are disabled while the Fn
// layer is shown in function-switch mode 2.

#include <array>
#include <cstdint>

inline constexpr int kKeyboardKeyNumbers = 170;
// Key numbers 0 to 125 have keys; the key tables are written for these.
inline constexpr int kKeyboardWrittenKeys = 126;
// Map entry of a key the keyboard lacks.
inline constexpr uint8_t kNoKeyPosition = 255;

using KeyCode = std::array<uint8_t, 3>;

extern const std::array<KeyCode, kKeyboardKeyNumbers> kKeyLayoutTable;
extern const std::array<KeyCode, 28> kFnModeDisabledCodes;
