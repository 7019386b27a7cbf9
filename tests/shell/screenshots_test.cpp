// The screenshot mode's keyboard page: the picture waits for a keyboard's tab
// to show, is taken with that tab made current, and the mode then ends.

#include "shell/screenshots.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "panels/controls/device_option.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "shell/control_classes.h"
#include "shell/main_wnd.h"
#include "tests/shell/qt_app.h"

namespace {

bool HasPicture(const QString& folder, const QString& pattern) {
  return !QDir(folder).entryList({pattern}, QDir::Files).isEmpty();
}

TEST(Screenshots, TheKeyboardPageIsTakenOnceTheKeyboardsTabShows) {
  TestApp();
  RegisterControlClasses();
  CPaintManagerUI::SetResourcePath(std::wstring(L"" RUVEMO_SOURCE_DIR) + L"/skin/");
  CResourceManager::GetInstance().LoadResource(L"res.xml");
  auto* window = new CMainWnd();
  ASSERT_TRUE(window->Create(nullptr, L"Brivo75", UI_WNDSTYLE_DIALOG, 0, 0, 0, 800, 572));
  auto* list =
      dynamic_cast<CContainerUI*>(window->GetPaintManager().FindControl(L"device_select_layout"));
  ASSERT_NE(list, nullptr);
  auto addTab = [&](int kind) {
    CDialogBuilder builder;
    auto* tab = dynamic_cast<CDeviceOptionUI*>(builder.Create(
        L"XML\\CustomControlXML\\DeviceOption.xml", L"", nullptr, &window->GetPaintManager()));
    if (tab == nullptr) return tab;
    tab->SetKind(kind, 0);
    list->Add(tab);
    return tab;
  };
  // A mouse's tab comes first and is visible; the keyboard is not there yet.
  CDeviceOptionUI* mouse = addTab(2);
  CDeviceOptionUI* keyboard = addTab(1);
  ASSERT_NE(mouse, nullptr);
  ASSERT_NE(keyboard, nullptr);
  keyboard->SetVisible(false);

  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  TakeScreenshots(window, folder.path());
  ASSERT_TRUE(SpinUntil([&] { return HasPicture(folder.path(), "tray_menu*.png"); }, 5000));
  SpinUntil([] { return false; }, 300);
  EXPECT_FALSE(HasPicture(folder.path(), "keyboard_page*.png")) << "taken without a keyboard";

  keyboard->SetVisible(true);
  ASSERT_TRUE(SpinUntil([&] { return HasPicture(folder.path(), "keyboard_page*.png"); }, 5000));
  EXPECT_TRUE(keyboard->IsSelected());
  EXPECT_FALSE(mouse->IsSelected());
  // The mode ends by closing the window.
  EXPECT_TRUE(SpinUntil([&] { return !window->isVisible(); }, 2000));

  window->Shutdown();
  delete window;
  DrainPostedQuit();
}

}  // namespace
