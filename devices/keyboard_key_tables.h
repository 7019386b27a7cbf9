#pragma once
// The keyboard's key tables and macro memory built from a profile's key list.
//
// The key list is indexed by key number (0 to 169). Only keys 0 to 125 that
// the keyboard has are written; every other device position keeps the code
// the keyboard reported for it. A macro assignment (types 0x70 and 0x71)
// names a macro of the library in the profile; on the device it names the
// macro's place in the used macro list, which holds the macros the keys use
// in order of first use (per key the main layer before the Fn layer).

#include <cstdint>
#include <vector>

#include "devices/keyboard_layout.h"
#include "profiles/profile_records.h"

class CDeviceChannel;
class CMacroLibrary;

struct KeyboardKeyTables {
  std::vector<uint8_t> main;  // key count × 3
  std::vector<uint8_t> fn;    // key count × 3
  std::vector<int> usedMacros;
};

// Main layer: the Assignment; a macro at or past macroCount becomes the
// DefaultAssignment. Fn layer: the FnAssignment; a macro at or past
// macroCount becomes 00.00.00, and an FnAssignment equal to the
// DefaultAssignment is written as 00.00.00 (the key keeps its own function).
KeyboardKeyTables BuildKeyTables(const KeyboardLayout& layout,
                                 const std::vector<KeyAssignmentRecord>& keys, int macroCount);

// The used macro list alone (the order BuildKeyTables numbers them in).
std::vector<int> CollectUsedMacros(const KeyboardLayout& layout,
                                   const std::vector<KeyAssignmentRecord>& keys, int macroCount);

// ReadDeviceInfo, then BeginConfig, WriteKeyTable and WriteFnKeyTable of the
// given page, EndConfig. The channel's block size must be key count × 3 (as
// ReadKeyboardLayout leaves it). Only page 0 exists: another page is refused
// by the channel and nothing reaches the device. Returns kCommandSuccess or
// the first failing result; usedMacros receives the list the tables refer to.
int WriteKeyTables(CDeviceChannel& channel, int page, const KeyboardLayout& layout,
                   const std::vector<KeyAssignmentRecord>& keys, int macroCount,
                   std::vector<int>* usedMacros = nullptr);

struct MacroWriteResult {
  // 0 written, or nothing to write (no macros used, or no readable library);
  // a positive number: the image is that many four-byte units (plus one) too
  // large and nothing was sent; -1 the image could not be built; another
  // value ≤ 0: the failing command's result.
  int result = 0;
  size_t imageLength = 0;
  int command = 1;  // kCommandSuccess or the first failing command's result
};

// The macro image of the used macros, checked against the macro memory
// (ReadDeviceInfo byte 6 × 128 bytes), written with WriteMacroData in one
// BeginConfig/EndConfig batch. An image that does not fit writes nothing.
MacroWriteResult WriteMacros(CDeviceChannel& channel, const CMacroLibrary& library,
                             const std::vector<int>& usedMacros);
