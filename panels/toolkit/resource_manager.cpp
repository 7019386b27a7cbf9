#include "panels/toolkit/resource_manager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>
#include <QXmlStreamReader>

#include "panels/toolkit/image_cache.h"
#include "panels/toolkit/ui_types.h"
#include "platform/debug_output.h"

CResourceManager& CResourceManager::GetInstance() {
  static CResourceManager instance;
  return instance;
}

void CResourceManager::SetResourcePath(const std::wstring& path) {
  QString p = ToQ(path);
  p.replace('\\', '/');
  if (!p.isEmpty() && !p.endsWith('/')) p += '/';
  resourcePath_ = FromQ(p);
  ResetImages();
}

void CResourceManager::ResetImages() {
  images_.clear();
  CImageCache::GetInstance().Clear();
}

std::wstring CResourceManager::ResolveImagePath(const std::wstring& file) const {
  return ResolvePath(GetImageFile(file));
}

std::wstring CResourceManager::ResolvePath(const std::wstring& file) const {
  QString f = ToQ(file);
  f.replace('\\', '/');
  if (f.isEmpty() || QDir::isAbsolutePath(f)) return FromQ(f);
  return resourcePath_ + FromQ(f);
}

bool CResourceManager::LoadResource(const std::wstring& file) {
  QFile in(ToQ(ResolvePath(file)));
  if (!in.open(QIODevice::ReadOnly)) {
    DebugOutputF("resource index %s cannot be read", in.fileName().toUtf8().constData());
    return false;
  }
  QXmlStreamReader xml(&in);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto attrs = xml.attributes();
    std::wstring name = FromQ(attrs.value("name").toString());
    std::wstring path = FromQ(attrs.value("file").toString());
    if (name.empty()) continue;
    if (xml.name().compare(QLatin1String("Xml"), Qt::CaseInsensitive) == 0) xmlFiles_[name] = path;
    if (xml.name().compare(QLatin1String("Image"), Qt::CaseInsensitive) == 0)
      imageFiles_[name] = path;
  }
  // Named images may now stand for other files.
  ResetImages();
  return !xml.hasError();
}

std::wstring CResourceManager::GetXmlFile(const std::wstring& name) const {
  auto it = xmlFiles_.find(name);
  return it == xmlFiles_.end() ? name : it->second;
}

std::wstring CResourceManager::GetImageFile(const std::wstring& name) const {
  auto it = imageFiles_.find(name);
  return it == imageFiles_.end() ? name : it->second;
}

bool CResourceManager::LoadLanguage(const std::wstring& file) {
  QFile in(ToQ(ResolvePath(file)));
  if (!in.open(QIODevice::ReadOnly)) {
    DebugOutputF("language file %s cannot be read", in.fileName().toUtf8().constData());
    return false;
  }
  std::map<std::wstring, std::wstring> texts;
  QXmlStreamReader xml(&in);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name().compare(QLatin1String("Text"), Qt::CaseInsensitive) != 0) continue;
    const auto attrs = xml.attributes();
    std::wstring id = FromQ(attrs.value("id").toString());
    if (!id.empty()) texts[id] = FromQ(attrs.value("value").toString());
  }
  if (xml.hasError()) {
    DebugOutputF("language file %s: %s", in.fileName().toUtf8().constData(),
                 xml.errorString().toUtf8().constData());
    return false;
  }
  texts_ = std::move(texts);
  return true;
}

const std::wstring* CResourceManager::FindText(const std::wstring& id) const {
  auto it = texts_.find(id);
  return it == texts_.end() ? nullptr : &it->second;
}

std::wstring CResourceManager::Translate(const std::wstring& id) const {
  const std::wstring* text = FindText(id);
  return text ? *text : id;
}

void CResourceManager::ReloadText() {
  for (QWidget* w : QApplication::topLevelWidgets()) w->update();
}

QImage CResourceManager::LoadImage(const std::wstring& file) {
  std::wstring path = ResolveImagePath(file);
  auto it = images_.find(path);
  if (it != images_.end()) return it->second;
  QImage image;
  QString qpath = ToQ(path);
  if (qpath.endsWith(".svg", Qt::CaseInsensitive)) {
    QSvgRenderer svg(qpath);
    if (svg.isValid()) {
      image = QImage(svg.defaultSize(), QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter p(&image);
      svg.render(&p);
    }
  } else {
    image.load(qpath);
  }
  if (image.isNull()) DebugOutputF("image %s cannot be read", qpath.toUtf8().constData());
  images_[path] = image;
  return image;
}

void CResourceManager::Release() {
  xmlFiles_.clear();
  imageFiles_.clear();
  texts_.clear();
  ResetImages();
}
