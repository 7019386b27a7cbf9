// Any bytes as macro.config and as a macro event file: library operations,
// the event encoder and the device macro block must cope and stay inside.

#include <cstdint>
#include <cstdlib>

#include "profiles/fuzz/fuzz_folder.h"
#include "profiles/json_access.h"
#include "profiles/json_file.h"
#include "profiles/macro_events.h"
#include "profiles/macro_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFolder folder;
  folder.Reset();
  folder.Put(folder.User() + "macro.config", data, size);
  std::filesystem::create_directories(folder.Root() + "in");
  folder.Put(folder.Root() + "in/m.mac", data, size);

  CMacroLibrary library(folder.User());
  const auto macros = library.ListMacros();
  // Give every usable macro the same bytes as its event file.
  for (const auto& m : macros)
    if (IsPlainFileName(m.guid)) folder.Put(folder.User() + m.guid + ".mac", data, size);
  std::vector<int> all;
  for (int i = 0; i < static_cast<int>(macros.size()) + 1; ++i) all.push_back(i);
  const MacroBlockResult block = BuildMacroBlock(library, all, static_cast<int>(size % 300));
  if (block.result == 0 && !block.block.empty() && block.block.size() > 0xFFFF) std::abort();

  const Json::Value events = library.LoadMacroEvents(0);
  for (Json::ArrayIndex i = 0; i < events.size(); ++i) EncodeMacroEvent(events[i]);
  EncodeMacroEvent(ReadJson(folder.Root() + "in/m.mac"));
  library.SaveMacroEvents(0, events);
  library.RenameMacroEntry(0, L"x");
  library.ExportMacroFile(0, folder.Root() + "in/out.mac");
  library.ImportMacroFile(folder.Root() + "in/m.mac");
  library.NewMacro();
  library.DeleteMacroEntry(0);
  library.DeleteMacroEntry(static_cast<int>(size % 60));

  if (folder.Escaped()) std::abort();
  return 0;
}
