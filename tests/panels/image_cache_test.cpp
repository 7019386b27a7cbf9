// Drawing image strings: pictures made at the drawn size and device pixel
// ratio, the parts of the image-string syntax, and the cache that spares
// repeated paints the parsing and rendering.

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "panels/toolkit/control.h"
#include "panels/toolkit/image_cache.h"
#include "panels/toolkit/image_string.h"
#include "panels/toolkit/resource_manager.h"
#include "tests/panels/qt_test_env.h"

namespace {

class ImageCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFixtureSkin();
    cache.SetCapacity(64LL * 1024 * 1024);
    cache.ResetStats();
  }
  // Draws image into a logical rectangle of size at ratio; returns the device pixels.
  static QImage Draw(const std::wstring& image, const QSize& size, qreal ratio, int scale = 96) {
    QImage target(qRound(size.width() * ratio), qRound(size.height() * ratio),
                  QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(ratio);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    EXPECT_TRUE(DrawImageString(painter, QRect(QPoint(0, 0), size), image, scale));
    painter.end();
    return target.convertToFormat(QImage::Format_ARGB32);
  }
  CImageCache& cache = CImageCache::GetInstance();
};

TEST_F(ImageCacheTest, SvgIsRenderedAtTheDevicePixelsItIsDrawnAt) {
  // stripes.svg is 4 x 4 units, white with a black stripe half a unit wide
  // at the left. Only a picture rendered at twice the pixels can show the
  // stripe as one whole black column; scaling a 4 x 4 rendering up would
  // give two grey ones.
  const QImage two = Draw(L"stripes.svg", QSize(4, 4), 2.0);
  ASSERT_EQ(two.size(), QSize(8, 8));
  for (int y : {0, 7}) {
    EXPECT_EQ(QColor(two.pixel(0, y)), QColor(Qt::black)) << y;
    EXPECT_EQ(QColor(two.pixel(1, y)), QColor(Qt::white)) << y;
  }
  const QImage picture = cache.Picture(ParseImageString(L"stripes.svg"), QSize(4, 4), 96, 2.0);
  EXPECT_EQ(picture.size(), QSize(8, 8));
  EXPECT_EQ(picture.devicePixelRatio(), 2.0);

  // A source part of an SVG is rendered at the size it is shown at too:
  // the first unit (half black) stretched over 4 pixels.
  const QImage part = Draw(L"file='stripes.svg' source='0,0,1,4'", QSize(4, 4), 1.0);
  EXPECT_EQ(QColor(part.pixel(1, 2)), QColor(Qt::black));
  EXPECT_EQ(QColor(part.pixel(2, 2)), QColor(Qt::white));
}

TEST_F(ImageCacheTest, MaskCornersHoleAndDestDrawAsTheImageStringSays) {
  // A 3 x 3 raster file: red corners, green edges, blue middle.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage tile(3, 3, QImage::Format_ARGB32);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      const bool edgeX = x != 1, edgeY = y != 1;
      tile.setPixel(x, y,
                    edgeX && edgeY   ? qRgb(255, 0, 0)
                    : edgeX || edgeY ? qRgb(0, 255, 0)
                                     : qRgb(0, 0, 255));
    }
  }
  const QString path = dir.filePath("tile.png");
  ASSERT_TRUE(tile.save(path));
  const std::wstring file = L"file='" + path.toStdWString() + L"'";
  const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255), none(0, 0, 0, 0);
  struct Case {
    const char* what;
    std::wstring extra;
    int scale;
    qreal ratio;
    QPoint device;  // a device pixel of a 12 x 12 logical rectangle
    QColor expected;
  } cases[] = {
      {"nine parts: corner keeps its size", L" corner='1,1,1,1'", 96, 1.0, {0, 0}, red},
      {"nine parts: the edge stretches", L" corner='1,1,1,1'", 96, 1.0, {6, 0}, green},
      {"nine parts: the middle stretches", L" corner='1,1,1,1'", 96, 1.0, {6, 6}, blue},
      {"corner scaled with the UI", L" corner='1,1,1,1'", 192, 1.0, {1, 1}, red},
      {"corner scaled with the ratio", L" corner='1,1,1,1'", 96, 2.0, {1, 1}, red},
      {"corner ends where it should", L" corner='1,1,1,1'", 96, 2.0, {2, 2}, blue},
      {"hole leaves the middle out", L" corner='1,1,1,1' hole='true'", 96, 1.0, {6, 6}, none},
      {"mask makes its colour transparent",
       L" mask='#FFFF0000' dest='0,0,3,3'",
       96,
       1.0,
       {0, 0},
       none},
      {"mask keeps the other colours", L" mask='#FFFF0000' dest='0,0,3,3'", 96, 1.0, {1, 1}, blue},
      {"dest places the image", L" dest='6,6,12,12'", 96, 1.0, {3, 3}, none},
      {"dest scaled with the UI", L" dest='3,3,6,6'", 192, 1.0, {11, 11}, red},
      {"nothing outside the scaled dest", L" dest='3,3,6,6'", 192, 1.0, {5, 5}, none},
  };
  for (const auto& c : cases) {
    const QImage out = Draw(file + c.extra, QSize(12, 12), c.ratio, c.scale);
    EXPECT_EQ(QColor::fromRgba(out.pixel(c.device)), c.expected) << c.what;
  }
}

TEST_F(ImageCacheTest, RepeatedPaintsReuseTheParsedStringAndThePicture) {
  CControlUI control;
  control.resize(20, 10);
  control.SetBkImage(L"file='stripes.svg' corner='1,1,1,1'");
  control.grab();
  const CImageCache::Stats first = cache.GetStats();
  EXPECT_EQ(first.renders, 1);
  EXPECT_EQ(first.parses, 1);
  for (int i = 0; i < 3; ++i) control.grab();
  const CImageCache::Stats again = cache.GetStats();
  EXPECT_EQ(again.renders, 1);
  EXPECT_EQ(again.parses, 1);
  EXPECT_EQ(again.hits, first.hits + 3);

  // Another size is another picture; both are kept.
  control.resize(30, 10);
  control.grab();
  EXPECT_EQ(cache.GetStats().renders, 2);
  EXPECT_EQ(cache.GetStats().pictures, 2);

  // A new skin folder (or index, or scale) empties the cache.
  UseFixtureSkin();
  EXPECT_EQ(cache.GetStats().pictures, 0);
  control.grab();
  EXPECT_EQ(cache.GetStats().renders, 3);
  EXPECT_EQ(cache.GetStats().parses, 2);
}

TEST_F(ImageCacheTest, PicturesStayWithinTheCapacity) {
  cache.Clear();
  const qint64 one = 40 * 40 * 4;  // a 40 x 40 picture
  cache.SetCapacity(3 * one);
  for (int size = 36; size <= 40; ++size)
    ASSERT_FALSE(
        cache.Picture(ParseImageString(L"stripes.svg"), QSize(40, size), 96, 1.0).isNull());
  const CImageCache::Stats stats = cache.GetStats();
  EXPECT_LE(stats.bytes, 3 * one);
  EXPECT_EQ(stats.pictures, 3);
  // A picture larger than the whole store is drawn all the same.
  EXPECT_FALSE(cache.Picture(ParseImageString(L"stripes.svg"), QSize(400, 400), 96, 1.0).isNull());
  // Files that cannot be read give nothing.
  EXPECT_TRUE(cache.Picture(ParseImageString(L"missing.svg"), QSize(4, 4), 96, 1.0).isNull());
  EXPECT_TRUE(cache.Picture(ParseImageString(L"missing.png"), QSize(4, 4), 96, 1.0).isNull());
}

}  // namespace
