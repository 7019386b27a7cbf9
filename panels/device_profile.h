#pragma once
// CDeviceProfileUI: the profile bar of a device page. Its children come from
// "XML\CustomControlXML\DeviceProfile.xml": the combo of profile names, the
// name edit, the profile menu and the strip of operation tabs. The list of
// profiles itself is CProfileList; the bar carries out the operations on it
// and keeps the combo showing exactly what ProfileList.ini holds, also after
// a write failed (the list then stays as the file is and LastError() says
// why, for the main window to show).

#include <string>

#include "panels/toolkit/container.h"
#include "profiles/profile_list.h"

class CComboUI;
class COptionUI;

class CDeviceProfileUI : public CHorizontalLayoutUI {
 public:
  static constexpr const wchar_t* kLayout = L"XML\\CustomControlXML\\DeviceProfile.xml";
  // Combo items are this high.
  static constexpr int kItemHeight = 30;
  // The operation tabs in the order SelectOperationTab numbers them (1 ... 8).
  static constexpr const wchar_t* kTabNames[8] = {
      L"deng_Op_tab",   L"key_Op_tab",        L"macro_Op_tab", L"system_Op_tab",
      L"cursor_Op_tab", L"6533_voice_Op_tab", L"magic_Op_tab", L"Virtual7.1_Op_tab"};

  explicit CDeviceProfileUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"DeviceProfile"; }

  // Device type code of the device object (decides which tabs show).
  void SetDeviceType(int type);
  int GetDeviceType() const { return deviceType_; }
  // The user device folder (ending in '/') and the default profile path.
  void SetFolders(const std::string& folder, const std::string& defaultProfilePath);

  // Opens the list (making "profile1" when there is none), fills the combo,
  // selects the stored selection and sets the tabs' visibility. False without
  // the combo or when a needed write failed.
  bool InitProfiles();
  // Selects entry index in the combo (notify: raise "itemselect") and stores
  // it as the list's selection. False for an index outside the list or a
  // failed write; the combo then goes back to the stored selection.
  bool SelectProfile(int index, bool notify);
  // The combo's selection, -1 for none.
  int GetSelectedIndex() const;
  std::string GetCurrentUUID() const { return list_.GetCurrentUUID(); }
  // <folder><UUID>.Json of the selected profile, empty without one.
  std::string GetCurrentProfilePath() const { return list_.CurrentProfilePath(); }

  // The operations of the bar's buttons. Each returns true when the files
  // changed, false when it was refused or a write failed (LastError() tells
  // the two apart: empty for a refusal). The combo follows the list file.
  bool AddProfile();
  bool DeleteProfile();
  bool CopyProfile();
  RenameResult RenameProfile(const std::wstring& name);
  bool ImportProfile(const std::string& path);
  bool ExportProfile(const std::string& path);
  bool ResetProfile();
  const std::string& LastError() const { return list_.LastError(); }

  std::wstring GetNameEditText() const;
  void SetNameEditText(const std::wstring& text);
  void ShowProfileMenu(bool show);
  bool IsProfileMenuVisible() const;

  // Entries of the list file on disk and the profile file of entry i.
  int GetProfileCount() { return list_.GetProfileCount(); }
  std::string GetProfilePathAt(int i) { return list_.GetProfilePathAt(i); }

  // Marks tab n (1 ... 8, see kTabNames) selected and the others not,
  // without notifications; nothing happens when a tab is missing.
  void SelectOperationTab(int n);

  CComboUI* Combo();
  const CProfileList& List() const { return list_; }

 protected:
  void DoInit() override;

 private:
  // Makes the combo's items and selection and the name edit show the list.
  void SyncCombo();
  void ApplyTabVisibility();
  CControlUI* Child(const std::wstring& name) const;

  int deviceType_ = 0;
  CProfileList list_;
  bool built_ = false;
  CComboUI* combo_ = nullptr;
};
