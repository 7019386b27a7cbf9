#include "panels/toolkit/menu.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QXmlStreamReader>

#include "panels/toolkit/resource_manager.h"
#include "platform/debug_output.h"

CMenuWnd::~CMenuWnd() = default;

QPoint CMenuWnd::PlaceMenu(const QPoint& point, const QSize& size, int alignment) {
  QPoint p = point;
  if (alignment & eMenuAlignment_Right) p.rx() -= size.width();
  if (alignment & eMenuAlignment_Bottom) p.ry() -= size.height();
  return p;
}

namespace {
// Reads the items up to the end of the current element into menu; returns
// the number of items added.
int ReadItems(QXmlStreamReader& reader, QMenu* menu, const std::function<void(QAction*)>& bind) {
  auto& res = CResourceManager::GetInstance();
  int count = 0;
  while (reader.readNextStartElement()) {
    const QString tag = reader.name().toString();
    if (tag.compare("Separator", Qt::CaseInsensitive) == 0) {
      menu->addSeparator();
      reader.skipCurrentElement();
    } else if (tag.compare("MenuElement", Qt::CaseInsensitive) == 0) {
      const auto a = reader.attributes();
      const QString name = a.value("name").toString();
      const QString text = a.value("text").toString();
      const QString shown = ToQ(res.Translate(FromQ(text)));
      auto* sub = new QMenu(shown, menu);
      QAction* action = nullptr;
      if (ReadItems(reader, sub, bind) > 0) {
        action = menu->addMenu(sub);
      } else {
        delete sub;
        action = menu->addAction(shown);
        bind(action);
      }
      action->setObjectName(name);
      action->setProperty("menuText", text);
      action->setProperty("userData", a.value("userdata").toString());
      if (a.hasAttribute("checked")) {
        action->setCheckable(true);
        action->setChecked(ParseBool(FromQ(a.value("checked").toString())));
      }
      if (a.hasAttribute("enabled"))
        action->setEnabled(ParseBool(FromQ(a.value("enabled").toString())));
      if (a.hasAttribute("visible"))
        action->setVisible(ParseBool(FromQ(a.value("visible").toString())));
      ++count;
    } else {
      count += ReadItems(reader, menu, bind);  // <Window>, <Menu> wrappers
    }
  }
  return count;
}
}  // namespace

CMenuWnd* CMenuWnd::CreateMenu(const std::wstring& xml, const QPoint& point, WindowImplBase* owner,
                               int alignment, CommandHandler handler) {
  auto& res = CResourceManager::GetInstance();
  QFile file(ToQ(res.ResolvePath(res.GetXmlFile(xml))));
  if (!file.open(QIODevice::ReadOnly)) {
    DebugOutputF("menu %s cannot be read", file.fileName().toUtf8().constData());
    return nullptr;
  }
  std::unique_ptr<CMenuWnd> wnd(new CMenuWnd());
  wnd->menu_ = std::make_unique<QMenu>();
  wnd->owner_ = owner;
  wnd->handler_ = std::move(handler);
  CMenuWnd* raw = wnd.get();
  QXmlStreamReader reader(&file);
  int items = 0;
  if (reader.readNextStartElement()) {
    items = ReadItems(reader, wnd->menu_.get(), [raw](QAction* action) {
      QObject::connect(action, &QAction::triggered, raw->menu_.get(),
                       [raw, action] { raw->OnItem(action); });
    });
  }
  if (reader.hasError() || items == 0) {
    DebugOutputF("menu %s gives no items", file.fileName().toUtf8().constData());
    return nullptr;
  }
  const QSize size = wnd->menu_->sizeHint();
  wnd->menu_->popup(PlaceMenu(point, size, alignment));
  return wnd.release();
}

void CMenuWnd::OnItem(QAction* action) {
  MenuCmd cmd;
  cmd.szName = FromQ(action->objectName());
  cmd.szUserData = FromQ(action->property("userData").toString());
  cmd.szText = FromQ(action->property("menuText").toString());
  cmd.bChecked = action->isChecked();
  menu_->hide();
  // The command arrives after the menu has closed, from the event loop.
  if (owner_) {
    QPointer<WindowImplBase> owner = owner_;
    QMetaObject::invokeMethod(
        owner.data(),
        [owner, cmd] {
          if (owner) owner->OnMenuCommand(cmd);
        },
        Qt::QueuedConnection);
  }
  if (handler_) {
    CommandHandler handler = handler_;
    QMetaObject::invokeMethod(
        menu_.get(), [handler, cmd] { handler(cmd); }, Qt::QueuedConnection);
  }
}

void CMenuWnd::Close() {
  if (menu_) menu_->hide();
}

bool CMenuWnd::IsOpen() const { return menu_ && menu_->isVisible(); }

QAction* CMenuWnd::FindItem(const std::wstring& name) const {
  return menu_ ? menu_->findChild<QAction*>(ToQ(name), Qt::FindChildrenRecursively) : nullptr;
}

bool CMenuWnd::Trigger(const std::wstring& name) {
  QAction* action = FindItem(name);
  if (!action || !action->isEnabled()) return false;
  action->trigger();
  return true;
}
