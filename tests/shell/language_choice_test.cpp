// The start language: a stored choice wins, else LC_ALL, LC_MESSAGES and LANG
// in that order pick Simplified Chinese for "zh" locales and English for all
// others; the settings file's "LANGUAGE" value; and the whole start-up path
// that loads the chosen language file.

#include "shell/language_choice.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <optional>

#include "panels/toolkit/resource_manager.h"

namespace {

const std::vector<LanguageEntry> kLanguages = {
    {L"en", L"lan_en.xml", L"setting_language_english", kEnglishLanguageId},
    {L"zh_CN", L"lan_cn.xml", L"setting_language_chinese", kSimplifiedChineseLanguageId},
};

TEST(StartLanguage, AStoredChoiceWinsElseTheFirstNonEmptyLocaleVariableDecides) {
  struct Case {
    const char* what;
    std::optional<int> stored;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    int expectedId;
  } cases[] = {
      {"nothing set", std::nullopt, nullptr, nullptr, nullptr, kEnglishLanguageId},
      {"all empty", std::nullopt, "", "", "", kEnglishLanguageId},
      {"Chinese LANG", std::nullopt, nullptr, nullptr, "zh_CN.UTF-8", kSimplifiedChineseLanguageId},
      {"bare zh", std::nullopt, nullptr, nullptr, "zh", kSimplifiedChineseLanguageId},
      {"Taiwan locale", std::nullopt, nullptr, nullptr, "zh_TW.UTF-8",
       kSimplifiedChineseLanguageId},
      {"English LANG", std::nullopt, nullptr, nullptr, "en_US.UTF-8", kEnglishLanguageId},
      {"German LANG", std::nullopt, nullptr, nullptr, "de_DE.UTF-8", kEnglishLanguageId},
      {"C", std::nullopt, nullptr, nullptr, "C", kEnglishLanguageId},
      {"C.UTF-8", std::nullopt, nullptr, nullptr, "C.UTF-8", kEnglishLanguageId},
      {"POSIX", std::nullopt, nullptr, nullptr, "POSIX", kEnglishLanguageId},
      {"LC_ALL over LANG", std::nullopt, "en_GB.UTF-8", nullptr, "zh_CN.UTF-8", kEnglishLanguageId},
      {"LC_ALL over LC_MESSAGES", std::nullopt, "zh_CN.UTF-8", "C", "C",
       kSimplifiedChineseLanguageId},
      {"LC_MESSAGES over LANG", std::nullopt, nullptr, "zh_CN.UTF-8", "en_US.UTF-8",
       kSimplifiedChineseLanguageId},
      {"empty LC_ALL is skipped", std::nullopt, "", "en_US.UTF-8", "zh_CN.UTF-8",
       kEnglishLanguageId},
      {"empty LC_ALL and LC_MESSAGES", std::nullopt, "", "", "zh_CN.UTF-8",
       kSimplifiedChineseLanguageId},
      {"stored English over a Chinese locale", kEnglishLanguageId, "zh_CN.UTF-8", nullptr, nullptr,
       kEnglishLanguageId},
      {"stored Chinese over C", kSimplifiedChineseLanguageId, nullptr, nullptr, "C",
       kSimplifiedChineseLanguageId},
      {"stored id not offered: the locale decides", 1031, nullptr, nullptr, "zh_CN.UTF-8",
       kSimplifiedChineseLanguageId},
      {"stored 0 not offered", 0, nullptr, nullptr, nullptr, kEnglishLanguageId},
  };
  for (const Case& c : cases) {
    const std::string locale = MessagesLocale(c.lcAll, c.lcMessages, c.lang);
    const std::size_t index = StartLanguageIndex(kLanguages, c.stored, locale);
    ASSERT_LT(index, kLanguages.size()) << c.what;
    EXPECT_EQ(kLanguages[index].id, c.expectedId) << c.what;
  }
}

TEST(StartLanguage, ListsWithoutTheWantedLanguageGiveTheFirstEntry) {
  const std::vector<LanguageEntry> chineseFirst = {kLanguages[1], kLanguages[0]};
  EXPECT_EQ(StartLanguageIndex(chineseFirst, std::nullopt, "fr_FR.UTF-8"), 1u);
  EXPECT_EQ(StartLanguageIndex(chineseFirst, std::nullopt, "zh_CN.UTF-8"), 0u);
  const std::vector<LanguageEntry> onlyChinese = {kLanguages[1]};
  EXPECT_EQ(StartLanguageIndex(onlyChinese, std::nullopt, "en_US.UTF-8"), 0u);
  EXPECT_EQ(StartLanguageIndex({}, kEnglishLanguageId, "en_US.UTF-8"), 0u);
}

bool WriteFile(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

TEST(StartLanguage, TheStoredChoiceIsReadOnlyWhenFileAndValueExist) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("Brivo75.ini");
  EXPECT_EQ(ReadStoredLanguageId(path.toStdString()), std::nullopt) << "no file";
  struct Case {
    const char* what;
    const char* text;
    std::optional<int> expected;
  } cases[] = {
      {"value present", "[General]\nLANGUAGE=2052\n", 2052},
      {"value without a section", "LANGUAGE=520\n", 520},
      {"value missing", "[General]\nOTHER=1\n", std::nullopt},
      {"empty file", "", std::nullopt},
      {"not a number", "[General]\nLANGUAGE=chinese\n", std::nullopt},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteFile(path, c.text));
    EXPECT_EQ(ReadStoredLanguageId(path.toStdString()), c.expected) << c.what;
  }
}

