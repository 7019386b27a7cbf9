#pragma once
// CImageCache: what painting an image string costs once instead of on every
// paint. It keeps the parsed form of image strings and, for each image drawn,
// the finished picture at the size and device pixel ratio it is drawn at:
// SVG files are rendered at that pixel size (sharp at any scale), raster
// files are scaled smoothly, colour masks, source parts, nine-part corners
// and tiling are applied once. Both stores are bounded; the resource manager
// empties them when the skin, its index or the scale changes.
// Used from the UI thread only, like all painting.

#include <QCache>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "panels/toolkit/image_string.h"

class QSvgRenderer;

class CImageCache {
 public:
  static CImageCache& GetInstance();
  CImageCache();
  ~CImageCache();
  CImageCache(const CImageCache&) = delete;
  CImageCache& operator=(const CImageCache&) = delete;

  // The parsed image string (parsed once while it stays in the store).
  ImageSpec Parse(const std::wstring& image);

  // The image of imageSpec as drawn into a rectangle of logicalSize at the
  // UI scale (96 = 100 %) and the device pixel ratio: a picture of
  // logicalSize × ratio pixels whose device pixel ratio is ratio. Null when
  // the file cannot be read or the size is empty.
  QImage Picture(const ImageSpec& imageSpec, const QSize& logicalSize, int scale, qreal ratio);

  // Forgets every picture and parsed string (skin, index or scale changed).
  void Clear();
  // The most bytes the pictures may take together (older ones go first).
  void SetCapacity(qint64 bytes);

  struct Stats {
    int parses = 0;    // image strings parsed
    int renders = 0;   // pictures made
    int hits = 0;      // pictures served from the store
    int pictures = 0;  // pictures held now
    qint64 bytes = 0;  // their size
  };
  Stats GetStats() const;
  void ResetStats();

 private:
  QImage Render(const ImageSpec& imageSpec, const QSize& logicalSize, int scale, qreal ratio);
  QSvgRenderer* Svg(const QString& path);

  static constexpr std::size_t kMaxParsed = 4096;
  std::unordered_map<std::wstring, ImageSpec> parsed_;
  QCache<QString, QImage> pictures_;
  std::unordered_map<std::wstring, std::unique_ptr<QSvgRenderer>> svgs_;
  Stats stats_;
};
