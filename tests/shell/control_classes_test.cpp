// The program's control classes: one table gives the factory's registrations
// and the elements the main skin's builder callback creates.

#include "shell/control_classes.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "panels/toolkit/control.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/ui_types.h"
#include "shell/quorvane_usb_device.h"
#include "tests/shell/qt_app.h"

namespace {

std::string Narrow(const wchar_t* s) { return QString::fromWCharArray(s).toStdString(); }

TEST(ControlClasses, EveryRowIsRegisteredAndBuiltFromTheOneTable) {
  TestApp();
  RegisterControlClasses();
  std::set<std::wstring> names;
  for (const ControlClassEntry& e : ControlClassTable()) {
    EXPECT_TRUE(names.insert(ToLower(e.className)).second) << "twice: " << Narrow(e.className);
    // A class with a creator is the factory's; one without is not (yet).
    EXPECT_EQ(CControlFactory::GetInstance()->IsRegistered(e.className), bool(e.create))
        << Narrow(e.className);
    if (e.element == nullptr) continue;
    // The element builds the row's class, whatever the case of its name.
    std::unique_ptr<CControlUI> made(CreateMainSkinControl(ToLower(e.element), nullptr));
    EXPECT_EQ(made != nullptr, bool(e.create)) << Narrow(e.element);
    if (made && e.create) {
      std::unique_ptr<CControlUI> expected(e.create());
      EXPECT_EQ(made->GetClass(), expected->GetClass()) << Narrow(e.element);
    }
  }
  // The own controls lead the table in their module's order.
  const auto& own = OwnControlClasses();
  ASSERT_LE(own.size(), ControlClassTable().size());
  for (size_t i = 0; i < own.size(); ++i)
    EXPECT_STREQ(ControlClassTable()[i].className, own[i].className);
  // The keyboard's page is built as its own class, the mouse's as the base
  // device page.
  std::unique_ptr<CControlUI> keyboard(CreateMainSkinControl(L"QuorvaneKeyboardDevice", nullptr));
  ASSERT_NE(keyboard, nullptr);
  EXPECT_EQ(keyboard->GetClass(), L"QuorvaneKeyboardDevice");
  std::unique_ptr<CControlUI> mouse(CreateMainSkinControl(L"QuorvaneMouseDevice", nullptr));
  EXPECT_NE(dynamic_cast<CQuorvaneUSBDevice*>(mouse.get()), nullptr);
}

}  // namespace
