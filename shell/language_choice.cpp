#include "shell/language_choice.h"

#include <QFileInfo>
#include <QSettings>
#include <cstdlib>

#include "panels/toolkit/resource_manager.h"
#include "platform/data_paths.h"
#include "platform/debug_output.h"
#include "profiles/data_folders.h"
#include "profiles/json_file.h"

std::string MessagesLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

int LanguageIdForLocale(std::string_view locale) {
  return locale.substr(0, 2) == "zh" ? kSimplifiedChineseLanguageId : kEnglishLanguageId;
}

std::size_t StartLanguageIndex(const std::vector<LanguageEntry>& languages,
                               std::optional<int> storedId, std::string_view locale) {
  auto indexOf = [&languages](int id) -> std::optional<std::size_t> {
    for (std::size_t i = 0; i < languages.size(); ++i) {
      if (languages[i].id == id) return i;
    }
    return std::nullopt;
  };
  if (storedId) {
    if (auto index = indexOf(*storedId)) return *index;
  }
  return indexOf(LanguageIdForLocale(locale)).value_or(0);
}

std::string LanguageSettingsPath() { return ConfigFolder() + "/Brivo75/Brivo75.ini"; }

std::optional<int> ReadStoredLanguageId(const std::string& settingsPath) {
  const QString path = QString::fromStdString(settingsPath);
  if (!QFileInfo(path).isFile()) return std::nullopt;
  QSettings settings(path, QSettings::IniFormat);
  const QVariant value = settings.value("LANGUAGE");
  bool ok = false;
  const int id = value.toInt(&ok);
  if (!value.isValid() || !ok) return std::nullopt;
  return id;
}

LanguageEntry LoadStartLanguage() {
  const std::vector<LanguageEntry> languages =
      ReadLanguageList(DefaultDataFolder() + "Language.config");
  const std::optional<int> stored = ReadStoredLanguageId(LanguageSettingsPath());
  const std::string locale =
      MessagesLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
  LanguageEntry entry{L"en", L"lan_en.xml", L"setting_language_english", kEnglishLanguageId};
  if (!languages.empty()) entry = languages[StartLanguageIndex(languages, stored, locale)];
  DebugOutputF("start language %d (stored %d, locale \"%s\")", entry.id, stored.value_or(-1),
               locale.c_str());
  CResourceManager& resources = CResourceManager::GetInstance();
  resources.SetLanguage(entry.name);
  if (!resources.LoadLanguage(entry.file))
    DebugOutputF("language file %s cannot be read", Utf8FromWide(entry.file).c_str());
  return entry;
}
