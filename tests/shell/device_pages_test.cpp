// The keyboard and mouse pages of the skin: built headless as the main
// window builds them, their key buttons bind by name and user data the way
// the device objects bind them, and the keyboard picture holds each key of a
// full-size board exactly once, with no two caps overlapping.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QWidget>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "panels/controls/device_key_button.h"
#include "panels/device_profile.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/ui_types.h"
#include "profiles/json_file.h"
#include "shell/control_classes.h"
#include "tests/shell/qt_app.h"

namespace {

// The built-in key layout table: default code (type << 16 | byte1 << 8 |
// byte2) of key numbers 0 to 125; 126 to 169 hold 0x200000.
constexpr std::uint32_t kKeyLayout[126] = {
    0x200029, 0x20003a, 0x20003b, 0x20003c, 0x20003d, 0x20003e, 0x20003f, 0x200040, 0x200041,
    0x200042, 0x200043, 0x200044, 0x200045, 0x200046, 0x200047, 0x200048, 0xa01b00, 0xa02400,
    0x200000, 0x200000, 0x200000, 0x200035, 0x20001e, 0x20001f, 0x200020, 0x200021, 0x200022,
    0x200023, 0x200024, 0x200025, 0x200026, 0x200027, 0x20002d, 0x20002e, 0x20002a, 0x200049,
    0x20004a, 0x20004b, 0x200053, 0x200054, 0x200055, 0x200056, 0x20002b, 0x200014, 0x20001a,
    0x200008, 0x200015, 0x200017, 0x20001c, 0x200018, 0x20000c, 0x200012, 0x200013, 0x20002f,
    0x200030, 0x200031, 0x20004c, 0x20004d, 0x20004e, 0x20005f, 0x200060, 0x200061, 0x200032,
    0x200039, 0x200004, 0x200016, 0x200007, 0x200009, 0x20000a, 0x20000b, 0x20000d, 0x20000e,
    0x20000f, 0x200033, 0x200034, 0x200028, 0x20005c, 0x20005d, 0x20005e, 0x20008a, 0x20008b,
    0x200090, 0x200091, 0x200088, 0x200200, 0x20001d, 0x20001b, 0x200006, 0x200019, 0x200005,
    0x200011, 0x200010, 0x200036, 0x200037, 0x200038, 0x202000, 0x200052, 0x200059, 0x20005a,
    0x20005b, 0x200087, 0x200089, 0x200064, 0x200085, 0x200000, 0x200100, 0x200800, 0x200400,
    0x20002c, 0x204000, 0xa00100, 0x200065, 0x201000, 0x200050, 0x200051, 0x20004f, 0x200062,
    0x200063, 0x200058, 0x200057, 0xd0a201, 0xd0a202, 0xd0a203, 0xd0a204, 0xd0a205, 0x208000};
constexpr int kKeyboardKeys = 170;
constexpr int kKeyboardLights = 170;

// The codes of a full-size board (104 keys, US arrangement, Fn where the
// right Windows key would be).
std::set<std::uint32_t> FullSizeCodes() {
  std::set<std::uint32_t> codes;
  auto range = [&](int from, int to) {
    for (int u = from; u <= to; ++u) codes.insert(0x200000u | u);
  };
  range(0x04, 0x31);       // letters, digits, Enter, Esc, Backspace, Tab, Space, - = [ ] backslash
  range(0x33, 0x63);       // ; ' ` , . / Caps, F1-F12, the navigation keys, arrows, number pad
  codes.insert(0x200065);  // Menu
  for (std::uint32_t mod : {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40})
    codes.insert(0x200000 | mod << 8);
  codes.insert(0xa00100);  // Fn
  return codes;
}

// A name or user-data text split at its last underscore into prefix (with the
// underscore) and decimal number, as the device objects split them.
std::optional<std::pair<std::wstring, int>> Split(const std::wstring& text) {
  const size_t at = text.rfind(L'_');
  if (at == std::wstring::npos || at + 1 == text.size()) return std::nullopt;
  const std::wstring digits = text.substr(at + 1);
  if (digits.find_first_not_of(L"0123456789") != std::wstring::npos) return std::nullopt;
  return std::make_pair(ToLower(text.substr(0, at + 1)), std::stoi(digits));
}

// The main window's builder callback with the device classes, which the
// device list makes, standing in as plain layouts.
class PageCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const std::wstring& element) override {
    if (EqualsNoCase(element, L"QuorvaneKeyboardDevice") ||
        EqualsNoCase(element, L"QuorvaneMouseDevice"))
      return new CHorizontalLayoutUI();
    return CreateMainSkinControl(element, manager);
  }
  CPaintManagerUI* manager = nullptr;
};

class DevicePagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TestApp();
    RegisterControlClasses();
  }
  void SetUp() override {
    CResourceManager& resources = CResourceManager::GetInstance();
    resources.SetResourcePath(WideFromUtf8(std::string(RUVEMO_SOURCE_DIR) + "/skin/"));
    ASSERT_TRUE(resources.LoadResource(L"res.xml"));
    host = std::make_unique<QWidget>();
    host->resize(968, 520);
    manager.Init(host.get(), L"device_pages");
    callback.manager = &manager;
  }
  void TearDown() override { host.reset(); }

  CContainerUI* Build(const std::wstring& layout) {
    CDialogBuilder builder;
    auto* page = dynamic_cast<CContainerUI*>(builder.Create(layout, L"", &callback, &manager));
    EXPECT_NE(page, nullptr)
        << QString::fromStdWString(builder.GetLastErrorMessage()).toStdString();
    if (page == nullptr) return nullptr;
    page->setParent(host.get());
    page->setGeometry(0, 0, 968, 520);
    host->show();
    page->Relayout();
    SpinUntil([] { return false; }, 50);  // nested layouts run from the event loop
    return page;
  }
  static std::vector<CDeviceKeyButtonUI*> KeyButtons(CContainerUI* panel) {
    std::vector<CDeviceKeyButtonUI*> out;
    for (CControlUI* c : panel->Items())
      if (c->GetClass() == L"DeviceKeyButton") out.push_back(static_cast<CDeviceKeyButtonUI*>(c));
    return out;
  }
  static void ExpectNoOverlap(const std::vector<CDeviceKeyButtonUI*>& buttons,
                              CContainerUI* panel) {
    for (size_t i = 0; i < buttons.size(); ++i) {
      const QRect a = buttons[i]->geometry();
      EXPECT_FALSE(a.isEmpty()) << buttons[i]->GetName().size();
      EXPECT_TRUE(panel->rect().contains(a))
          << QString::fromStdWString(buttons[i]->GetName()).toStdString();
      for (size_t j = i + 1; j < buttons.size(); ++j)
        EXPECT_FALSE(a.intersects(buttons[j]->geometry()))
            << QString::fromStdWString(buttons[i]->GetName()).toStdString() << " and "
            << QString::fromStdWString(buttons[j]->GetName()).toStdString();
    }
  }

  std::unique_ptr<QWidget> host;
  CPaintManagerUI manager;
  PageCallback callback;
};

