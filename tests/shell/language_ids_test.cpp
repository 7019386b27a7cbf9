// Every language id the skin layouts and the shipped data use has a text in
// each language file, and Language.config names language files that exist.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
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

void CollectStrings(const Json::Value& v, const char* key, const QString& where,
                    std::vector<Use>& out) {
  if (v.isObject()) {
    for (const std::string& name : v.getMemberNames()) {
      if (name == key && v[name].isString())
        out.push_back({QString::fromStdString(v[name].asString()), where});
      CollectStrings(v[name], key, where, out);
    }
  } else if (v.isArray()) {
    for (const Json::Value& e : v) CollectStrings(e, key, where, out);
  }
}

TEST(LanguageIds, EveryIdOfTheSkinAndTheShippedDataHasATextInBothLanguages) {
  const std::set<QString> en = LanguageIds(kSkin + "/lan_en.xml");
  const std::set<QString> cn = LanguageIds(kSkin + "/lan_cn.xml");
  ASSERT_FALSE(en.empty());
  ASSERT_FALSE(cn.empty());

  std::vector<Use> uses = SkinUses();
  ASSERT_FALSE(uses.empty());
  const std::string data = std::string(RUVEMO_SOURCE_DIR) + "/DefaultData/";
  CollectStrings(ReadJson(data + "default_light.json"), "LightName", "default_light.json", uses);
  CollectStrings(ReadJson(data + "Language.config"), "Language_text", "Language.config", uses);
  // The messages the program shows by id.
  for (const char* id : {"message_text_2", "message_text_4", "message_text_5", "message_text_6",
                         "message_text_7", "message_text_16", "message_text_22", "message_text_25"})
    uses.push_back({id, "message box"});

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
