#pragma once
// CMenuWnd: a pop-up menu built from an XML file of the skin folder:
//   <Menu>
//     <MenuElement name="about_menu" text="about_text" userdata="" checked="false"/>
//     <MenuElement name="more" text="more_text"> ...nested items... </MenuElement>
//     <Separator/>
//   </Menu>
// (a surrounding <Window> element is allowed). Texts are language ids; an
// item's "icon" is an image of the skin. The <Menu> element's attributes give
// the look: bkcolor, bordercolor, textcolor, hotbkcolor, hottextcolor,
// linecolor, fontsize, itemheight and width (sizes in skin units), in the
// owner's default font and at the owner's scale. A click
// on an item reaches the owning window as OnMenuCommand (queued, after the
// menu has closed) and the optional command handler.

#include <QPoint>

#include <functional>
#include <memory>
#include <string>

#include "panels/toolkit/window_impl.h"

class QMenu;
class QAction;
struct MenuLook;

// Alignment bits: where the point lies on the menu. Left|Top (6) puts the
// menu's top-left corner at the point; Right puts its right edge there,
// Bottom its bottom edge.
constexpr int eMenuAlignment_Left = 1 << 1;
constexpr int eMenuAlignment_Top = 1 << 2;
constexpr int eMenuAlignment_Right = 1 << 3;
constexpr int eMenuAlignment_Bottom = 1 << 4;

class CMenuWnd {
 public:
  using CommandHandler = std::function<void(const MenuCmd&)>;
  ~CMenuWnd();

  // Builds the menu and shows it at point (screen coordinates). Returns
  // nullptr when the file gives no menu. The caller owns the result.
  static CMenuWnd* CreateMenu(const std::wstring& xml, const QPoint& point, WindowImplBase* owner,
                              int alignment = eMenuAlignment_Left | eMenuAlignment_Top,
                              CommandHandler handler = nullptr);
  // The menu's top-left corner for a size, a point and an alignment.
  static QPoint PlaceMenu(const QPoint& point, const QSize& size, int alignment);

  void Close();
  bool IsOpen() const;
  QMenu* Menu() const { return menu_.get(); }
  // The item of that name (for checking and tests); nullptr when absent.
  QAction* FindItem(const std::wstring& name) const;
  // Runs an item as if it had been clicked; false when there is none.
  bool Trigger(const std::wstring& name);

 private:
  CMenuWnd() = default;
  void ApplyLook(const MenuLook& look);
  void OnItem(QAction* action);

  std::unique_ptr<QMenu> menu_;
  QPointer<WindowImplBase> owner_;
  CommandHandler handler_;
};