TEST_F(DevicePagesTest, TheKeyboardPictureHoldsEachKeyOfAFullSizeBoardOnce) {
  CContainerUI* page = Build(L"XML\\DeviceXml\\keyboarddevice.xml");
  ASSERT_NE(page, nullptr);
  EXPECT_NE(dynamic_cast<CDeviceProfileUI*>(page->FindSubControl(L"DeviceProfileItem")), nullptr);
  for (const wchar_t* place : {L"keyboard_light_place", L"keyboard_keyset_place",
                               L"keyboard_macro_place", L"keyboard_system_place"})
    EXPECT_NE(page->FindSubControl(place), nullptr);
  auto* panel = dynamic_cast<CContainerUI*>(page->FindSubControl(L"keyboard_device_key_light"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetClass(), L"SelectPanel");

  const std::vector<CDeviceKeyButtonUI*> buttons = KeyButtons(panel);
  std::map<std::uint32_t, int> seen;  // code -> times
  std::set<int> keys;
  for (CDeviceKeyButtonUI* b : buttons) {
    const std::string name = QString::fromStdWString(b->GetName()).toStdString();
    const auto key = Split(b->GetName());
    const auto light = Split(b->GetUserData());
    ASSERT_TRUE(key && light) << name;
    EXPECT_EQ(key->first, L"key_") << name;
    EXPECT_EQ(light->first, L"light_") << name;
    // The preview lights keys by key number.
    EXPECT_EQ(light->second, key->second) << name;
    EXPECT_LT(key->second, kKeyboardKeys) << name;
    EXPECT_LT(light->second, kKeyboardLights) << name;
    EXPECT_TRUE(keys.insert(key->second).second) << "twice: " << name;
    ASSERT_LT(key->second, 126) << name;
    ++seen[kKeyLayout[key->second]];
  }
  const std::set<std::uint32_t> board = FullSizeCodes();
  ASSERT_EQ(board.size(), 104u);
  EXPECT_EQ(buttons.size(), board.size());
  for (std::uint32_t code : board) EXPECT_EQ(seen[code], 1) << std::hex << code;
  for (const auto& [code, times] : seen) EXPECT_TRUE(board.count(code)) << std::hex << code;
  ExpectNoOverlap(buttons, panel);
}

TEST_F(DevicePagesTest, TheMousePictureHasItsButtonsAndLights) {
  CContainerUI* page = Build(L"XML\\DeviceXml\\mousedevice.xml");
  ASSERT_NE(page, nullptr);
  EXPECT_NE(dynamic_cast<CDeviceProfileUI*>(page->FindSubControl(L"DeviceProfileItem")), nullptr);
  auto* tabs = dynamic_cast<CTabLayoutUI*>(page->FindSubControl(L"mouse_device_seting_layout"));
  ASSERT_NE(tabs, nullptr);
  std::set<int> keys, lights;
  for (CControlUI* p : tabs->Items()) {
    if (p->GetClass() != L"SelectPanel") continue;
    auto* panel = static_cast<CContainerUI*>(p);
    const auto buttons = KeyButtons(panel);
    for (CDeviceKeyButtonUI* b : buttons) {
      if (auto key = Split(b->GetName()); key && key->first == L"key_") {
        EXPECT_TRUE(keys.insert(key->second).second);
      }
      if (auto light = Split(b->GetUserData()); light && light->first == L"light_") {
        EXPECT_TRUE(lights.insert(light->second).second);
      }
    }
    ExpectNoOverlap(buttons, panel);
  }
  EXPECT_EQ(keys.size(), 11u);
  EXPECT_EQ(lights.size(), 15u);
  EXPECT_EQ(*keys.rbegin(), 10);
  EXPECT_EQ(*lights.rbegin(), 14);
}

// Saves a picture of the keyboard page with some keys lit when
// RUVEMO_SCREENSHOT_DIR names a folder (for the documentation).
TEST_F(DevicePagesTest, KeyboardPagePicture) {
  const QByteArray dir = qgetenv("RUVEMO_SCREENSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "RUVEMO_SCREENSHOT_DIR not set";
  CResourceManager::GetInstance().LoadLanguage(L"lan_en.xml");
  // The fonts of the main window.
  manager.AddFont(0, L"DejaVu Sans", 15, false, false, false, true);
  manager.AddFont(1, L"DejaVu Sans", 13, false, false, false, false);
  manager.AddFont(3, L"DejaVu Sans", 12, false, false, false, false);
  CContainerUI* page = Build(L"XML\\DeviceXml\\keyboarddevice.xml");
  ASSERT_NE(page, nullptr);
  page->SetBkColor(0xFF14161B);
  auto* bar = dynamic_cast<CDeviceProfileUI*>(page->FindSubControl(L"DeviceProfileItem"));
  ASSERT_NE(bar, nullptr);
  char folder[] = "/tmp/ruvemo-page-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string user = std::string(folder) + "/";
  ASSERT_EQ(WriteJson(user + "default.Json", Json::Value(Json::objectValue)), 0);
  bar->SetDeviceType(1);
  bar->SetFolders(user, user + "default.Json");
  ASSERT_TRUE(bar->InitProfiles());
  bar->AddProfile();
  bar->SelectOperationTab(1);
  auto* panel = dynamic_cast<CContainerUI*>(page->FindSubControl(L"keyboard_device_key_light"));
  ASSERT_NE(panel, nullptr);
  // A rainbow across the board by column, as the wave effect shows it.
  for (CDeviceKeyButtonUI* b : KeyButtons(panel)) {
    const int x = b->geometry().center().x() * 300 / panel->width();
    const QColor c = QColor::fromHsv(x % 360, 255, 255);
    b->SetLight(true);
    b->SetLightColor(c.red() | c.blue() << 8 | c.green() << 16);
    b->SetLightBrightness(b->geometry().center().y() < panel->height() / 6 ? 120 : 255);
  }
  host->show();
  page->Relayout();
  QApplication::processEvents();
  const QImage image = host->grab().toImage();
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(image.save(QDir(QString::fromLocal8Bit(dir)).filePath("keyboard_page_static.png")));
}

}  // namespace
