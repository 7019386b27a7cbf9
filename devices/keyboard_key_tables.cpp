#include "devices/keyboard_key_tables.h"

#include <algorithm>

#include "link/command_result.h"
#include "link/device_channel.h"
#include "profiles/macro_events.h"
#include "profiles/macro_library.h"

namespace {

// The position of macro in the used list, appended when new.
uint8_t UsedIndex(std::vector<int>& used, int macro) {
  auto it = std::find(used.begin(), used.end(), macro);
  if (it == used.end()) it = used.insert(used.end(), macro);
  return static_cast<uint8_t>(it - used.begin());
}

void Put(std::vector<uint8_t>& table, int position, const AssignmentCode& code) {
  const size_t at = static_cast<size_t>(position) * 3;
  if (at + 3 > table.size()) return;
  table[at] = code.type;
  table[at + 1] = code.p1;
  table[at + 2] = code.p2;
}

int WrittenKeys(const std::vector<KeyAssignmentRecord>& keys) {
  return std::min<int>(kKeyboardWrittenKeys, static_cast<int>(keys.size()));
}

}  // namespace

KeyboardKeyTables BuildKeyTables(const KeyboardLayout& layout,
                                 const std::vector<KeyAssignmentRecord>& keys, int macroCount) {
  KeyboardKeyTables t;
  t.main = layout.keyTable;
  t.fn = layout.keyTable;
  for (int i = 0; i < WrittenKeys(keys); ++i) {
    if (!layout.HasKey(i)) continue;
    const KeyAssignmentRecord& key = keys[i];
    AssignmentCode normal = key.Normal.code;
    if (normal.IsMacro()) {
      if (normal.p1 < macroCount)
        normal.p1 = UsedIndex(t.usedMacros, normal.p1);
      else
        normal = key.Default.code;
    }
    AssignmentCode fn = key.Fn.code;
    if (fn.IsMacro()) {
      if (fn.p1 < macroCount)
        fn.p1 = UsedIndex(t.usedMacros, fn.p1);
      else
        fn = AssignmentCode{};
    }
    // An Fn value equal to the key's default leaves the Fn layer empty there.
    if (fn == key.Default.code) fn = AssignmentCode{};
    Put(t.fn, layout.position[i], fn);
    Put(t.main, layout.position[i], normal);
  }
  return t;
}

std::vector<int> CollectUsedMacros(const KeyboardLayout& layout,
                                   const std::vector<KeyAssignmentRecord>& keys, int macroCount) {
  std::vector<KeyAssignmentRecord> present;
  for (int i = 0; i < WrittenKeys(keys); ++i)
    if (layout.HasKey(i)) present.push_back(keys[i]);
  return ::CollectUsedMacros(present, macroCount);
}

int WriteKeyTables(CDeviceChannel& channel, int page, const KeyboardLayout& layout,
                   const std::vector<KeyAssignmentRecord>& keys, int macroCount,
                   std::vector<int>* usedMacros) {
  if (!channel.IsOpen()) return kCommandNoReply;
  uint8_t info[kDeviceInfoSize] = {};
  int first = channel.ReadDeviceInfo(info);
  const KeyboardKeyTables tables = BuildKeyTables(layout, keys, macroCount);
  if (usedMacros != nullptr) *usedMacros = tables.usedMacros;
  if (first != kCommandSuccess) return first;
  // The channel sends block size bytes from each table.
  if (tables.main.size() < channel.BlockSize()) return kCommandBadRange;
  auto note = [&first](int result) {
    if (first == kCommandSuccess) first = result;
  };
  note(channel.BeginConfig());
  note(channel.WriteKeyTable(tables.main.data(), page));
  note(channel.WriteFnKeyTable(tables.fn.data(), page));
  note(channel.EndConfig());
  return first;
}

MacroWriteResult WriteMacros(CDeviceChannel& channel, const CMacroLibrary& library,
                             const std::vector<int>& usedMacros) {
  MacroWriteResult r;
  uint8_t info[kDeviceInfoSize] = {};
  if (channel.IsOpen()) {
    r.command = channel.ReadDeviceInfo(info);
    if (r.command != kCommandSuccess) {
      r.result = r.command;
      return r;
    }
  }
  const MacroBlockResult block = BuildMacroBlock(library, usedMacros, info[6]);
  r.imageLength = block.block.size();
  if (block.result != 0 || block.block.empty()) {
    r.result = block.result;
    return r;
  }
  if (!channel.IsOpen()) return r;
  auto note = [&r](int result) {
    if (r.command == kCommandSuccess) r.command = result;
  };
  note(channel.BeginConfig());
  note(channel.WriteMacroData(block.block.data(), static_cast<uint32_t>(block.block.size())));
  note(channel.EndConfig());
  if (r.command != kCommandSuccess) r.result = r.command <= 0 ? r.command : -1;
  return r;
}
