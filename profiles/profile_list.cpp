#include "profiles/profile_list.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cwctype>

#include "platform/debug_output.h"
#include "profiles/json_access.h"
#include "profiles/json_file.h"
#include "profiles/unique_id.h"

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
      return false;
  return true;
}

namespace {

std::wstring NameOf(const Json::Value& entry) {
  return WideFromUtf8(JString(JMember(entry, "profilename")));
}

std::string StemOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace

void CProfileList::SetFolders(const std::string& folder, const std::string& defaultProfilePath) {
  folder_ = folder;
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
  defaultProfilePath_ = defaultProfilePath;
}

Json::Value CProfileList::ReadList() const { return ReadJson(ListPath()); }

bool CProfileList::WriteFile(const std::string& path, const Json::Value& doc) const {
  if (WriteJson(path, doc) == 0) return true;
  lastError_ = "cannot write " + FileErrorText(path, errno);
  return false;
}

bool CProfileList::WriteList(const Json::Value& list) const { return WriteFile(ListPath(), list); }

std::string CProfileList::PathFor(const std::string& uuid) const {
  if (!IsPlainFileName(uuid + ".Json") || !IsPlainFileName(uuid)) return {};
  return folder_ + uuid + ".Json";
}

std::string CProfileList::NewUuid() const {
  const Json::Value list = ReadList();
  return MakeUniqueId([&](const std::string& id) {
    const Json::Value& entries = JMember(list, "profilelist");
    for (Json::ArrayIndex i = 0; i < JSize(entries); ++i)
      if (JString(JMember(entries[i], "profileUUID")) == id) return true;
    struct stat st {};
    return ::stat((folder_ + id + ".Json").c_str(), &st) == 0;
  });
}

bool CProfileList::NameTaken(const std::wstring& name, int skip) const {
  for (size_t i = 0; i < names_.size(); ++i)
    if (static_cast<int>(i) != skip && SameNameIgnoringCase(names_[i], name)) return true;
  return false;
}

void CProfileList::AppendEntry(Json::Value& list, const std::wstring& name,
                               const std::string& uuid) const {
  if (!JMember(list, "profilelist").isArray())
    JSetMember(list, "profilelist") = Json::Value(Json::arrayValue);
  Json::Value& entry = JSetElement(JSetMember(list, "profilelist"),
                                   static_cast<Json::ArrayIndex>(names_.size() - 1));
  entry = Json::Value(Json::objectValue);
  entry["profilename"] = Utf8FromWide(name);
  entry["profileUUID"] = uuid;
  entry["profileislink"] = 0;
  entry["profilelinkmame"] = "";
}

bool CProfileList::WriteProfileFile(Json::Value doc, const std::wstring& name,
                                    const std::string& uuid) const {
  const std::string path = PathFor(uuid);
  if (path.empty()) {
    lastError_ = "cannot write the profile '" + uuid + "': not a file name";
    return false;
  }
  JSetMember(doc, "profilename") = Utf8FromWide(name);
  JSetMember(doc, "profileUUID") = uuid;
  return WriteFile(path, doc);
}

bool CProfileList::InitProfiles() {
  lastError_.clear();
  names_.clear();
  selected_ = -1;
  currentUuid_.clear();
  Json::Value list = ReadList();
  if (JSize(JMember(list, "profilelist")) == 0) {
    const std::string uuid = NewUuid();
    // The profile file first, so that the list never names a missing file.
    if (!WriteProfileFile(ReadJson(defaultProfilePath_), L"profile1", uuid)) return false;
    list = Json::Value(Json::objectValue);
    Json::Value entry(Json::objectValue);
    entry["profilename"] = "profile1";
    entry["profileUUID"] = uuid;
    entry["profileislink"] = 0;
    entry["profilelinkmame"] = "";
    list["profilelist"].append(entry);
    list["profileselect"] = 0;
    if (!WriteList(list)) {
      RemoveFile(PathFor(uuid));
      return false;
    }
  } else {
    // An identifier that is not a plain file name never reaches the disk:
    // the entry gets a fresh one, and a profile file from the default profile.
    std::vector<std::string> made;
    bool ok = true;
    Json::Value& entries = list["profilelist"];
    for (Json::ArrayIndex i = 0; ok && i < entries.size(); ++i) {
      if (!PathFor(JString(JMember(entries[i], "profileUUID"))).empty()) continue;
      const std::string uuid = MakeUniqueId([&](const std::string& id) {
        for (Json::ArrayIndex k = 0; k < entries.size(); ++k)
          if (JString(JMember(entries[k], "profileUUID")) == id) return true;
        struct stat st {};
        return ::stat((folder_ + id + ".Json").c_str(), &st) == 0;
      });
      const std::wstring name = NameOf(entries[i]);
      JSetMember(entries[i], "profileUUID") = uuid;
      ok = WriteProfileFile(ReadJson(defaultProfilePath_), name, uuid);
      if (ok) made.push_back(uuid);
    }
    if (ok && !made.empty()) ok = WriteList(list);
    if (!ok) {
      for (const auto& uuid : made) RemoveFile(PathFor(uuid));
      list = ReadList();
    }
  }

  const Json::Value& entries = JMember(list, "profilelist");
  for (Json::ArrayIndex i = 0; i < JSize(entries); ++i) names_.push_back(NameOf(entries[i]));
  if (!lastError_.empty()) return false;
  int select = JInt(JMember(list, "profileselect"));
  if (select < 0 || select >= static_cast<int>(names_.size())) select = 0;
  return SelectProfile(select);
}

std::string CProfileList::SelectedUuidFrom(const Json::Value& list) const {
  if (selected_ < 0) return {};
  return JString(
      JMember(JElement(JMember(list, "profilelist"), static_cast<Json::ArrayIndex>(selected_)),
              "profileUUID"));
}

std::string CProfileList::CurrentProfilePath() const {
  if (selected_ < 0) return {};
  return PathFor(currentUuid_);
}

bool CProfileList::SelectProfile(int index) {
  lastError_.clear();
  if (index < 0 || index >= static_cast<int>(names_.size())) return false;
  Json::Value list = ReadList();
  const Json::Value& stored = JMember(list, "profileselect");
  if (!stored.isInt() || stored.asInt() != index) {
    JSetMember(list, "profileselect") = index;
    if (!WriteList(list)) return false;
  }
  selected_ = index;
  currentUuid_ = SelectedUuidFrom(list);
  return true;
}

bool CProfileList::AddProfile() {
  lastError_.clear();
  if (static_cast<int>(names_.size()) >= kMaxProfilesByAdd) return false;
  int n = 1;
  std::wstring name = L"profile1";
  while (NameTaken(name)) name = L"profile" + std::to_wstring(++n);
  const std::string uuid = NewUuid();
  if (!WriteProfileFile(ReadJson(defaultProfilePath_), name, uuid)) return false;
  names_.push_back(name);
  Json::Value list = ReadList();
  AppendEntry(list, name, uuid);
  JSetMember(list, "profileselect") = static_cast<int>(names_.size() - 1);
  if (!WriteList(list)) {
    names_.pop_back();
    RemoveFile(PathFor(uuid));
    return false;
  }
  return true;
}

bool CProfileList::DeleteProfile() {
  lastError_.clear();
  const int sel = selected_;
  if (sel < 0 || names_.size() <= 1) return false;
  const int newSel = sel == 0 ? 0 : sel - 1;
  Json::Value list = ReadList();
  Json::Value& entries = JSetMember(list, "profilelist");
  if (!entries.isArray() || static_cast<Json::ArrayIndex>(sel) >= entries.size()) {
    // The file lost the entry meanwhile; writing would not remove what was meant.
    lastError_ = "cannot read the profile list " + ListPath();
    return false;
  }
  const std::string uuid = JString(JMember(entries[sel], "profileUUID"));
  std::string path = PathFor(uuid);
  Json::Value removed;
  entries.removeIndex(static_cast<Json::ArrayIndex>(sel), &removed);
  // A hand-edited list may give two entries one file; the other still uses it.
  for (Json::ArrayIndex i = 0; i < entries.size(); ++i)
    if (JString(JMember(entries[i], "profileUUID")) == uuid) path.clear();
  JSetMember(list, "profileselect") = newSel;
  if (!WriteList(list)) return false;
  // The list no longer names the file, so it can go. A file that stays
  // behind is unused and harmless.
  if (!path.empty() && !RemoveFile(path))
    DebugOutputF("DeleteProfile: %s stays unused", path.c_str());
  names_.erase(names_.begin() + sel);
  // The deleted profile's identifier must not stay current, or the device
  // would write its file back on the next save.
  selected_ = -1;
  currentUuid_.clear();
  SelectProfile(newSel);
  return true;
}

bool CProfileList::CopyProfile() {
  lastError_.clear();
  const int sel = selected_;
  if (sel < 0 || sel >= static_cast<int>(names_.size())) return false;
  std::wstring name = names_[sel] + L" copy";
  while (NameTaken(name)) name += L" copy";
  const std::string source = PathFor(SelectedUuidFrom(ReadList()));
  const Json::Value doc = source.empty() ? Json::Value() : ReadJson(source);
  if (!doc.isObject()) {
    lastError_ = "cannot read the profile file " + (source.empty() ? folder_ : source);
    return false;
  }
  const std::string uuid = NewUuid();
  if (!WriteProfileFile(doc, name, uuid)) return false;
  names_.push_back(name);
  Json::Value list = ReadList();
  AppendEntry(list, name, uuid);
  if (!WriteList(list)) {
    names_.pop_back();
    RemoveFile(PathFor(uuid));
    return false;
  }
  return true;
}

RenameResult CProfileList::RenameProfile(const std::wstring& name) {
  lastError_.clear();
  const int sel = selected_;
  if (IsBlank(name)) return RenameResult::kBlank;
  if (sel < 0 || sel >= static_cast<int>(names_.size())) return RenameResult::kRefused;
  if (NameTaken(name, sel)) return RenameResult::kRefused;
  Json::Value list = ReadList();
  Json::Value& entry =
      JSetElement(JSetMember(list, "profilelist"), static_cast<Json::ArrayIndex>(sel));
  JSetMember(entry, "profilename") = Utf8FromWide(name);
  const std::string path = PathFor(JString(JMember(entry, "profileUUID")));
  // The name inside the profile file first; the list, which the combo shows,
  // follows. A file that does not read as a profile is left as it is.
  Json::Value before;
  if (!path.empty()) {
    Json::Value doc = ReadJson(path);
    if (doc.isObject()) {
      before = doc;
      JSetMember(doc, "profilename") = Utf8FromWide(name);
      if (!WriteFile(path, doc)) return RenameResult::kFailed;
    }
  }
  if (!WriteList(list)) {
    if (!before.isNull()) WriteJson(path, before);
    return RenameResult::kFailed;
  }
  names_[sel] = name;
  return RenameResult::kDone;
}

bool CProfileList::ImportProfile(const std::string& path) {
  lastError_.clear();
  if (selected_ < 0) return false;
  Json::Value doc = ReadJson(path);
  if (!doc.isObject() || JMember(doc, "profilename").isNull() ||
      JMember(doc, "profileUUID").isNull())
    return false;
  std::wstring name = WideFromUtf8(StemOf(path));
  if (IsBlank(name)) return false;
  int k = 1;
  while (NameTaken(name)) name += L"(" + std::to_wstring(k++) + L")";
  const std::string uuid = NewUuid();
  if (!WriteProfileFile(doc, name, uuid)) return false;
  names_.push_back(name);
  Json::Value list = ReadList();
  AppendEntry(list, name, uuid);
  if (!WriteList(list)) {
    names_.pop_back();
    RemoveFile(PathFor(uuid));
    return false;
  }
  return true;
}

bool CProfileList::ExportProfile(const std::string& path) {
  lastError_.clear();
  if (selected_ < 0 || path.empty()) return false;
  const std::string source = PathFor(SelectedUuidFrom(ReadList()));
  if (source.empty()) return false;
  const Json::Value doc = ReadJson(source);
  if (doc.isNull()) {
    lastError_ = "cannot read the profile file " + source;
    return false;
  }
  return WriteFile(path, doc);
}

bool CProfileList::ResetProfile() {
  lastError_.clear();
  if (selected_ < 0) return false;
  const Json::Value list = ReadList();
  const Json::Value& entry =
      JElement(JMember(list, "profilelist"), static_cast<Json::ArrayIndex>(selected_));
  const std::string uuid = JString(JMember(entry, "profileUUID"));
  const std::string path = PathFor(uuid);
  if (path.empty()) {
    lastError_ = "cannot read the profile list " + ListPath();
    return false;
  }
  Json::Value doc = ReadJson(defaultProfilePath_);
  JSetMember(doc, "profilename") = JString(JMember(entry, "profilename"));
  JSetMember(doc, "profileUUID") = uuid;
  if (deviceType_ == kHeadsetDeviceType) {
    const Json::Value current = ReadJson(path);
    const Json::Value& section = JElement(JMember(current, "Device"), 0);
    Json::Value& target = JSetElement(JSetMember(doc, "Device"), 0);
    for (const char* key : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
      const Json::Value& kept = JMember(section, key);
      if (!kept.isNull()) JSetMember(target, key) = kept;
    }
  }
  return WriteFile(path, doc);
}

int CProfileList::GetProfileCount() {
  countList_ = ReadList();
  return static_cast<int>(JSize(JMember(countList_, "profilelist")));
}

std::string CProfileList::GetProfilePathAt(int i) {
  if (i < 0) return {};
  return PathFor(JString(
      JMember(JElement(JMember(countList_, "profilelist"), static_cast<Json::ArrayIndex>(i)),
              "profileUUID")));
}