// The environment of one start; restored afterwards.
class StartEnvironment {
 public:
  StartEnvironment() {
    for (const char* name : kNames) {
      const char* v = std::getenv(name);
      saved_.push_back(v ? std::optional<std::string>(v) : std::nullopt);
    }
  }
  ~StartEnvironment() {
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      if (saved_[i])
        ::setenv(kNames[i], saved_[i]->c_str(), 1);
      else
        ::unsetenv(kNames[i]);
    }
  }
  static void Set(const char* name, const char* value) {
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG", "XDG_CONFIG_HOME",
                                           "RUVEMO_DATA_DIR"};
  std::vector<std::optional<std::string>> saved_;
};

TEST(StartLanguage, TheWindowStartsInTheChosenLanguageWithTheShippedFiles) {
  StartEnvironment env;
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  StartEnvironment::Set("XDG_CONFIG_HOME", config.path().toUtf8().constData());
  StartEnvironment::Set("RUVEMO_DATA_DIR", RUVEMO_SOURCE_DIR);
  StartEnvironment::Set("LC_ALL", nullptr);
  StartEnvironment::Set("LC_MESSAGES", nullptr);
  CResourceManager& resources = CResourceManager::GetInstance();
  resources.SetResourcePath(std::wstring(L"" RUVEMO_SOURCE_DIR) + L"/skin/");
  const QString settings = config.filePath("Brivo75/Brivo75.ini");

  struct Case {
    const char* what;
    const char* lang;
    const char* stored;  // settings file text, or none
    const wchar_t* name;
    const wchar_t* exitText;
  } cases[] = {
      {"first start, English locale", "en_US.UTF-8", nullptr, L"en", L"Exit"},
      {"first start, no locale", nullptr, nullptr, L"en", L"Exit"},
      {"first start, Chinese locale", "zh_CN.UTF-8", nullptr, L"zh_CN", L"退出"},
      {"stored English, Chinese locale", "zh_CN.UTF-8", "[General]\nLANGUAGE=520\n", L"en",
       L"Exit"},
      {"stored Chinese, English locale", "en_US.UTF-8", "[General]\nLANGUAGE=2052\n", L"zh_CN",
       L"退出"},
  };
  for (const Case& c : cases) {
    QFile::remove(settings);
    if (c.stored) {
      ASSERT_TRUE(WriteFile(settings, c.stored));
    }
    StartEnvironment::Set("LANG", c.lang);
    resources.ClearTexts();
    const LanguageEntry entry = LoadStartLanguage();
    EXPECT_EQ(entry.name, c.name) << c.what;
    EXPECT_EQ(resources.GetLanguage(), c.name) << c.what;
    EXPECT_EQ(resources.Translate(L"menu_exit_text"), c.exitText) << c.what;
  }
}

}  // namespace
