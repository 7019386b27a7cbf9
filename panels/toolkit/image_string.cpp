#include "panels/toolkit/image_string.h"

#include <QPaintDevice>

#include <algorithm>
#include <cmath>

#include "panels/toolkit/image_cache.h"
#include "panels/toolkit/ui_types.h"

ImageSpec ParseImageString(const std::wstring& image) {
  return CImageCache::GetInstance().Parse(image);
}

ImageSpec ParseImageStringNow(const std::wstring& image) {
  ImageSpec imageSpec;
  if (image.find(L'=') == std::wstring::npos) {
    imageSpec.file = image;
    return imageSpec;
  }
  for (const auto& [key, value] : ParseAttributeList(image)) {
    const std::wstring k = ToLower(key);
    if (k == L"file" || k == L"res") {
      imageSpec.file = value;
    } else if (k == L"source") {
      imageSpec.source = ParseRect(value);
    } else if (k == L"dest") {
      imageSpec.dest = ParseRect(value);
    } else if (k == L"corner") {
      imageSpec.corner = ParseMargins(value);
    } else if (k == L"mask") {
      imageSpec.hasMask = true;
      imageSpec.mask = ParseColor(value);
    } else if (k == L"fade") {
      imageSpec.fade = ParseInt(value);
    } else if (k == L"hole") {
      imageSpec.hole = ParseBool(value);
    } else if (k == L"xtiled") {
      imageSpec.xtiled = ParseBool(value);
    } else if (k == L"ytiled") {
      imageSpec.ytiled = ParseBool(value);
    }
  }
  return imageSpec;
}

namespace {
QRect ScaledRect(const QRect& r, int scale) {
  return QRect(QPoint(r.left() * scale / 96, r.top() * scale / 96),
               QSize(r.width() * scale / 96, r.height() * scale / 96));
}

// Device pixels per logical pixel where the painter draws: the device's
// ratio times a plain scaling of the painter.
qreal PaintRatio(const QPainter& painter) {
  qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  const QTransform& t = painter.worldTransform();
  if (t.type() <= QTransform::TxScale) ratio *= std::max(std::abs(t.m11()), std::abs(t.m22()));
  return ratio > 0 ? ratio : 1.0;
}
}  // namespace

bool DrawImageSpec(QPainter& painter, const QRect& rect, const ImageSpec& imageSpec, int scale) {
  if (imageSpec.file.empty()) return false;
  QRect dest = rect;
  if (!imageSpec.dest.isEmpty())
    dest = ScaledRect(imageSpec.dest, scale).translated(rect.topLeft());
  if (dest.isEmpty()) return false;
  const QImage picture =
      CImageCache::GetInstance().Picture(imageSpec, dest.size(), scale, PaintRatio(painter));
  if (picture.isNull()) return false;
  painter.save();
  painter.setOpacity(painter.opacity() * std::clamp(imageSpec.fade, 0, 255) / 255.0);
  painter.drawImage(QRectF(dest), picture);
  painter.restore();
  return true;
}

bool DrawImageString(QPainter& painter, const QRect& rect, const std::wstring& image, int scale) {
  if (image.empty()) return false;
  return DrawImageSpec(painter, rect, ParseImageString(image), scale);
}
