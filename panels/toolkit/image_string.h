#pragma once
// Image strings of the skin: either a plain file name or a list of
// key='value' pairs: file (or res), restype, dest, source, corner, mask,
// fade, hole, xtiled, ytiled, hsl. A relative file name is looked up in the
// skin folder. dest is relative to the control's top-left corner and scaled.

#include <QImage>
#include <QMargins>
#include <QPainter>
#include <QRect>

#include <cstdint>
#include <string>

struct ImageSpec {
  std::wstring file;
  QRect source;  // empty: whole image
  QRect dest;    // empty: whole control
  QMargins corner;
  bool hasMask = false;
  std::uint32_t mask = 0;
  int fade = 255;
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;
};

// The parsed image string; repeated strings come from the image cache.
ImageSpec ParseImageString(const std::wstring& image);
// Parses without the cache.
ImageSpec ParseImageStringNow(const std::wstring& image);

// Draws an image string into rect (the control's rectangle in painter
// coordinates). scale is the UI scale (96 = 100 %). The picture is made once
// per image, drawn size and device pixel ratio (see image_cache.h) and then
// only copied to the painter. Returns false when the image cannot be loaded.
bool DrawImageString(QPainter& painter, const QRect& rect, const std::wstring& image,
                     int scale = 96);
bool DrawImageSpec(QPainter& painter, const QRect& rect, const ImageSpec& imageSpec,
                   int scale = 96);
