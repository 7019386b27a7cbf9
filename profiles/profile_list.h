#pragma once
// The list of a device's named profiles (ProfileList.ini in the user device
// folder) and the operations of the profile bar, without any widget. Names()
// plays the part of the bar's combo: the profile bar mirrors it item for item,
// and SelectedIndex() is the combo's selection. Every operation that changes
// the list re-reads the file, changes it and writes it back at once.
//
// Operations that write more than one file order their writes so that the
// folder is consistent at every instant (a crash between two writes leaves
// no list entry without its complete profile file): a new profile file is
// written before the list names it, and a file is removed only after the list
// has stopped naming it. When a write fails the operation reports it, the list
// file and Names() stay as they were, and LastError() says which file could
// not be written and why.
//
// Identifiers read from the list become file names, so an entry whose
// "profileUUID" is not a plain file name is given a fresh identifier when the
// list is opened (its old file is never followed).

#include <json/json.h>

#include <string>
#include <vector>

inline constexpr int kMaxProfilesByAdd = 50;
inline constexpr int kHeadsetDeviceType = 7;

enum class RenameResult { kRefused = 0, kDone = 1, kBlank = 2, kFailed = 3 };

class CProfileList {
 public:
  // Device type code (the device kind the device object gives; 7 headset).
  void SetDeviceType(int type) { deviceType_ = type; }
  // The user device folder (ending in '/') and the default profile path.
  void SetFolders(const std::string& folder, const std::string& defaultProfilePath);

  // Reads the list; an empty, missing or broken list is replaced by one
  // profile "profile1" made from the default profile. Then selects the entry
  // "profileselect" names (0 when it lies outside the list). False when a
  // needed write failed; Names() then holds what the file holds (nothing when
  // there was no list) and nothing is selected.
  bool InitProfiles();

  // The combo: profile names in list order and the selection (-1 for none).
  const std::vector<std::wstring>& Names() const { return names_; }
  int GetSelectedIndex() const { return selected_; }
  const std::string& GetCurrentUUID() const { return currentUuid_; }
  // <folder><UUID of the selection>.Json, empty without a selection.
  std::string CurrentProfilePath() const;

  // Selects entry index and stores it as "profileselect" (the list is written
  // only when that changes). False for an index outside the list or when the
  // write failed; the selection then stays as it was.
  bool SelectProfile(int index);
  // Each returns true when it changed the files, false when it was refused or
  // a write failed (LastError() is empty for a refusal).
  bool AddProfile();
  // Removes the selected entry; its profile file goes too unless another
  // entry (a hand-edited list) names the same file.
  bool DeleteProfile();
  // Refused when the selected profile's file cannot be read: a copy carries
  // the settings of its source, never the default profile's.
  bool CopyProfile();
  // 1 done, 0 the name is taken, 2 a blank name, 3 a write failed.
  RenameResult RenameProfile(const std::wstring& name);
  // Imports a profile document; the name is the file's stem. Refused (false)
  // when the file is not an object with "profilename" and "profileUUID" or
  // its stem is empty.
  bool ImportProfile(const std::string& path);
  // Writes the selected profile's file to path. Refused when the profile
  // file cannot be read.
  bool ExportProfile(const std::string& path);
  // Rewrites the selected profile from the default profile, keeping its name
  // and identifier (and on the headset its custom equalisers).
  bool ResetProfile();

  // Why the last operation failed: "<what> <path>: <reason>", or empty when it
  // succeeded or was refused by the list's own rules.
  const std::string& LastError() const { return lastError_; }

  // Entries of the list file as it is on disk now.
  int GetProfileCount();
  // <folder><UUID>.Json of entry i, empty when there is none.
  std::string GetProfilePathAt(int i);

  const std::string& Folder() const { return folder_; }
  std::string ListPath() const { return folder_ + "ProfileList.ini"; }

 private:
  Json::Value ReadList() const;
  bool WriteList(const Json::Value& list) const;
  bool WriteFile(const std::string& path, const Json::Value& doc) const;
  std::string PathFor(const std::string& uuid) const;
  bool NameTaken(const std::wstring& name, int skip = -1) const;
  // A new list entry at names_.size() - 1 (the item just added).
  void AppendEntry(Json::Value& list, const std::wstring& name, const std::string& uuid) const;
  bool WriteProfileFile(Json::Value doc, const std::wstring& name, const std::string& uuid) const;
  std::string NewUuid() const;
  std::string SelectedUuidFrom(const Json::Value& list) const;

  int deviceType_ = 0;
  std::string folder_;
  std::string defaultProfilePath_;
  std::vector<std::wstring> names_;
  int selected_ = -1;
  std::string currentUuid_;
  Json::Value countList_;
  mutable std::string lastError_;
};

// Case-insensitive comparison of profile and macro names.
bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b);
