// The shipped skin has what the program asks of it by name: every image a
// layout names can be read; the device tab has an icon set for every kind
// and the battery indicator its controls and an image for every state; the
// macro step row and the main window's settings mark come from the skin.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <memory>
#include <set>

#include "panels/controls/combo_edit_element.h"
#include "panels/controls/device_option.h"
#include "panels/controls/device_power.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/edit.h"
#include "panels/toolkit/image_string.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "shell/control_classes.h"
#include "tests/shell/qt_app.h"

namespace {

const QString kSkin = QString(RUVEMO_SOURCE_DIR) + "/skin";

class SkinFilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TestApp();
    RegisterControlClasses();
  }
  void SetUp() override {
    CResourceManager& resources = CResourceManager::GetInstance();
    resources.SetResourcePath(kSkin.toStdWString() + L"/");
    ASSERT_TRUE(resources.LoadResource(L"res.xml"));
    host = std::make_unique<QWidget>();
    manager.Init(host.get(), L"skin_files");
  }
  // The tree of a layout of the skin folder (or XML text), owned by the host.
  template <class T>
  T* Build(const std::wstring& xml) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(xml, L"", nullptr, &manager);
    EXPECT_NE(root, nullptr)
        << QString::fromStdWString(builder.GetLastErrorMessage()).toStdString();
    if (root) root->setParent(host.get());
    return dynamic_cast<T*>(root);
  }
  // True when the file of an image string can be read from the skin folder.
  static bool Readable(const std::wstring& imageString) {
    const std::wstring file = ParseImageString(imageString).file;
    return !file.empty() && !CResourceManager::GetInstance().LoadImage(file).isNull();
  }

  std::unique_ptr<QWidget> host;
  CPaintManagerUI manager;
};

TEST_F(SkinFilesTest, EveryImageTheLayoutsNameCanBeRead) {
  static const QRegularExpression named(R"re(file='([^']+)')re");
  static const QRegularExpression indexed(R"re(<Image [^>]*file="([^"]+)")re");
  int seen = 0;
  QDirIterator it(kSkin, {"*.xml"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QString text = QString::fromUtf8(f.readAll());
    for (const auto* re : {&named, &indexed}) {
      for (auto m = re->globalMatch(text); m.hasNext();) {
        const QString file = m.next().captured(1);
        ++seen;
        EXPECT_FALSE(CResourceManager::GetInstance().LoadImage(file.toStdWString()).isNull())
            << file.toStdString() << " named in " << path.mid(kSkin.size() + 1).toStdString();
      }
    }
  }
  EXPECT_GT(seen, 10);
}

TEST_F(SkinFilesTest, TheDeviceTabHasAnIconSetForEveryKindAndRole) {
  auto* tab = Build<CDeviceOptionUI>(L"XML\\CustomControlXML\\DeviceOption.xml");
  ASSERT_NE(tab, nullptr);
  ASSERT_NE(tab->SelectOption(), nullptr);
  ASSERT_NE(tab->SynchroOption(), nullptr);
  ASSERT_NE(tab->NameLabel(), nullptr);
  std::set<std::wstring> prefixes;
  for (int kind = 0; kind <= 10; ++kind) {
    for (int role : {0, 1}) {
      tab->SetKind(kind, role);
      prefixes.insert(tab->GetIconPrefix());
      for (const std::wstring& image :
           {tab->GetNormalImage(), tab->GetSelectedImage(), tab->GetSynchroNormalImage(),
            tab->GetSynchroSelectedImage()}) {
        // The icons are drawn over the whole tab, so they have its size.
        const QImage icon = CResourceManager::GetInstance().LoadImage(image);
        EXPECT_FALSE(icon.isNull()) << QString::fromStdWString(image).toStdString();
        EXPECT_EQ(icon.size(), QSize(150, 48)) << QString::fromStdWString(image).toStdString();
      }
    }
  }
  EXPECT_EQ(prefixes.size(), 7u);  // kb, ms, hard_mp, soft_mp, hd, hub, unknow
}

TEST_F(SkinFilesTest, TheBatteryIndicatorHasItsControlsAndAnImageForEveryState) {
  auto* power = Build<CMpDevicePowerUI>(L"XML\\CustomControlXML\\MpDevicePower.xml");
  ASSERT_NE(power, nullptr);
  for (const wchar_t* name :
       {L"device_power_Layout", L"device_Power_progress", L"device_power_value",
        L"device_power_status", L"device_wuxian_logo", L"device_phone_type"})
    ASSERT_NE(power->FindSubControl(name), nullptr) << QString::fromWCharArray(name).toStdString();
  CControlUI* status = power->FindSubControl(L"device_power_status");
  CControlUI* phone = power->FindSubControl(L"device_phone_type");
  EXPECT_TRUE(Readable(status->GetBkImage()));  // before the first block

  power->SetKind(3, 0);
  for (std::uint8_t charge : {0, 1, 2}) {
    for (std::uint8_t wireless : {0, 1}) {
      for (std::uint8_t phoneType : {0, 1, 2, 3}) {
        const std::uint8_t block[64] = {50, charge, 0, wireless, 0, phoneType};
        status->SetBkImage(L"");
        phone->SetBkImage(L"");
        power->ShowBattery(block, sizeof block);
        const std::string what = "charge " + std::to_string(charge) + ", wireless " +
                                 std::to_string(wireless) + ", phone " + std::to_string(phoneType);
        EXPECT_TRUE(Readable(status->GetBkImage())) << what;
        EXPECT_TRUE(Readable(phone->GetBkImage())) << what;
      }
    }
  }
  power->ShowLayout(false);
  EXPECT_FALSE(power->FindSubControl(L"device_power_Layout")->IsVisible());
}

TEST_F(SkinFilesTest, TheMacroStepRowTakesItsControlsFromTheSkin) {
  auto* list = Build<CContainerUI>(
      L"<VerticalLayout><ComboEditContainerElement name=\"macro_action\"/></VerticalLayout>");
  ASSERT_NE(list, nullptr);
  auto* row = dynamic_cast<CComboEditContainerElementUI*>(list->GetItemAt(0));
  ASSERT_NE(row, nullptr);
  EXPECT_NE(row->Text1(), nullptr);
  EXPECT_NE(row->Text2(), nullptr);
  EXPECT_NE(row->DelayEdit(), nullptr);
}

}  // namespace
