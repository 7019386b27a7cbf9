#pragma once
// Macro events on their way to the device: the four-byte event record, the
// macro block for the device's macro memory, the list of macros that keys
// use, and the repair of key assignments after a macro is deleted.

#include <json/json.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "profiles/profile_records.h"

class CMacroLibrary;
class CProfileList;

// The delay of an event object's "Delay": the leading decimal digits of the
// text (none gives 0), or an integer; negative values give 0.
uint64_t MacroEventDelay(const Json::Value& delay);

// Delay low byte, delay high byte (delay cut to 16 bits), "Type" with bit 7
// set when "Action" is "down", "Button" low byte.
std::array<uint8_t, 4> EncodeMacroEvent(const Json::Value& event);

// Magic AA 55, total length, count, 10 reserved bytes, the offset table and
// one record per events array: count (u16), two zero bytes, the events.
// Little-endian throughout. The shooting-assist image uses the same layout.
std::vector<uint8_t> BuildEventBlock(const std::vector<Json::Value>& eventArrays);
size_t EventBlockLength(const std::vector<Json::Value>& eventArrays);

struct MacroBlockResult {
  // 0 the block is ready; a positive number: the block is that many four-byte
  // units (plus one) too large for the device; -1 it could not be built.
  int result = 0;
  std::vector<uint8_t> block;  // empty unless result is 0 and there were macros
};

// The block of the library's macros at the given indexes, in that order, for
// a device whose macro memory holds capacityUnits × 128 bytes. An empty or
// missing library (or an empty list) gives result 0 and no block. An index
// outside the library counts as a macro without events.
MacroBlockResult BuildMacroBlock(const CMacroLibrary& library, const std::vector<int>& indexes,
                                 int capacityUnits);

// The distinct macro indexes below macroCount that the keys use, in order of
// first use; per key the Normal value before the Fn value.
std::vector<int> CollectUsedMacros(const std::vector<KeyAssignmentRecord>& keys, int macroCount);

// After macro k is removed: a macro assignment of k becomes the key's default
// assignment, one of a later macro moves down by one. Returns true when any
// value changed.
bool RepairMacroReferences(std::vector<KeyAssignmentRecord>& keys, int k);

// RepairMacroReferences on the "KeyList" of the profile file at path (through
// a profile document's secondary section), saved when anything changed.
bool RepairMacroReferencesInProfile(const std::string& profilePath,
                                    const std::string& defaultProfilePath, int k);
