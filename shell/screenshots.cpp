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
        if (CMenuWnd* menu = window->TrayMenu(); menu != nullptr && menu->Menu() != nullptr)
          Save(menu->Menu(), folder + "/tray_menu" + suffix + ".png");
        window->Close(0);
      });
    });
  });
}
