#include "profiles/macro_library.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

#include "platform/debug_output.h"
#include "profiles/json_access.h"
#include "profiles/json_file.h"
#include "profiles/macro_events.h"
#include "profiles/profile_list.h"
#include "profiles/unique_id.h"

CMacroLibrary::CMacroLibrary(std::string folder, std::string indexName)
    : folder_(std::move(folder)), indexName_(std::move(indexName)) {
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

Json::Value CMacroLibrary::ReadIndex() const { return ReadJson(IndexPath()); }

std::string CMacroLibrary::EventFileFor(const std::string& guid) const {
  if (!IsPlainFileName(guid)) return {};
  return folder_ + guid + ".mac";
}

std::vector<MacroEntry> CMacroLibrary::ListMacros() const {
  std::vector<MacroEntry> list;
  const Json::Value index = ReadIndex();
  const Json::Value& info = JMember(index, "MacroInfo");
  for (Json::ArrayIndex i = 0; i < JSize(info); ++i)
    list.push_back(
        {WideFromUtf8(JString(JMember(info[i], "MacroName"))), JString(JMember(info[i], "Guid"))});
  return list;
}

int CMacroLibrary::Count() const {
  return static_cast<int>(JSize(JMember(ReadIndex(), "MacroInfo")));
}

std::string CMacroLibrary::EventFilePath(int index) const {
  if (index < 0) return {};
  const Json::Value idx = ReadIndex();
  return EventFileFor(JString(
      JMember(JElement(JMember(idx, "MacroInfo"), static_cast<Json::ArrayIndex>(index)), "Guid")));
}

bool CMacroLibrary::WriteIndex(const Json::Value& index) const {
  if (WriteJson(IndexPath(), index) == 0) return true;
  lastError_ = "cannot write " + FileErrorText(IndexPath(), errno);
  return false;
}

int CMacroLibrary::NewMacro() { return AddMacro(nullptr); }

int CMacroLibrary::AddMacro(const std::string* eventBytes) {
  lastError_.clear();
  Json::Value index = ReadIndex();
  const Json::Value& info = JMember(index, "MacroInfo");
  const Json::ArrayIndex count = JSize(info);
  if (count >= static_cast<Json::ArrayIndex>(kMaxMacros)) return -1;
  auto taken = [&](const std::wstring& name) {
    for (Json::ArrayIndex i = 0; i < count; ++i)
      if (SameNameIgnoringCase(WideFromUtf8(JString(JMember(info[i], "MacroName"))), name))
        return true;
    return false;
  };
  int n = 1;
  while (taken(L"macro_" + std::to_wstring(n))) ++n;
  const std::string guid = MakeUniqueId([&](const std::string& id) {
    for (Json::ArrayIndex i = 0; i < count; ++i)
      if (JString(JMember(info[i], "Guid")) == id) return true;
    struct stat st {};
    return ::stat((folder_ + id + ".mac").c_str(), &st) == 0;
  });
  const std::string file = EventFileFor(guid);
  if (eventBytes != nullptr && WriteFileAtomic(file, *eventBytes) != 0) {
    lastError_ = "cannot write " + FileErrorText(file, errno);
    return -1;
  }
  if (!JMember(index, "MacroInfo").isArray())
    JSetMember(index, "MacroInfo") = Json::Value(Json::arrayValue);
  Json::Value entry(Json::objectValue);
  entry["MacroName"] = "macro_" + std::to_string(n);
  entry["Guid"] = guid;
  index["MacroInfo"][count] = entry;
  if (!WriteIndex(index)) {
    if (eventBytes != nullptr) RemoveFile(file);
    return -1;
  }
  return static_cast<int>(count);
}

bool CMacroLibrary::RenameMacroEntry(int index, const std::wstring& name) {
  lastError_.clear();
  Json::Value idx = ReadIndex();
  const Json::Value& info = JMember(idx, "MacroInfo");
  if (index < 0 || static_cast<Json::ArrayIndex>(index) >= JSize(info)) return false;
  JSetMember(idx["MacroInfo"][index], "MacroName") = Utf8FromWide(name);
  return WriteIndex(idx);
}

bool CMacroLibrary::DeleteMacroEntry(int index) {
  lastError_.clear();
  Json::Value idx = ReadIndex();
  if (index < 0 || static_cast<Json::ArrayIndex>(index) >= JSize(JMember(idx, "MacroInfo")))
    return false;
  const std::string guid = JString(JMember(idx["MacroInfo"][index], "Guid"));
  std::string file = EventFileFor(guid);
  Json::Value removed;
  idx["MacroInfo"].removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
  // A hand-edited index may give two entries one file; the other still uses it.
  for (Json::ArrayIndex i = 0; i < idx["MacroInfo"].size(); ++i)
    if (JString(JMember(idx["MacroInfo"][i], "Guid")) == guid) file.clear();
  if (!WriteIndex(idx)) return false;
  // The index no longer names the file, so it can go; one left behind is unused.
  if (!file.empty() && !RemoveFile(file))
    DebugOutputF("DeleteMacroEntry: %s stays unused", file.c_str());
  return true;
}

bool CMacroLibrary::SaveMacroEvents(int index, const Json::Value& events) {
  lastError_.clear();
  const Json::Value idx = ReadIndex();
  const Json::Value& entry =
      JElement(JMember(idx, "MacroInfo"), static_cast<Json::ArrayIndex>(index < 0 ? 0 : index));
  if (index < 0 || entry.isNull()) return false;
  const std::string guid = JString(JMember(entry, "Guid"));
  const std::string file = EventFileFor(guid);
  if (file.empty()) return false;
  Json::Value doc(Json::objectValue);
  doc["MacroName"] = JString(JMember(entry, "MacroName"));
  doc["Guid"] = guid;
  if (JSize(events) > 0) {
    Json::Value& out = doc["Events"];
    out = Json::Value(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < events.size(); ++i) {
      Json::Value e = events[i].isObject() ? events[i] : Json::Value(Json::objectValue);
      e["Delay"] = std::to_string(MacroEventDelay(JMember(events[i], "Delay")));
      out.append(e);
    }
  }
  doc["Version"] = 64;
  if (WriteJson(file, doc) == 0) return true;
  lastError_ = "cannot write " + FileErrorText(file, errno);
  return false;
}

Json::Value CMacroLibrary::LoadMacroEvents(int index) const {
  const std::string file = EventFilePath(index);
  const Json::Value doc = file.empty() ? Json::Value() : ReadJson(file);
  const Json::Value& events = JMember(doc, "Events");
  return events.isArray() ? events : Json::Value(Json::arrayValue);
}

int CMacroLibrary::ImportMacroFile(const std::string& path) {
  lastError_.clear();
  if (path.empty()) return -1;
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return -1;
  // Checked as the reader will see it (up to a zero byte), stored unchanged.
  Json::Value doc;
  try {
    if (!Json::Reader().parse(bytes.substr(0, bytes.find('\0')), doc, false)) return -1;
  } catch (const std::exception&) {
    return -1;
  }
  if (!doc.isObject()) return -1;
  return AddMacro(&bytes);
}

bool CMacroLibrary::ExportMacroFile(int index, const std::string& path) const {
  lastError_.clear();
  if (path.empty() || index < 0) return false;
  const Json::Value idx = ReadIndex();
  const Json::Value& entry =
      JElement(JMember(idx, "MacroInfo"), static_cast<Json::ArrayIndex>(index));
  if (entry.isNull()) return false;
  const std::string file = EventFileFor(JString(JMember(entry, "Guid")));
  // A macro never saved (or one whose Guid names no file) has no event file:
  // its copy is empty.
  std::string bytes;
  if (!file.empty() && !ReadFileBytes(file, bytes) && errno != ENOENT) {
    lastError_ = "cannot read " + FileErrorText(file, errno);
    return false;
  }
  if (WriteFileAtomic(path, bytes) == 0) return true;
  lastError_ = "cannot write " + FileErrorText(path, errno);
  return false;
}

std::vector<std::wstring> ReadMacroNames(const std::string& indexPath) {
  std::vector<std::wstring> names;
  const Json::Value index = ReadJson(indexPath);
  const Json::Value& info = JMember(index, "MacroInfo");
  for (Json::ArrayIndex i = 0; i < JSize(info); ++i)
    names.push_back(WideFromUtf8(JString(JMember(info[i], "MacroName"))));
  return names;
}
