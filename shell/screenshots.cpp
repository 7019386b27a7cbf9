#include "shell/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QTimer>

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

}  // namespace

void TakeScreenshots(CMainWnd* window, const QString& folder) {
  QDir().mkpath(folder);
  // The pictures show the English texts.
  CResourceManager::GetInstance().LoadLanguage(L"lan_en.xml");
  window->RefreshLanguageTexts();
  // The window shows itself 100 ms after it is built; give it time to paint.
  QTimer::singleShot(800, window, [window, folder] {
    Save(window, folder + "/main_no_device.png");

    auto* box = new CMsgWnd();
    box->Create(window, L"msgwnd", 0, UI_WNDSTYLE_EX_TOOLWINDOW);
    box->SetContent(L"", L"message_text_22", true, kMsgConfirmCancel);
    box->CenterWindow();
    box->show();
    QTimer::singleShot(400, window, [window, folder, box] {
      Save(box, folder + "/message_box.png");
      box->Close(0);

      window->ShowTrayMenu();
      QTimer::singleShot(400, window, [window, folder] {
        if (CMenuWnd* menu = window->TrayMenu(); menu != nullptr && menu->Menu() != nullptr)
          Save(menu->Menu(), folder + "/tray_menu.png");
        window->Close(0);
      });
    });
  });
}
