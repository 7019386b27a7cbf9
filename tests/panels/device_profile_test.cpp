// The profile bar: its controls come from the skin, its combo shows what
// ProfileList.ini holds after every operation (also after a failed write),
// and its tabs follow the device type.

#include "panels/device_profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "panels/toolkit/button.h"
#include "panels/toolkit/combo.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/list.h"
#include "panels/toolkit/resource_manager.h"
#include "profiles/json_file.h"
#include "tests/panels/qt_test_env.h"
#include "tests/profiles/read_only.h"
#include "tests/profiles/temp_folder.h"

namespace {

class DeviceProfileTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    auto& res = CResourceManager::GetInstance();
    res.SetResourcePath(WideFromUtf8(std::string(RUVEMO_SOURCE_DIR) + "/skin/"));
    ASSERT_TRUE(res.LoadResource(L"res.xml"));
    CControlFactory::GetInstance()->RegistControl(L"CDeviceProfileUI",
                                                  [] { return new CDeviceProfileUI(); });
    host_ = std::make_unique<QWidget>();
    manager_.Init(host_.get(), L"profile_bar");
    host_->resize(1000, 120);
    manager_.AddNotifier(&recorder_);
    WriteDoc("DefaultData/KB.Json",
             R"({"profilename": "", "profileUUID": "", "Device": [{"LightInfo": {"Light": 4}}]})");
    MakeBar("user/", 1);
  }

  void TearDown() override {
    host_.reset();  // the bar goes before its paint manager
    bar_ = nullptr;
    TempFolderTest::TearDown();
  }

  // A new bar as the skin has it, over the folder name of the test folder.
  void MakeBar(const std::string& name, int type) {
    delete bar_;
    CDialogBuilder builder;
    bar_ = dynamic_cast<CDeviceProfileUI*>(
        builder.Create(L"<DeviceProfile name=\"DeviceProfileItem\"/>", L"", nullptr, &manager_));
    ASSERT_NE(bar_, nullptr);
    bar_->setParent(host_.get());
    combo_ = bar_->Combo();
    ASSERT_NE(combo_, nullptr);
    folder_ = PathOf(name);
    std::filesystem::create_directories(folder_);
    bar_->SetDeviceType(type);
    bar_->SetFolders(folder_, PathOf("DefaultData/KB.Json"));
  }

  Json::Value List() const { return ReadDoc(folder_.substr(dir_.size()) + "ProfileList.ini"); }

  std::vector<std::wstring> ComboTexts() const {
    std::vector<std::wstring> texts;
    for (int i = 0; i < combo_->GetCount(); ++i) texts.push_back(combo_->GetItemAt(i)->GetText());
    return texts;
  }

  // The combo holds the list file's names in its order, each item 30 high
  // with the name as its user data; the combo, the name edit and the list
  // agree on the selection.
  void ExpectInStep() const {
    const Json::Value list = List();
    ASSERT_EQ(combo_->GetCount(), static_cast<int>(list["profilelist"].size()));
    for (int i = 0; i < combo_->GetCount(); ++i) {
      CControlUI* item = combo_->GetItemAt(i);
      const std::wstring name = WideFromUtf8(list["profilelist"][i]["profilename"].asString());
      EXPECT_EQ(item->GetText(), name) << i;
      EXPECT_EQ(item->GetUserData(), name) << i;
      EXPECT_EQ(item->GetFixedHeight(), CDeviceProfileUI::kItemHeight);
    }
    const int sel = bar_->GetSelectedIndex();
    EXPECT_EQ(sel, bar_->List().GetSelectedIndex());
    ASSERT_GE(sel, 0);
    EXPECT_EQ(bar_->GetNameEditText(), combo_->GetItemAt(sel)->GetText());
    EXPECT_EQ(bar_->GetCurrentUUID(), list["profilelist"][sel]["profileUUID"].asString());
  }

  std::unique_ptr<QWidget> host_;
  CPaintManagerUI manager_;
  CDeviceProfileUI* bar_ = nullptr;
  CComboUI* combo_ = nullptr;
  NotifyRecorder recorder_;
  std::string folder_;
};

