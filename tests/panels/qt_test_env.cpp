#include "tests/panels/qt_test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

#include "panels/toolkit/resource_manager.h"

namespace {
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "panels_test";
    static char* argv[] = {name, nullptr};
    if (!qgetenv("QT_QPA_PLATFORM").size()) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
};

const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace

std::wstring FixtureSkinPath() {
  const char* src = std::getenv("RUVEMO_SOURCE_DIR");
  std::string base = src && *src ? src : RUVEMO_TEST_SOURCE_DIR;
  return QString::fromStdString(base + "/tests/panels/skin/").toStdWString();
}

void UseFixtureSkin() {
  auto& res = CResourceManager::GetInstance();
  res.SetResourcePath(FixtureSkinPath());
  res.LoadResource(L"res.xml");
}

std::ostream& operator<<(std::ostream& os, const NotifyRecord& r) {
  return os << QString::fromStdWString(r.type).toStdString() << "/"
            << QString::fromStdWString(r.sender).toStdString() << "(" << r.wParam << "," << r.lParam
            << ")";
}
