#include "profiles/macro_library.h"

#include <sys/stat.h>
#include <unistd.h>

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

int CMacroLibrary::NewMacro() {
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
  if (!JMember(index, "MacroInfo").isArray())
    JSetMember(index, "MacroInfo") = Json::Value(Json::arrayValue);
  Json::Value entry(Json::objectValue);
  entry["MacroName"] = "macro_" + std::to_string(n);
  entry["Guid"] = guid;
  index["MacroInfo"][count] = entry;
  if (WriteJson(IndexPath(), index) != 0) return -1;
  return static_cast<int>(count);
}

bool CMacroLibrary::RenameMacroEntry(int index, const std::wstring& name) {
  Json::Value idx = ReadIndex();
  const Json::Value& info = JMember(idx, "MacroInfo");
  if (index < 0 || static_cast<Json::ArrayIndex>(index) >= JSize(info)) return false;
  JSetMember(idx["MacroInfo"][index], "MacroName") = Utf8FromWide(name);
  return WriteJson(IndexPath(), idx) == 0;
}

bool CMacroLibrary::DeleteMacroEntry(int index) {
  Json::Value idx = ReadIndex();
  if (index < 0 || static_cast<Json::ArrayIndex>(index) >= JSize(JMember(idx, "MacroInfo")))
    return false;
  const std::string file = EventFileFor(JString(JMember(idx["MacroInfo"][index], "Guid")));
  if (!file.empty()) ::unlink(file.c_str());
  Json::Value removed;
  idx["MacroInfo"].removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
  return WriteJson(IndexPath(), idx) == 0;
}

bool CMacroLibrary::SaveMacroEvents(int index, const Json::Value& events) {
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
  return WriteJson(file, doc) == 0;
}

Json::Value CMacroLibrary::LoadMacroEvents(int index) const {
  const std::string file = EventFilePath(index);
  const Json::Value doc = file.empty() ? Json::Value() : ReadJson(file);
  const Json::Value& events = JMember(doc, "Events");
  return events.isArray() ? events : Json::Value(Json::arrayValue);
}

int CMacroLibrary::ImportMacroFile(const std::string& path) {
  if (path.empty()) return -1;
  const Json::Value doc = ReadJson(path);
  if (!doc.isObject()) return -1;
  const int index = NewMacro();
  if (index < 0) return -1;
  const std::string file = EventFilePath(index);
  if (file.empty() || WriteJson(file, doc) != 0) return -1;
  return index;
}

bool CMacroLibrary::ExportMacroFile(int index, const std::string& path) const {
  if (path.empty() || index < 0) return false;
  const Json::Value idx = ReadIndex();
  const Json::Value& entry =
      JElement(JMember(idx, "MacroInfo"), static_cast<Json::ArrayIndex>(index));
  if (entry.isNull()) return false;
  const std::string file = EventFileFor(JString(JMember(entry, "Guid")));
  Json::Value doc = file.empty() ? Json::Value() : ReadJson(file);
  if (!doc.isObject()) {
    doc = Json::Value(Json::objectValue);
    doc["MacroName"] = JString(JMember(entry, "MacroName"));
    doc["Guid"] = JString(JMember(entry, "Guid"));
    doc["Version"] = 64;
  }
  return WriteJson(path, doc) == 0;
}

std::vector<std::wstring> ReadMacroNames(const std::string& indexPath) {
  std::vector<std::wstring> names;
  const Json::Value index = ReadJson(indexPath);
  const Json::Value& info = JMember(index, "MacroInfo");
  for (Json::ArrayIndex i = 0; i < JSize(info); ++i)
    names.push_back(WideFromUtf8(JString(JMember(info[i], "MacroName"))));
  return names;
}