TEST_F(DeviceProfileTest, TheSkinGivesEveryControlTheBarUses) {
  for (const wchar_t* name :
       {L"device_profile_combo", L"device_profile_name_edit", L"profile_menu_layout",
        L"device_add_btn", L"device_sub_btn", L"device_copy_btn", L"device_profile_edit_save_btn",
        L"device_import_btn", L"device_export_btn", L"device_reset_btn"})
    EXPECT_NE(bar_->FindSubControl(name), nullptr) << QString::fromWCharArray(name).toStdString();
  for (const wchar_t* tab : CDeviceProfileUI::kTabNames)
    EXPECT_NE(dynamic_cast<COptionUI*>(bar_->FindSubControl(tab)), nullptr)
        << QString::fromWCharArray(tab).toStdString();
  bar_->ShowProfileMenu(false);
  EXPECT_FALSE(bar_->IsProfileMenuVisible());
  bar_->ShowProfileMenu(true);
  EXPECT_TRUE(bar_->IsProfileMenuVisible());
}

TEST_F(DeviceProfileTest, OperationsKeepTheComboInStepWithTheListFile) {
  ASSERT_TRUE(bar_->InitProfiles());
  EXPECT_EQ(ComboTexts(), (std::vector<std::wstring>{L"profile1"}));
  ExpectInStep();

  // Adding names the new profile in the file only; the combo stays on the
  // profile the device has.
  ASSERT_TRUE(bar_->AddProfile());
  EXPECT_EQ(ComboTexts(), (std::vector<std::wstring>{L"profile1", L"profile2"}));
  EXPECT_EQ(bar_->GetSelectedIndex(), 0);
  EXPECT_EQ(List()["profileselect"].asInt(), 1);

  ASSERT_TRUE(bar_->SelectProfile(1, true));
  ExpectInStep();
  EXPECT_EQ(recorder_.OfType(L"itemselect").size(), 1u);
  EXPECT_EQ(List()["profileselect"].asInt(), 1);
  // An index outside the list changes nothing.
  EXPECT_FALSE(bar_->SelectProfile(7, false));
  ExpectInStep();

  ASSERT_TRUE(bar_->CopyProfile());
  EXPECT_EQ(ComboTexts().back(), L"profile2 copy");
  ExpectInStep();

  // A name that looks like a language id is shown as typed.
  EXPECT_EQ(bar_->RenameProfile(L"message_text_5"), RenameResult::kDone);
  EXPECT_EQ(ComboTexts()[1], L"message_text_5");
  ExpectInStep();
  EXPECT_EQ(bar_->RenameProfile(L"PROFILE1"), RenameResult::kRefused);
  EXPECT_EQ(bar_->RenameProfile(L"  "), RenameResult::kBlank);
  EXPECT_TRUE(bar_->LastError().empty());
  ExpectInStep();

  WriteDoc("in/Work.json", R"({"profilename": "w", "profileUUID": "w", "Device": [{}]})");
  ASSERT_TRUE(bar_->ImportProfile(PathOf("in/Work.json")));
  EXPECT_EQ(ComboTexts().back(), L"Work");
  ExpectInStep();

  ASSERT_TRUE(bar_->ExportProfile(PathOf("out.json")));
  EXPECT_EQ(ReadDoc("out.json")["profilename"].asString(), "message_text_5");

  ASSERT_TRUE(bar_->DeleteProfile());
  EXPECT_EQ(ComboTexts(), (std::vector<std::wstring>{L"profile1", L"profile2 copy", L"Work"}));
  EXPECT_EQ(bar_->GetSelectedIndex(), 0);
  ExpectInStep();

  // Reset rewrites the selected profile from the default, keeping its name.
  Json::Value doc = ReadDoc("user/" + bar_->GetCurrentUUID() + ".Json");
  doc["Device"][0]["LightInfo"]["Light"] = 1;
  WriteDoc("user/" + bar_->GetCurrentUUID() + ".Json", doc.toStyledString());
  ASSERT_TRUE(bar_->ResetProfile());
  doc = ReadDoc("user/" + bar_->GetCurrentUUID() + ".Json");
  EXPECT_EQ(doc["Device"][0]["LightInfo"]["Light"].asInt(), 4);
  EXPECT_EQ(doc["profilename"].asString(), "profile1");
  ExpectInStep();

  EXPECT_EQ(bar_->GetProfileCount(), 3);
  EXPECT_EQ(bar_->GetProfilePathAt(2),
            folder_ + List()["profilelist"][2]["profileUUID"].asString() + ".Json");
}

