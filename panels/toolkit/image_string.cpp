#include "panels/toolkit/image_string.h"

#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/ui_types.h"

ImageSpec ParseImageString(const std::wstring& image) {
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

static int ScaleOf(int v, int scale) { return v * scale / 96; }

static QRect ScaledRect(const QRect& r, int scale) {
  return QRect(QPoint(ScaleOf(r.left(), scale), ScaleOf(r.top(), scale)),
               QSize(ScaleOf(r.width(), scale), ScaleOf(r.height(), scale)));
}

bool DrawImageSpec(QPainter& painter, const QRect& rect, const ImageSpec& imageSpec, int scale) {
  if (imageSpec.file.empty()) return false;
  QImage image = CResourceManager::GetInstance().LoadImage(imageSpec.file);
  if (image.isNull()) return false;
  if (imageSpec.hasMask) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = imageSpec.mask & 0x00FFFFFF;
    for (int y = 0; y < image.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if ((line[x] & 0x00FFFFFF) == key) line[x] = 0;
      }
    }
  }
  QRect source =
      imageSpec.source.isEmpty() ? image.rect() : imageSpec.source.intersected(image.rect());
  QRect dest = rect;
  if (!imageSpec.dest.isEmpty())
    dest = ScaledRect(imageSpec.dest, scale).translated(rect.topLeft());
  if (source.isEmpty() || dest.isEmpty()) return false;

  painter.save();
  painter.setOpacity(painter.opacity() * std::clamp(imageSpec.fade, 0, 255) / 255.0);
  const QMargins& c = imageSpec.corner;
  if (!c.isNull()) {
    // Nine-part drawing: the corners keep their size, the edges and the middle stretch.
    const QMargins d(ScaleOf(c.left(), scale), ScaleOf(c.top(), scale), ScaleOf(c.right(), scale),
                     ScaleOf(c.bottom(), scale));
    const int sx[4] = {source.left(), source.left() + c.left(), source.right() + 1 - c.right(),
                       source.right() + 1};
    const int sy[4] = {source.top(), source.top() + c.top(), source.bottom() + 1 - c.bottom(),
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
    const int tw = imageSpec.xtiled ? source.width() : dest.width();
    const int th = imageSpec.ytiled ? source.height() : dest.height();
    painter.setClipRect(dest, Qt::IntersectClip);
    for (int y = dest.top(); y <= dest.bottom(); y += th) {
      for (int x = dest.left(); x <= dest.right(); x += tw) {
        painter.drawImage(QRect(x, y, tw, th), image, source);
      }
    }
  } else {
    painter.drawImage(dest, image, source);
  }
  painter.restore();
  return true;
}

bool DrawImageString(QPainter& painter, const QRect& rect, const std::wstring& image, int scale) {
  if (image.empty()) return false;
  return DrawImageSpec(painter, rect, ParseImageString(image), scale);
}
