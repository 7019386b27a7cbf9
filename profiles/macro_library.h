#pragma once
// A device's macro library: the index file macro.config and one event file
// <Guid>.mac per macro, both in the user device folder. A macro's position in
// "MacroInfo" is the number key assignments use, so the order only changes by
// deletion. Every change re-reads macro.config first. An event file is
// written before the index names it and removed only after the index has
// stopped naming it, so a crash between two writes leaves a consistent
// folder. When a write fails the operation reports it, the index stays as it
// was, and LastError() says which file and why. A "Guid" that is not a
// plain file name is never used as a file name: such a macro reads as one
// without steps, and nothing is written or deleted for it.

#include <json/json.h>

#include <string>
#include <vector>

inline constexpr int kMaxMacros = 50;

struct MacroEntry {
  std::wstring name;
  std::string guid;
};

class CMacroLibrary {
 public:
  // folder ends with '/'; the index file is macro.config (tomel_macro.config
  // for the headset and the mouse pad, which only read names).
  explicit CMacroLibrary(std::string folder, std::string indexName = "macro.config");

  std::vector<MacroEntry> ListMacros() const;
  int Count() const;
  // Adds "macro_N" with the smallest unused N (names compared ignoring case).
  // Returns the new index, or -1 when the library already holds 50 macros.
  int NewMacro();
  bool RenameMacroEntry(int index, const std::wstring& name);
  // Removes the entry (later macros move up), then the macro's event file
  // unless another entry names the same file.
  bool DeleteMacroEntry(int index);
  // Writes <Guid>.mac: {"MacroName", "Guid", "Events", "Version": 64}; an
  // empty events array is written without "Events". Each "Delay" is stored
  // as decimal text.
  bool SaveMacroEvents(int index, const Json::Value& events);
  // The "Events" of the macro's file (an empty array when there are none).
  Json::Value LoadMacroEvents(int index) const;
  // Adds a new macro whose event file is a copy of the chosen file. The file
  // must be a JSON object (anything else is refused before a macro is added).
  // Returns the new index or -1.
  int ImportMacroFile(const std::string& path);
  // Copies the macro's event file unchanged to path; a macro never saved has
  // no file and gives an empty one. False when the event file exists but
  // cannot be read, or path cannot be written.
  bool ExportMacroFile(int index, const std::string& path) const;

  // Why the last operation failed: "<what> <path>: <reason>", or empty when
  // it succeeded or was refused by the library's own rules.
  const std::string& LastError() const { return lastError_; }

  // <folder><Guid>.mac of macro index, empty when the Guid is unusable.
  std::string EventFilePath(int index) const;
  std::string IndexPath() const { return folder_ + indexName_; }
  const std::string& Folder() const { return folder_; }

 private:
  Json::Value ReadIndex() const;
  std::string EventFileFor(const std::string& guid) const;
  bool WriteIndex(const Json::Value& index) const;
  // NewMacro, with the new macro's event file written first when eventBytes
  // is given.
  int AddMacro(const std::string* eventBytes);

  std::string folder_;
  std::string indexName_;
  mutable std::string lastError_;
};

// The macro names of an index file, for the name lists of device objects.
std::vector<std::wstring> ReadMacroNames(const std::string& indexPath);
