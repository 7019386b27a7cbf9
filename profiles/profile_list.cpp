#include "profiles/profile_list.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cwctype>

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

bool CProfileList::WriteList(const Json::Value& list) const {
  return WriteJson(ListPath(), list) == 0;
}

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

void CProfileList::WriteProfileFile(Json::Value doc, const std::wstring& name,
                                    const std::string& uuid) const {
  const std::string path = PathFor(uuid);
  if (path.empty()) return;
  JSetMember(doc, "profilename") = Utf8FromWide(name);
  JSetMember(doc, "profileUUID") = uuid;
  WriteJson(path, doc);
}

void CProfileList::InitProfiles() {
  Json::Value list = ReadList();
  if (JSize(JMember(list, "profilelist")) == 0) {
    list = Json::Value(Json::objectValue);
    Json::Value entry(Json::objectValue);
    const std::string uuid = NewUuid();
    entry["profilename"] = "profile1";
    entry["profileUUID"] = uuid;
    entry["profileislink"] = 0;
    entry["profilelinkmame"] = "";
    list["profilelist"].append(entry);
    list["profileselect"] = 0;
    WriteList(list);
    WriteProfileFile(ReadJson(defaultProfilePath_), L"profile1", uuid);
  } else {
    // An identifier that is not a plain file name never reaches the disk:
    // the entry gets a fresh one, and a profile file from the default profile.
    bool repaired = false;
    Json::Value& entries = list["profilelist"];
    for (Json::ArrayIndex i = 0; i < entries.size(); ++i) {
      if (!PathFor(JString(JMember(entries[i], "profileUUID"))).empty()) continue;
      const std::string uuid = MakeUniqueId([&](const std::string& id) {
        for (Json::ArrayIndex k = 0; k < entries.size(); ++k)
          if (JString(JMember(entries[k], "profileUUID")) == id) return true;
        struct stat st {};
        return ::stat((folder_ + id + ".Json").c_str(), &st) == 0;
      });
      const std::wstring name = NameOf(entries[i]);
      JSetMember(entries[i], "profileUUID") = uuid;
      WriteProfileFile(ReadJson(defaultProfilePath_), name, uuid);
      repaired = true;
    }
    if (repaired) WriteList(list);
  }

  names_.clear();
  const Json::Value& entries = JMember(list, "profilelist");
  for (Json::ArrayIndex i = 0; i < JSize(entries); ++i) names_.push_back(NameOf(entries[i]));
  int select = JInt(JMember(list, "profileselect"));
  if (select < 0 || select >= static_cast<int>(names_.size())) select = 0;
  SelectProfile(select);
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

void CProfileList::SelectProfile(int index) {
  if (index < 0 || index >= static_cast<int>(names_.size())) return;
  selected_ = index;
  Json::Value list = ReadList();
  JSetMember(list, "profileselect") = index;
  currentUuid_ = SelectedUuidFrom(list);
  WriteList(list);
}

bool CProfileList::AddProfile() {
  if (static_cast<int>(names_.size()) >= kMaxProfilesByAdd) return false;
  int n = 1;
  std::wstring name = L"profile1";
  while (NameTaken(name)) name = L"profile" + std::to_wstring(++n);
  const std::string uuid = NewUuid();
  names_.push_back(name);
  Json::Value list = ReadList();
  AppendEntry(list, name, uuid);
  JSetMember(list, "profileselect") = static_cast<int>(names_.size() - 1);
  WriteList(list);
  WriteProfileFile(ReadJson(defaultProfilePath_), name, uuid);
  return true;
}

bool CProfileList::DeleteProfile() {
  const int sel = selected_;
  if (sel < 0 || names_.size() <= 1) return false;
  const int newSel = sel == 0 ? 0 : sel - 1;
  Json::Value list = ReadList();
  Json::Value& entries = JSetMember(list, "profilelist");
  if (entries.isArray() && static_cast<Json::ArrayIndex>(sel) < entries.size()) {
    const std::string path = PathFor(JString(JMember(entries[sel], "profileUUID")));
    Json::Value removed;
    entries.removeIndex(static_cast<Json::ArrayIndex>(sel), &removed);
    if (!path.empty()) ::unlink(path.c_str());
  }
  JSetMember(list, "profileselect") = newSel;
  WriteList(list);
  names_.erase(names_.begin() + sel);
  // The deleted profile's identifier must not stay current, or the device
  // would write its file back on the next save.
  selected_ = -1;
  SelectProfile(newSel);
  return true;
}

bool CProfileList::CopyProfile() {
  const int sel = selected_;
  if (sel < 0 || sel >= static_cast<int>(names_.size())) return false;
  std::wstring name = names_[sel] + L" copy";
  while (NameTaken(name)) name += L" copy";
  const std::string source = PathFor(SelectedUuidFrom(ReadList()));
  const std::string uuid = NewUuid();
  names_.push_back(name);
  Json::Value list = ReadList();
  AppendEntry(list, name, uuid);
  WriteList(list);
  WriteProfileFile(source.empty() ? Json::Value() : ReadJson(source), name, uuid);
  return true;
}

RenameResult CProfileList::RenameProfile(const std::wstring& name) {
  const int sel = selected_;
  if (IsBlank(name)) return RenameResult::kBlank;
  if (sel < 0 || sel >= static_cast<int>(names_.size())) return RenameResult::kRefused;
  if (NameTaken(name, sel)) return RenameResult::kRefused;
  names_[sel] = name;
  Json::Value list = ReadList();
  Json::Value& entry =
      JSetElement(JSetMember(list, "profilelist"), static_cast<Json::ArrayIndex>(sel));
  JSetMember(entry, "profilename") = Utf8FromWide(name);
  const std::string path = PathFor(JString(JMember(entry, "profileUUID")));
  WriteList(list);
  if (!path.empty()) {
    Json::Value doc = ReadJson(path);
    JSetMember(doc, "profilename") = Utf8FromWide(name);
    WriteJson(path, doc);
  }
  return RenameResult::kDone;
}

bool CProfileList::ImportProfile(const std::string& path) {
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
  names_.push_back(name);
  Json::Value list = ReadList();
  AppendEntry(list, name, uuid);
  WriteList(list);
  WriteProfileFile(doc, name, uuid);
  return true;
}

bool CProfileList::ExportProfile(const std::string& path) {
  if (selected_ < 0 || path.empty()) return false;
  const std::string source = PathFor(SelectedUuidFrom(ReadList()));
  if (source.empty()) return false;
  const Json::Value doc = ReadJson(source);
  if (doc.isNull()) return false;
  return WriteJson(path, doc) == 0;
}

bool CProfileList::ResetProfile() {
  if (selected_ < 0) return false;
  const Json::Value list = ReadList();
  const Json::Value& entry =
      JElement(JMember(list, "profilelist"), static_cast<Json::ArrayIndex>(selected_));
  const std::string uuid = JString(JMember(entry, "profileUUID"));
  const std::string path = PathFor(uuid);
  if (path.empty()) return false;
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
  return WriteJson(path, doc) == 0;
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
