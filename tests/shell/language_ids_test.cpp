// Every language id the skin layouts, the shipped data and the program's code
// use has a text in each language file, and Language.config names language
// files that exist.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <set>
#include <string>

#include "profiles/json_file.h"
#include "profiles/small_config.h"

namespace {

const QString kSource = RUVEMO_SOURCE_DIR;
const QString kSkin = kSource + "/skin";

std::set<QString> LanguageIds(const QString& file) {
  std::set<QString> ids;
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return ids;
  QXmlStreamReader reader(&f);
  while (!reader.atEnd()) {
    if (reader.readNext() == QXmlStreamReader::StartElement &&
        reader.name() == QLatin1String("Text"))
      ids.insert(reader.attributes().value("id").toString());
  }
  EXPECT_FALSE(reader.hasError()) << file.toStdString();
  return ids;
}

// A value that is a language id rather than finished text: lower-case
// words joined by underscores ("message_text_22", "menu_exit_text").
bool LooksLikeId(const QString& value) {
  static const QRegularExpression id("^[A-Za-z][A-Za-z0-9.]*(_[A-Za-z0-9.]+)+$");
  return id.match(value).hasMatch();
}

struct Use {
  QString id;
  QString where;
};

std::vector<Use> SkinUses() {
  std::vector<Use> uses;
  QDirIterator it(kSkin, {"*.xml"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (QFileInfo(path).fileName().startsWith("lan_")) continue;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) continue;
    QXmlStreamReader reader(&f);
    while (!reader.atEnd()) {
      if (reader.readNext() != QXmlStreamReader::StartElement) continue;
      for (const char* attr : {"text", "tooltip"}) {
        const QString v = reader.attributes().value(attr).toString();
        if (LooksLikeId(v)) uses.push_back({v, path.mid(kSource.size() + 1)});
      }
    }
    EXPECT_FALSE(reader.hasError())
        << path.toStdString() << ": " << reader.errorString().toStdString();
  }
  return uses;
}

void CollectStrings(const Json::Value& v, const std::set<std::string>& keys, const QString& where,
                    std::vector<Use>& out) {
  if (v.isObject()) {
    for (const std::string& name : v.getMemberNames()) {
      if (keys.count(name) && v[name].isString())
        out.push_back({QString::fromStdString(v[name].asString()), where});
      CollectStrings(v[name], keys, where, out);
    }
  } else if (v.isArray()) {
    for (const Json::Value& e : v) CollectStrings(e, keys, where, out);
  }
}

// The members of the shipped data whose values are language ids, in every
// file of DefaultData: lighting mode and area names, the language list's
// names and the mouse's movement correction names.
std::vector<Use> ShippedDataUses() {
  std::vector<Use> uses;
  const std::set<std::string> keys = {"LightName", "Language_text", "CorrectName"};
  QDirIterator it(kSource + "/DefaultData", QDir::Files);
  while (it.hasNext()) {
    const QString path = it.next();
    CollectStrings(ReadJson(path.toStdString()), keys, path.mid(kSource.size() + 1), uses);
  }
  return uses;
}

// Ids written as literals in the program's code: anything ending in "_text"
// or "_text_<n>" ("control_light_text", "message_text_22") and the phone
// types of the battery indicator.
std::vector<Use> CodeLiteralUses() {
  std::vector<Use> uses;
  static const QRegularExpression literal(
      R"re(L"([A-Za-z][A-Za-z0-9_]*_text(?:_[0-9]+)?|Phone_type_[A-Za-z0-9_]+)")re");
  for (const char* folder : {"shell", "panels", "devices", "update"}) {
    QDirIterator it(kSource + "/" + folder, {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      QFile f(path);
      if (!f.open(QIODevice::ReadOnly)) continue;
      const QString text = QString::fromUtf8(f.readAll());
      for (auto m = literal.globalMatch(text); m.hasNext();)
        uses.push_back({m.next().captured(1), path.mid(kSource.size() + 1)});
    }
  }
  return uses;
}

// Ids the code builds or takes from elsewhere, so that no literal shows them.
std::vector<Use> CodeTableUses() {
  std::vector<Use> uses;
  // The name label of a device tab: the tab's icon prefix + "_device_name_text".
  for (const char* prefix : {"kb", "ms", "hard_mp", "soft_mp", "hd", "hub", "unknow"})
    uses.push_back({QString(prefix) + "_device_name_text", "device tab"});
  // The messages the program shows by id.
  for (const char* id :
       {"message_text_2", "message_text_4", "message_text_5", "message_text_6", "message_text_7",
        "message_text_16", "message_text_22", "message_text_25", "message_text_profile_write"})
    uses.push_back({id, "message box"});
  return uses;
}

TEST(LanguageIds, EveryIdOfTheSkinTheShippedDataAndTheCodeHasATextInBothLanguages) {
  const std::set<QString> en = LanguageIds(kSkin + "/lan_en.xml");
  const std::set<QString> cn = LanguageIds(kSkin + "/lan_cn.xml");
  ASSERT_FALSE(en.empty());
  ASSERT_FALSE(cn.empty());

  std::vector<Use> uses = SkinUses();
  ASSERT_FALSE(uses.empty());
  const std::vector<Use> data = ShippedDataUses();
  const std::vector<Use> literals = CodeLiteralUses();
  const std::vector<Use> table = CodeTableUses();
  // The scans find what they look for (a moved folder or renamed key would
  // otherwise leave them checking nothing).
  for (const char* id : {"light_mode_wave", "setting_language_chinese", "mouse_correct_strong"}) {
    EXPECT_TRUE(std::any_of(data.begin(), data.end(), [&](const Use& u) { return u.id == id; }))
        << id;
  }
  for (const char* id : {"control_light_text", "Phone_type_iphone"}) {
    EXPECT_TRUE(std::any_of(literals.begin(), literals.end(), [&](const Use& u) {
      return u.id == id;
    })) << id;
  }
  for (const auto* more : {&data, &literals, &table})
    uses.insert(uses.end(), more->begin(), more->end());

  for (const Use& u : uses) {
    EXPECT_TRUE(en.count(u.id)) << u.id.toStdString() << " (" << u.where.toStdString()
                                << ") is missing in lan_en.xml";
    EXPECT_TRUE(cn.count(u.id)) << u.id.toStdString() << " (" << u.where.toStdString()
                                << ") is missing in lan_cn.xml";
  }
  // Both files offer the same ids.
  EXPECT_EQ(en, cn);
}

TEST(LanguageIds, LanguageConfigNamesTheSkinsLanguageFiles) {
  const auto languages =
      ReadLanguageList(std::string(RUVEMO_SOURCE_DIR) + "/DefaultData/Language.config");
  ASSERT_GE(languages.size(), 2u);
  for (const LanguageEntry& e : languages) {
    EXPECT_TRUE(QFile::exists(kSkin + "/" + QString::fromStdWString(e.file)))
        << Utf8FromWide(e.file);
  }
}

}  // namespace
