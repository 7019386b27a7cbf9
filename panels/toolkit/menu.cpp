#include "panels/toolkit/menu.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QXmlStreamReader>
#include <algorithm>

#include "panels/toolkit/resource_manager.h"
#include "platform/debug_output.h"

CMenuWnd::~CMenuWnd() = default;

QPoint CMenuWnd::PlaceMenu(const QPoint& point, const QSize& size, int alignment) {
  QPoint p = point;
  if (alignment & eMenuAlignment_Right) p.rx() -= size.width();
  if (alignment & eMenuAlignment_Bottom) p.ry() -= size.height();
  return p;
}

// The look of a menu as its file's <Menu> element gives it (bkcolor,
// bordercolor, textcolor, hotbkcolor, hottextcolor, linecolor, fontsize,
// itemheight, width); absent attributes keep these values.
struct MenuLook {
  QColor background{0x1b, 0x1e, 0x25};
  QColor border{0x30, 0x35, 0x3f};
  QColor text{0xe1, 0xe5, 0xec};
  QColor hotBackground{0x2b, 0x3a, 0x5c};
  QColor hotText{0xff, 0xff, 0xff};
  QColor line{0x2e, 0x33, 0x3d};
  int fontSize = 13;
  int itemHeight = 34;
  int width = 180;
};

namespace {

void ReadLook(const QXmlStreamAttributes& a, MenuLook& look) {
  auto color = [&](const char* name, QColor& out) {
    if (a.hasAttribute(name)) out = ToQColor(ParseColor(FromQ(a.value(name).toString())));
  };
  auto number = [&](const char* name, int& out) {
    bool ok = false;
    const int v = a.value(name).toInt(&ok);
    if (ok && v > 0) out = v;
  };
  color("bkcolor", look.background);
  color("bordercolor", look.border);
  color("textcolor", look.text);
  color("hotbkcolor", look.hotBackground);
  color("hottextcolor", look.hotText);
  color("linecolor", look.line);
  number("fontsize", look.fontSize);
  number("itemheight", look.itemHeight);
  number("width", look.width);
}

QString Rgba(const QColor& c) {
  return QString("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// The style sheet of a look in the owner's font family, at the owner's scale.
QString LookSheet(const MenuLook& look, const QString& family, const std::function<int(int)>& px) {
  const int size = px(look.fontSize);
  return QString(
             "QMenu{background:%1;border:1px solid %2;border-radius:8px;padding:6px;"
             "font-family:'%3';font-size:%4px;min-width:%5px;}"
             "QMenu::item{color:%6;padding:%7px 18px %7px 12px;border-radius:6px;"
             "min-height:%8px;}"
             "QMenu::item:selected{background:%9;color:%10;}"
             "QMenu::icon{padding-left:10px;}"
             "QMenu::separator{height:1px;background:%11;margin:5px 8px;}")
      .arg(Rgba(look.background), Rgba(look.border), family)
      .arg(size)
      .arg(px(look.width))
      .arg(Rgba(look.text))
      .arg(std::max(0, (px(look.itemHeight) - size) / 2 - 2))
      .arg(size + 4)
      .arg(Rgba(look.hotBackground), Rgba(look.hotText), Rgba(look.line));
}

// Reads the items up to the end of the current element into menu; returns
// the number of items added. A <Menu> element gives the look.
int ReadItems(QXmlStreamReader& reader, QMenu* menu, const std::function<void(QAction*)>& bind,
              MenuLook& look, bool& hasLook) {
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
      if (ReadItems(reader, sub, bind, look, hasLook) > 0) {
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
      if (a.hasAttribute("icon")) {
        const QImage image = res.LoadImage(FromQ(a.value("icon").toString()));
        if (!image.isNull()) action->setIcon(QIcon(QPixmap::fromImage(image)));
      }
      ++count;
    } else {
      if (tag.compare("Menu", Qt::CaseInsensitive) == 0) {
        ReadLook(reader.attributes(), look);
        hasLook = true;
      }
      count += ReadItems(reader, menu, bind, look, hasLook);  // <Window>, <Menu> wrappers
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
  MenuLook look;
  bool hasLook = false;
  if (reader.readNextStartElement()) {
    if (reader.name().compare(QLatin1String("Menu"), Qt::CaseInsensitive) == 0) {
      ReadLook(reader.attributes(), look);  // a file without the <Window> wrapper
      hasLook = true;
    }
    items = ReadItems(
        reader, wnd->menu_.get(),
        [raw](QAction* action) {
          QObject::connect(action, &QAction::triggered, raw->menu_.get(),
                           [raw, action] { raw->OnItem(action); });
        },
        look, hasLook);
  }
  if (reader.hasError() || items == 0) {
    DebugOutputF("menu %s gives no items", file.fileName().toUtf8().constData());
    return nullptr;
  }
  if (hasLook) wnd->ApplyLook(look);
  const QSize size = wnd->menu_->sizeHint();
  wnd->menu_->popup(PlaceMenu(point, size, alignment));
  return wnd.release();
}

void CMenuWnd::ApplyLook(const MenuLook& look) {
  // The owner's skin gives the font family and the scale.
  QString family = QApplication::font().family();
  std::function<int(int)> px = [](int v) { return v; };
  if (owner_) {
    family = owner_->GetPaintManager().GetDefaultFont().family();
    const int dpi = owner_->GetPaintManager().GetDPI();
    px = [dpi](int v) { return v * dpi / 96; };
  }
  QList<QMenu*> menus = menu_->findChildren<QMenu*>();
  menus.prepend(menu_.get());
  for (QMenu* m : menus) {
    // Rounded corners: the pop-up itself is transparent outside them.
    m->setAttribute(Qt::WA_TranslucentBackground);
    m->setWindowFlag(Qt::FramelessWindowHint);
    m->setWindowFlag(Qt::NoDropShadowWindowHint);
  }
  menu_->setStyleSheet(LookSheet(look, family, px));
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
