#include "panels/device_profile.h"

#include "panels/toolkit/button.h"
#include "panels/toolkit/combo.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/edit.h"
#include "platform/debug_output.h"
#include "profiles/json_file.h"

namespace {

// Which tabs the device type code hides and shows at the end of InitProfiles.
struct TabRule {
  int type;
  std::vector<const wchar_t*> hidden;
  std::vector<const wchar_t*> shown;
};

const std::vector<TabRule>& TabRules() {
  static const std::vector<TabRule> rules = {
      {1, {L"cursor_Op_tab"}, {}},
      {2, {}, {}},
      {6, {}, {}},
      {3, {L"cursor_Op_tab", L"macro_Op_tab", L"system_Op_tab", L"key_Op_tab"}, {}},
      {5, {L"cursor_Op_tab", L"macro_Op_tab", L"system_Op_tab", L"key_Op_tab"}, {}},
      {4, {L"cursor_Op_tab", L"macro_Op_tab", L"key_Op_tab"}, {}},
      {7,
       {L"cursor_Op_tab", L"macro_Op_tab", L"system_Op_tab", L"key_Op_tab"},
       {L"6533_voice_Op_tab", L"magic_Op_tab", L"Virtual7.1_Op_tab"}},
  };
  return rules;
}

}  // namespace

CDeviceProfileUI::CDeviceProfileUI(QWidget* parent) : CHorizontalLayoutUI(parent) {}

void CDeviceProfileUI::DoInit() {
  if (built_) return;
  built_ = true;
  CDialogBuilder builder;
  if (builder.Create(kLayout, L"", nullptr, GetManager(), this) == nullptr)
    DebugOutputF("profile bar: layout %s not built: %s", Utf8FromWide(kLayout).c_str(),
                 Utf8FromWide(builder.GetLastErrorMessage()).c_str());
}

CControlUI* CDeviceProfileUI::Child(const std::wstring& name) const { return FindSubControl(name); }

CComboUI* CDeviceProfileUI::Combo() {
  if (combo_ == nullptr) combo_ = dynamic_cast<CComboUI*>(Child(L"device_profile_combo"));
  return combo_;
}

void CDeviceProfileUI::SetDeviceType(int type) {
  deviceType_ = type;
  list_.SetDeviceType(type);
}

void CDeviceProfileUI::SetFolders(const std::string& folder,
                                  const std::string& defaultProfilePath) {
  list_.SetFolders(folder, defaultProfilePath);
}

void CDeviceProfileUI::SyncCombo() {
  CComboUI* combo = Combo();
  if (combo == nullptr) return;
  const std::vector<std::wstring>& names = list_.Names();
  bool same = combo->GetCount() == static_cast<int>(names.size());
  for (int i = 0; same && i < combo->GetCount(); ++i)
    same = combo->GetItemAt(i)->GetText() == names[i];
  if (!same) {
    combo->SelectItem(-1, false, false);
    combo->RemoveAll();
    for (const std::wstring& name : names) {
      auto* item = new CListLabelElementUI();
      item->SetFixedHeight(kItemHeight);
      item->SetResourceText(false);  // a name is shown as typed, never translated
      item->SetText(name);
      item->SetUserData(name);
      combo->Add(item);
    }
  }
  const int sel = list_.GetSelectedIndex();
  if (combo->GetCurSel() != sel) combo->SelectItem(sel, false, false);
  SetNameEditText(sel >= 0 ? names[sel] : std::wstring());
  combo->Invalidate();
}

bool CDeviceProfileUI::InitProfiles() {
  if (Combo() == nullptr) return false;
  const bool ok = list_.InitProfiles();
  SyncCombo();
  ApplyTabVisibility();
  return ok;
}

bool CDeviceProfileUI::SelectProfile(int index, bool notify) {
  CComboUI* combo = Combo();
  if (combo == nullptr) return false;
  if (!list_.SelectProfile(index)) {
    SyncCombo();
    return false;
  }
  SyncCombo();
  if (notify) {
    // The item is already selected; raise the notification the user's pick
    // would have raised.
    combo->SelectItem(-1, false, false);
    combo->SelectItem(index, true, true);
  }
  return true;
}

int CDeviceProfileUI::GetSelectedIndex() const {
  auto* combo = dynamic_cast<CComboUI*>(Child(L"device_profile_combo"));
  return combo ? combo->GetCurSel() : -1;
}

bool CDeviceProfileUI::AddProfile() {
  if (Combo() == nullptr) return false;
  const bool ok = list_.AddProfile();
  SyncCombo();
  return ok;
}

bool CDeviceProfileUI::DeleteProfile() {
  if (Combo() == nullptr) return false;
  const bool ok = list_.DeleteProfile();
  SyncCombo();
  return ok;
}

bool CDeviceProfileUI::CopyProfile() {
  if (Combo() == nullptr) return false;
  const bool ok = list_.CopyProfile();
  SyncCombo();
  return ok;
}

RenameResult CDeviceProfileUI::RenameProfile(const std::wstring& name) {
  if (Combo() == nullptr) return RenameResult::kRefused;
  const RenameResult result = list_.RenameProfile(name);
  SyncCombo();
  return result;
}

bool CDeviceProfileUI::ImportProfile(const std::string& path) {
  if (Combo() == nullptr) return false;
  const bool ok = list_.ImportProfile(path);
  SyncCombo();
  return ok;
}

bool CDeviceProfileUI::ExportProfile(const std::string& path) {
  if (Combo() == nullptr) return false;
  return list_.ExportProfile(path);
}

bool CDeviceProfileUI::ResetProfile() {
  if (Combo() == nullptr) return false;
  return list_.ResetProfile();
}

std::wstring CDeviceProfileUI::GetNameEditText() const {
  CControlUI* edit = Child(L"device_profile_name_edit");
  return edit ? edit->GetText() : std::wstring();
}

void CDeviceProfileUI::SetNameEditText(const std::wstring& text) {
  if (CControlUI* edit = Child(L"device_profile_name_edit")) edit->SetText(text);
}

void CDeviceProfileUI::ShowProfileMenu(bool show) {
  if (CControlUI* menu = Child(L"profile_menu_layout")) menu->SetVisible(show);
}

bool CDeviceProfileUI::IsProfileMenuVisible() const {
  CControlUI* menu = Child(L"profile_menu_layout");
  return menu && menu->IsVisible();
}

void CDeviceProfileUI::ApplyTabVisibility() {
  for (const TabRule& rule : TabRules()) {
    if (rule.type != deviceType_) continue;
    for (const wchar_t* name : rule.hidden)
      if (CControlUI* tab = Child(name)) tab->SetVisible(false);
    for (const wchar_t* name : rule.shown)
      if (CControlUI* tab = Child(name)) tab->SetVisible(true);
  }
}

void CDeviceProfileUI::SelectOperationTab(int n) {
  COptionUI* tabs[8];
  for (int i = 0; i < 8; ++i) {
    tabs[i] = dynamic_cast<COptionUI*>(Child(kTabNames[i]));
    if (tabs[i] == nullptr) return;
  }
  for (int i = 0; i < 8; ++i) tabs[i]->Selected(i + 1 == n, false);
}
