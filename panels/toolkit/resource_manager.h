#pragma once
// Process-wide skin resources: the skin folder, the index of named resources
// (res.xml), the language table that turns language ids into display text,
// and the decoded images. Changing the skin folder or the index empties the
// decoded images and the image cache (image_cache.h).

#include <QImage>

#include <map>
#include <string>

class CResourceManager {
 public:
  static CResourceManager& GetInstance();

  // The skin folder; relative file names of layouts, images and language
  // files are looked up here. A trailing separator is optional.
  void SetResourcePath(const std::wstring& path);
  std::wstring GetResourcePath() const { return resourcePath_; }
  // A resource-relative file name ("XML\\a.xml" or "XML/a.xml") as a full path;
  // absolute paths are kept as they are.
  std::wstring ResolvePath(const std::wstring& file) const;

  // Reads the index of named resources: <Res><Xml name="XML_MAIN" file="main.xml"/>
  // <Image name="..." file="..."/></Res>. Returns false when it cannot be read.
  bool LoadResource(const std::wstring& file);
  // The file behind a named layout resource, or the name itself when unknown.
  std::wstring GetXmlFile(const std::wstring& name) const;
  std::wstring GetImageFile(const std::wstring& name) const;

  // Language table. LoadLanguage reads a language file of the skin folder,
  // <Language><Text id="..." value="..."/></Language>, replacing the table;
  // false when the file cannot be read (the table is then left as it was).
  void SetLanguage(const std::wstring& name) { language_ = name; }
  std::wstring GetLanguage() const { return language_; }
  bool LoadLanguage(const std::wstring& file);
  void SetText(const std::wstring& id, const std::wstring& text) { texts_[id] = text; }
  void ClearTexts() { texts_.clear(); }
  // The text of a language id; nullptr when the id is not in the table.
  const std::wstring* FindText(const std::wstring& id) const;
  // The text of a language id, or the id itself when the table has none.
  std::wstring Translate(const std::wstring& id) const;
  // Repaints every window so that resource texts show the current language.
  void ReloadText();

  // The full path of an image: a named image of the index or a file name.
  std::wstring ResolveImagePath(const std::wstring& file) const;
  // Images, decoded once per full path (SVG files are rendered at their own
  // size; painting renders them at the drawn size through the image cache).
  QImage LoadImage(const std::wstring& file);
  // Forgets the decoded images and the image cache's pictures (a new skin,
  // index or scale); the next paint makes them again.
  void ResetImages();

  void Release();

 private:
  std::wstring resourcePath_;
  std::wstring language_;
  std::map<std::wstring, std::wstring> xmlFiles_;
  std::map<std::wstring, std::wstring> imageFiles_;
  std::map<std::wstring, std::wstring> texts_;
  std::map<std::wstring, QImage> images_;
};
