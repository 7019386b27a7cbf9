#pragma once
// The language the main window starts in. A language the user chose in the
// settings window is remembered in the settings file and always wins; without
// one, the user's locale decides: Chinese locales get Simplified Chinese,
// every other locale (also "C", "POSIX" and none) gets English.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/small_config.h"

// The numbers of Language.config's "Language_ID".
inline constexpr int kEnglishLanguageId = 520;
inline constexpr int kSimplifiedChineseLanguageId = 2052;

// The locale messages are shown in: the first non-empty of LC_ALL,
// LC_MESSAGES and LANG (null counts as empty), or "" when all are empty.
std::string MessagesLocale(const char* lcAll, const char* lcMessages, const char* lang);

// kSimplifiedChineseLanguageId for a locale starting with "zh", else
// kEnglishLanguageId.
int LanguageIdForLocale(std::string_view locale);

// The index into languages to start with: the entry of the stored choice when
// there is one and the list offers it; else the entry of the locale's
// language; else 0 (also for an empty list).
std::size_t StartLanguageIndex(const std::vector<LanguageEntry>& languages,
                               std::optional<int> storedId, std::string_view locale);

// The settings file that holds the remembered choice ("LANGUAGE"):
// <config folder>/Brivo75/Brivo75.ini.
std::string LanguageSettingsPath();

// The remembered "LANGUAGE" of the settings file; none when the file or the
// value is missing or the value is not a number.
std::optional<int> ReadStoredLanguageId(const std::string& settingsPath);

// Chooses the start language from Language.config of the DefaultData folder,
// the settings file and the process environment, and loads its language file
// into the resource manager. Returns the entry loaded (English's when
// Language.config cannot be read).
LanguageEntry LoadStartLanguage();
