#include "panels/toolkit/image_cache.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/ui_types.h"
#include "platform/debug_output.h"

namespace {
constexpr qint64 kDefaultCapacity = 64LL * 1024 * 1024;

// Pixels of the mask colour become transparent.
QImage ApplyMask(const QImage& image, std::uint32_t mask) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = mask & 0x00FFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if ((line[x] & 0x00FFFFFF) == key) line[x] = 0;
    }
  }
  return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

int ScaleOf(int v, int scale) { return v * scale / 96; }

QRect ScaledSourceRect(const QRect& r, qreal factor) {
  if (factor == 1.0) return r;
  return QRectF(r.x() * factor, r.y() * factor, r.width() * factor, r.height() * factor)
      .toAlignedRect();
}

QString RectKey(const QRect& r) {
  return QString::number(r.x()) + ',' + QString::number(r.y()) + ',' + QString::number(r.width()) +
         ',' + QString::number(r.height());
}

QString MarginsKey(const QMargins& m) {
  return QString::number(m.left()) + ',' + QString::number(m.top()) + ',' +
         QString::number(m.right()) + ',' + QString::number(m.bottom());
}

// Everything that changes the finished picture (the place and the fade do not).
QString PictureKey(const ImageSpec& s, const QSize& size, int scale, qreal ratio) {
  QString key = ToQ(s.file);
  key += '|' + RectKey(s.source) + '|' + MarginsKey(s.corner) + '|';
  key += s.hasMask ? QString::number(s.mask, 16) : QStringLiteral("-");
  key += s.hole ? 'h' : '-';
  key += s.xtiled ? 'x' : '-';
  key += s.ytiled ? 'y' : '-';
  key += '|' + QString::number(size.width()) + 'x' + QString::number(size.height()) + '|' +
         QString::number(scale) + '@' + QString::number(qRound(ratio * 100));
  return key;
}
}  // namespace

CImageCache& CImageCache::GetInstance() {
  static CImageCache instance;
  return instance;
}

CImageCache::CImageCache() { pictures_.setMaxCost(kDefaultCapacity); }

CImageCache::~CImageCache() = default;

ImageSpec CImageCache::Parse(const std::wstring& image) {
  auto it = parsed_.find(image);
  if (it != parsed_.end()) return it->second;
  ++stats_.parses;
  ImageSpec imageSpec = ParseImageStringNow(image);
  if (parsed_.size() >= kMaxParsed) parsed_.clear();
  parsed_.emplace(image, imageSpec);
  return imageSpec;
}

QImage CImageCache::Picture(const ImageSpec& imageSpec, const QSize& logicalSize, int scale,
                            qreal ratio) {
  if (imageSpec.file.empty() || logicalSize.isEmpty() || ratio <= 0) return QImage();
  const QString key = PictureKey(imageSpec, logicalSize, scale, ratio);
  if (QImage* held = pictures_.object(key)) {
    ++stats_.hits;
    return *held;
  }
  ++stats_.renders;
  QImage picture = Render(imageSpec, logicalSize, scale, ratio);
  if (!picture.isNull()) {
    // A picture larger than the whole store is drawn but not kept.
    pictures_.insert(key, new QImage(picture), picture.sizeInBytes());
  }
  return picture;
}

QSvgRenderer* CImageCache::Svg(const QString& path) {
  const std::wstring k = FromQ(path);
  auto it = svgs_.find(k);
  if (it != svgs_.end()) return it->second.get();
  auto renderer = std::make_unique<QSvgRenderer>(path);
  if (!renderer->isValid()) {
    DebugOutputF("image %s cannot be read", path.toUtf8().constData());
    renderer.reset();
  }
  return svgs_.emplace(k, std::move(renderer)).first->second.get();
}