TEST_F(DeviceProfileTest, AFailedWriteLeavesTheComboAsTheFileIsAndSaysWhy) {
  struct Op {
    const char* name;
    std::function<bool(CDeviceProfileUI&)> run;
  };
  WriteDoc("in/Work.json", R"({"profilename": "w", "profileUUID": "w", "Device": [{}]})");
  const std::string import = PathOf("in/Work.json");
  const Op ops[] = {
      {"add", [](CDeviceProfileUI& b) { return b.AddProfile(); }},
      {"delete", [](CDeviceProfileUI& b) { return b.DeleteProfile(); }},
      {"copy", [](CDeviceProfileUI& b) { return b.CopyProfile(); }},
      {"rename",
       [](CDeviceProfileUI& b) { return b.RenameProfile(L"New") != RenameResult::kFailed; }},
      {"import", [&](CDeviceProfileUI& b) { return b.ImportProfile(import); }},
      {"reset", [](CDeviceProfileUI& b) { return b.ResetProfile(); }},
      {"select", [](CDeviceProfileUI& b) { return b.SelectProfile(0, false); }},
  };
  ASSERT_TRUE(bar_->InitProfiles());
  ASSERT_TRUE(bar_->AddProfile());
  ASSERT_TRUE(bar_->SelectProfile(1, false));
  for (const Op& op : ops) {
    SCOPED_TRACE(op.name);
    {
      ReadOnlyFolder readOnly(folder_);
      if (!readOnly.Effective()) GTEST_SKIP() << "cannot make a folder read-only here";
      EXPECT_FALSE(op.run(*bar_));
      EXPECT_NE(bar_->LastError().find(folder_), std::string::npos) << bar_->LastError();
    }
    EXPECT_EQ(ComboTexts(), (std::vector<std::wstring>{L"profile1", L"profile2"}));
    EXPECT_EQ(bar_->GetSelectedIndex(), 1);
    ExpectInStep();
  }
  // A pick in the combo that cannot be stored goes back to the stored one.
  combo_->SelectItem(0, false, false);
  {
    ReadOnlyFolder readOnly(folder_);
    EXPECT_FALSE(bar_->SelectProfile(bar_->GetSelectedIndex(), false));
  }
  EXPECT_EQ(bar_->GetSelectedIndex(), 1);
  ExpectInStep();
}

TEST_F(DeviceProfileTest, TabsFollowTheDeviceTypeAndOneIsSelected) {
  struct Case {
    int type;
    std::vector<std::wstring> shown;
  };
  const std::vector<std::wstring> skin = {L"deng_Op_tab", L"key_Op_tab", L"macro_Op_tab",
                                          L"system_Op_tab", L"cursor_Op_tab"};
  const Case cases[] = {
      {1, {L"deng_Op_tab", L"key_Op_tab", L"macro_Op_tab", L"system_Op_tab"}},
      {2, skin},
      {6, skin},
      {3, {L"deng_Op_tab"}},
      {5, {L"deng_Op_tab"}},
      {4, {L"deng_Op_tab", L"system_Op_tab"}},
      {7, {L"deng_Op_tab", L"6533_voice_Op_tab", L"magic_Op_tab", L"Virtual7.1_Op_tab"}},
      {9, skin},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    MakeBar("type" + std::to_string(c.type) + "/", c.type);
    ASSERT_TRUE(bar_->InitProfiles());
    std::vector<std::wstring> shown;
    for (const wchar_t* tab : CDeviceProfileUI::kTabNames)
      if (bar_->FindSubControl(tab)->IsVisible()) shown.push_back(tab);
    EXPECT_EQ(shown, c.shown);
  }
  for (int n = 1; n <= 8; ++n) {
    bar_->SelectOperationTab(n);
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(dynamic_cast<COptionUI*>(bar_->FindSubControl(CDeviceProfileUI::kTabNames[i]))
                    ->IsSelected(),
                i + 1 == n);
  }
  EXPECT_TRUE(recorder_.OfType(L"selectchanged").empty());
}

}  // namespace
