#include "profiles/macro_events.h"

#include <new>

#include "profiles/basic_profiledata.h"
#include "profiles/json_access.h"
#include "profiles/json_file.h"
#include "profiles/macro_library.h"

uint64_t MacroEventDelay(const Json::Value& delay) {
  if (delay.isString()) {
    uint64_t value = 0;
    for (const char c : delay.asString()) {
      if (c < '0' || c > '9') break;
      value =
          value > (UINT64_MAX - 9) / 10 ? UINT64_MAX : value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
  }
  const int64_t value = JInt64(delay);
  return value < 0 ? 0 : static_cast<uint64_t>(value);
}

std::array<uint8_t, 4> EncodeMacroEvent(const Json::Value& event) {
  const auto delay = static_cast<uint16_t>(MacroEventDelay(JMember(event, "Delay")));
  auto type = static_cast<uint8_t>(JInt(JMember(event, "Type")));
  if (JString(JMember(event, "Action")) == "down") type |= 0x80;
  return {static_cast<uint8_t>(delay & 0xFF), static_cast<uint8_t>(delay >> 8), type,
          static_cast<uint8_t>(JInt(JMember(event, "Button")))};
}

size_t EventBlockLength(const std::vector<Json::Value>& eventArrays) {
  size_t total = 16 + 2 * eventArrays.size();
  for (const auto& events : eventArrays) total += 4 + 4 * static_cast<size_t>(JSize(events));
  return total;
}

namespace {

void PutU16(std::vector<uint8_t>& out, size_t at, size_t value) {
  out[at] = static_cast<uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

std::vector<uint8_t> BuildEventBlock(const std::vector<Json::Value>& eventArrays) {
  std::vector<uint8_t> block(EventBlockLength(eventArrays), 0);
  block[0] = 0xAA;
  block[1] = 0x55;
  PutU16(block, 2, block.size());
  PutU16(block, 4, eventArrays.size());
  size_t at = 16 + 2 * eventArrays.size();
  for (size_t j = 0; j < eventArrays.size(); ++j) {
    const Json::Value& events = eventArrays[j];
    PutU16(block, 16 + 2 * j, at);
    PutU16(block, at, JSize(events));
    at += 4;
    for (Json::ArrayIndex e = 0; e < JSize(events); ++e) {
      const auto record = EncodeMacroEvent(events[e]);
      for (const uint8_t byte : record) block[at++] = byte;
    }
  }
  return block;
}

MacroBlockResult BuildMacroBlock(const CMacroLibrary& library, const std::vector<int>& indexes,
                                 int capacityUnits) {
  MacroBlockResult out;
  if (library.Count() == 0 || indexes.empty()) return out;
  std::vector<Json::Value> arrays;
  arrays.reserve(indexes.size());
  for (const int index : indexes) arrays.push_back(library.LoadMacroEvents(index));
  const size_t total = EventBlockLength(arrays);
  // The length field has 16 bits, so no block may be longer than that.
  size_t capacity = static_cast<size_t>(capacityUnits < 0 ? 0 : capacityUnits) * 128;
  if (capacity > 0xFFFF) capacity = 0xFFFF;
  if (total > capacity) {
    const size_t over = (total - capacity) / 4 + 1;
    out.result = over > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(over);
    return out;
  }
  try {
    out.block = BuildEventBlock(arrays);
  } catch (const std::bad_alloc&) {
    out.result = -1;
  }
  return out;
}

std::vector<int> CollectUsedMacros(const std::vector<KeyAssignmentRecord>& keys, int macroCount) {
  std::vector<int> used;
  auto note = [&](const AssignmentCode& code) {
    if (!code.IsMacro() || code.p1 >= macroCount) return;
    for (const int u : used)
      if (u == code.p1) return;
    used.push_back(code.p1);
  };
  for (const auto& key : keys) {
    note(key.Normal.code);
    note(key.Fn.code);
  }
  return used;
}

bool RepairMacroReferences(std::vector<KeyAssignmentRecord>& keys, int k) {
  bool changed = false;
  for (auto& key : keys) {
    for (KeyValue* value : {&key.Normal, &key.Fn}) {
      if (!value->code.IsMacro()) continue;
      if (value->code.p1 == k) {
        value->code = key.Default.code;
        changed = true;
      } else if (value->code.p1 > k) {
        --value->code.p1;
        changed = true;
      }
    }
  }
  return changed;
}

bool RepairMacroReferencesInProfile(const std::string& profilePath,
                                    const std::string& defaultProfilePath, int k) {
  if (profilePath.empty()) return false;
  CBasicProfiledata doc;
  doc.SetDefaultProfilePath(defaultProfilePath);
  doc.SetDeviceIndex(0);
  doc.LoadSecondary(profilePath);
  std::vector<KeyAssignmentRecord> keys = doc.GetSecondaryKeyList();
  if (!RepairMacroReferences(keys, k)) return false;
  doc.SetSecondaryKeyList(keys);
  return doc.SaveSecondary(profilePath);
}