QImage CImageCache::Render(const ImageSpec& imageSpec, const QSize& logicalSize, int scale,
                           qreal ratio) {
  auto& res = CResourceManager::GetInstance();
  const QString path = ToQ(res.ResolveImagePath(imageSpec.file));
  const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
  const bool plain = imageSpec.corner.isNull() && !imageSpec.xtiled && !imageSpec.ytiled;

  const QSize pixels(std::max(1, qRound(logicalSize.width() * ratio)),
                     std::max(1, qRound(logicalSize.height() * ratio)));
  QImage out(pixels, QImage::Format_ARGB32_Premultiplied);
  out.setDevicePixelRatio(ratio);
  out.fill(Qt::transparent);
  const QRect dest(QPoint(0, 0), logicalSize);

  if (svg && plain) {
    // Rendered straight at the pixel size it is shown at.
    QSvgRenderer* renderer = Svg(path);
    if (!renderer) return QImage();
    const QRectF natural(QPointF(0, 0), renderer->defaultSize());
    const QRectF source =
        imageSpec.source.isEmpty() ? natural : QRectF(imageSpec.source).intersected(natural);
    if (source.isEmpty()) return QImage();
    const qreal sx = logicalSize.width() / source.width();
    const qreal sy = logicalSize.height() / source.height();
    QPainter p(&out);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.setClipRect(dest);
    renderer->render(&p, QRectF(-source.x() * sx, -source.y() * sy, natural.width() * sx,
                                natural.height() * sy));
    p.end();
    return imageSpec.hasMask ? ApplyMask(out, imageSpec.mask) : out;
  }

  // The source picture: a raster file as decoded, an SVG rendered at the
  // scale its corners and tiles are drawn at. factor: its pixels per unit
  // of the image string's source and corner numbers.
  QImage image;
  qreal factor = 1.0;
  if (svg) {
    QSvgRenderer* renderer = Svg(path);
    if (!renderer) return QImage();
    factor = scale / 96.0 * ratio;
    const QSize size(
        std::max(1, static_cast<int>(std::ceil(renderer->defaultSize().width() * factor))),
        std::max(1, static_cast<int>(std::ceil(renderer->defaultSize().height() * factor))));
    image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    renderer->render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
  } else {
    image = res.LoadImage(imageSpec.file);
    if (image.isNull()) return QImage();
  }
  if (imageSpec.hasMask) image = ApplyMask(image, imageSpec.mask);
  const QRect source = imageSpec.source.isEmpty()
                           ? image.rect()
                           : ScaledSourceRect(imageSpec.source, factor).intersected(image.rect());
  if (source.isEmpty()) return QImage();

  QPainter painter(&out);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QMargins& c = imageSpec.corner;
  if (!c.isNull()) {
    // Nine-part drawing: the corners keep their (scaled) size, the edges and
    // the middle stretch.
    const QMargins d(ScaleOf(c.left(), scale), ScaleOf(c.top(), scale), ScaleOf(c.right(), scale),
                     ScaleOf(c.bottom(), scale));
    const QMargins sc(qRound(c.left() * factor), qRound(c.top() * factor),
                      qRound(c.right() * factor), qRound(c.bottom() * factor));
    const int sx[4] = {source.left(), source.left() + sc.left(), source.right() + 1 - sc.right(),
                       source.right() + 1};
    const int sy[4] = {source.top(), source.top() + sc.top(), source.bottom() + 1 - sc.bottom(),
                       source.bottom() + 1};
    const int dx[4] = {dest.left(), dest.left() + d.left(), dest.right() + 1 - d.right(),
                       dest.right() + 1};
    const int dy[4] = {dest.top(), dest.top() + d.top(), dest.bottom() + 1 - d.bottom(),
                       dest.bottom() + 1};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        if (imageSpec.hole && row == 1 && col == 1) continue;
        QRect s(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
        QRect t(QPoint(dx[col], dy[row]), QPoint(dx[col + 1] - 1, dy[row + 1] - 1));
        if (!s.isEmpty() && !t.isEmpty()) painter.drawImage(t, image, s);
      }
    }
  } else if (imageSpec.xtiled || imageSpec.ytiled) {
    // Tiles keep the size of the source part (as before the scale).
    const int tw = imageSpec.xtiled ? std::max(1, qRound(source.width() / factor)) : dest.width();
    const int th = imageSpec.ytiled ? std::max(1, qRound(source.height() / factor)) : dest.height();
    for (int y = dest.top(); y <= dest.bottom(); y += th) {
      for (int x = dest.left(); x <= dest.right(); x += tw) {
        painter.drawImage(QRect(x, y, tw, th), image, source);
      }
    }
  } else {
    painter.drawImage(dest, image, source);
  }
  return out;
}

void CImageCache::Clear() {
  pictures_.clear();
  parsed_.clear();
  svgs_.clear();
}

void CImageCache::SetCapacity(qint64 bytes) { pictures_.setMaxCost(std::max<qint64>(0, bytes)); }

CImageCache::Stats CImageCache::GetStats() const {
  Stats s = stats_;
  s.pictures = static_cast<int>(pictures_.count());
  s.bytes = pictures_.totalCost();
  return s;
}

void CImageCache::ResetStats() { stats_ = Stats(); }
