#include "shell/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <functional>

#include "panels/controls/device_option.h"
#include "panels/toolkit/container.h"
#include "panels/toolkit/control.h"
#include "panels/toolkit/resource_manager.h"
#include "platform/debug_output.h"
#include "shell/main_wnd.h"
#include "shell/msg_wnd.h"

namespace {

void Save(QWidget* widget, const QString& path) {
  const bool ok = widget->grab().save(path, "PNG");
  DebugOutputF("screenshot %s: %s", path.toUtf8().constData(), ok ? "saved" : "FAILED");
}

// How long to wait for a keyboard's tab, and how often to look. The device
// list has no signal to wait on from here; this runs only in screenshot mode.
constexpr int kKeyboardTabWaitMs = 8000;
constexpr int kKeyboardTabCheckMs = 100;
// Time the keyboard's preview gets to animate before the picture.
constexpr int kAnimationMs = 1000;
constexpr int kKeyboardKind = 1;

// The visible tab of a keyboard in the device list, or nullptr.
CDeviceOptionUI* VisibleKeyboardTab(CMainWnd* window) {
  auto* list =
      dynamic_cast<CContainerUI*>(window->GetPaintManager().FindControl(L"device_select_layout"));
  if (list == nullptr) return nullptr;
  for (int i = 0; i < list->GetCount(); ++i) {
    auto* tab = dynamic_cast<CDeviceOptionUI*>(list->GetItemAt(i));
    if (tab != nullptr && tab->GetKind() == kKeyboardKind && tab->IsVisible()) return tab;
  }
  return nullptr;
}

// With a keyboard connected (the device simulator will do), its page with
// the lighting preview running: waits for the keyboard's tab, makes it the
// current tab, lets the preview animate, takes the picture, then calls done.
// Without a keyboard tab within kKeyboardTabWaitMs the picture is skipped.
void ShootKeyboardPage(CMainWnd* window, const QString& path, std::function<void()> done,
                       int waitedMs = 0) {
  CDeviceOptionUI* tab = VisibleKeyboardTab(window);
  if (tab == nullptr) {
    if (waitedMs >= kKeyboardTabWaitMs) {
      DebugOutputF("screenshot %s: skipped, no keyboard tab became visible",
                   path.toUtf8().constData());
      done();
      return;
    }
    QTimer::singleShot(kKeyboardTabCheckMs, window, [window, path, done, waitedMs] {
      ShootKeyboardPage(window, path, done, waitedMs + kKeyboardTabCheckMs);
    });
    return;
  }
  tab->Select(true, true);  // as a click on the tab: the device list shows its page
  QTimer::singleShot(kAnimationMs, window, [window, path, done] {
    Save(window, path);
    done();
  });
}

}  // namespace

void TakeScreenshots(CMainWnd* window, const QString& folder) {
  QDir().mkpath(folder);
  // The pictures show the language the window started in; their names end in
  // its language ("_en", "_zh").
  const QString language =
      QString::fromStdWString(CResourceManager::GetInstance().GetLanguage()).section('_', 0, 0);
  const QString suffix = language.isEmpty() ? QString() : "_" + language;
  // The window shows itself 100 ms after it is built; give it time to paint.
  QTimer::singleShot(800, window, [window, folder, suffix] {
    Save(window, folder + "/main_no_device" + suffix + ".png");

    auto* box = new CMsgWnd();
    box->Create(window, L"msgwnd", 0, UI_WNDSTYLE_EX_TOOLWINDOW);
    box->SetContent(L"", L"message_text_22", true, kMsgConfirmCancel);
    box->CenterWindow();
    box->show();
    QTimer::singleShot(400, window, [window, folder, suffix, box] {
      Save(box, folder + "/message_box" + suffix + ".png");
      box->Close(0);

      window->ShowTrayMenu();
      QTimer::singleShot(400, window, [window, folder, suffix] {
        if (CMenuWnd* menu = window->TrayMenu(); menu != nullptr && menu->Menu() != nullptr) {
          Save(menu->Menu(), folder + "/tray_menu" + suffix + ".png");
          menu->Menu()->hide();
        }
        ShootKeyboardPage(window, folder + "/keyboard_page" + suffix + ".png",
                          [window] { window->Close(0); });
      });
    });
  });
}
