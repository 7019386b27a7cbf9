#include "panels/controls/device_key_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <iterator>

#include "panels/toolkit/image_string.h"
#include "panels/toolkit/resource_manager.h"

CDeviceKeyButtonUI::CDeviceKeyButtonUI(QWidget* parent) : CButtonUI(parent) {}

void CDeviceKeyButtonUI::SetLight(bool lit) {
  if (lit_ == lit) return;
  lit_ = lit;
  update();
}

void CDeviceKeyButtonUI::SetLightColor(std::uint32_t packed) {
  if (lightColor_ == packed) return;
  lightColor_ = packed;
  if (lit_) update();
}

void CDeviceKeyButtonUI::SetLightBrightness(int brightness) {
  brightness = std::clamp(brightness, 0, 255);
  if (brightness_ == brightness) return;
  brightness_ = brightness;
  if (lit_) update();
}

bool CDeviceKeyButtonUI::SetLightState(std::uint32_t packed, int brightness) {
  brightness = std::clamp(brightness, 0, 255);
  if (lightColor_ == packed && brightness_ == brightness) return false;
  lightColor_ = packed;
  brightness_ = brightness;
  return lit_;
}

QColor CDeviceKeyButtonUI::GetLightPaintColor() const {
  return QColor(lightColor_ & 0xFF, (lightColor_ >> 16) & 0xFF, (lightColor_ >> 8) & 0xFF,
                brightness_);
}

void CDeviceKeyButtonUI::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  update();
}

void CDeviceKeyButtonUI::ShowKeySet(bool on) {
  showKeySet_ = on;
  update();
}

void CDeviceKeyButtonUI::ShowKeyUnset(bool on) {
  showKeyUnset_ = on;
  update();
}

void CDeviceKeyButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"lightimage") {
    lightImage_ = value;
  } else if (n == L"keysetimage") {
    keySetImage_ = value;
  } else if (n == L"keyunsetimage") {
    keyUnsetImage_ = value;
  }
  // "gmnametextcolor" is accepted and changes nothing.
  CButtonUI::SetAttribute(name, value);
}

void CDeviceKeyButtonUI::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !IsEnabled()) {
    event->ignore();
    return;
  }
  state_ |= UISTATE_PUSHED | UISTATE_CAPTURED;
  RaiseNotify(L"dbclick");
  update();
}

void CDeviceKeyButtonUI::PaintCap(QPainter& painter) {
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const qreal radius = Scale(5);
  const bool hot = IsEnabled() && (state_ & (UISTATE_HOT | UISTATE_PUSHED));
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(hot ? 0x5A6478 : 0x323844), 1));
  painter.setBrush(QColor(IsEnabled() ? 0x1B1E25 : 0x15171C));
  painter.drawRoundedRect(r, radius, radius);
  // The top face of the cap, a little lighter and inset towards the top.
  const qreal side = Scale(3);
  const QRectF face = r.adjusted(side, Scale(2), -side, -Scale(5));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(hot ? 0x2D323C : 0x252932));
  painter.drawRoundedRect(face, radius - 1, radius - 1);
  painter.restore();
}

void CDeviceKeyButtonUI::PaintCapLight(QPainter& painter, const QColor& c, qreal opacity) {
  const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
  const qreal radius = Scale(5);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setOpacity(opacity);
  // Light spilling round the cap: a frame and a bright strip under the face.
  painter.setPen(QPen(c, Scale(2)));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(r, radius, radius);
  const QRectF strip(r.left() + Scale(3), r.bottom() - Scale(4), r.width() - Scale(6), Scale(2));
  painter.setPen(Qt::NoPen);
  painter.setBrush(c);
  painter.drawRoundedRect(strip, 1, 1);
  // The face lets some of the light through.
  QColor tint = c;
  tint.setAlpha(56);
  painter.setBrush(tint);
  painter.drawRoundedRect(r.adjusted(Scale(2), Scale(1), -Scale(2), -Scale(4)), radius - 1,
                          radius - 1);
  painter.restore();
}

CDeviceKeyButtonUI::CapLook CDeviceKeyButtonUI::CurrentLook() const {
  CapLook look;
  look.size = size();
  look.pixelRatio = devicePixelRatioF();
  look.dpi = GetScale();
  look.text = GetText();
  look.font = ResolveFont();
  look.textColors[0] = textColor_;
  look.textColors[1] = disabledTextColor_;
  look.textColors[2] = hotTextColor_;
  look.textColors[3] = pushedTextColor_;
  look.bkColor = bkColor_;
  look.hotBkColor = hotBkColor_;
  look.borderColor = borderColor_;
  look.borderSize = borderSize_;
  look.align = align_;
  look.textPadding = textPadding_;
  look.wordWrap = wordWrap_;
  look.state = state_ & (UISTATE_HOT | UISTATE_PUSHED);
  look.enabled = IsEnabled();
  look.focused = hasFocus();
  look.keyboardFocus = HasKeyboardFocus();
  look.highlight = palette().color(QPalette::Highlight).rgba();
  look.selected = selected_;
  look.showKeySet = showKeySet_;
  look.showKeyUnset = showKeyUnset_;
  const std::wstring* images[] = {
      &bkImage_,   &hotImage_,     &pushedImage_,     &focusedImage_, &disabledImage_,
      &foreImage_, &hotForeImage_, &pushedForeImage_, &keySetImage_,  &keyUnsetImage_};
  for (size_t i = 0; i < std::size(images); ++i) look.images[i] = *images[i];
  return look;
}

void CDeviceKeyButtonUI::RenderCapPictures(const CapLook& look) {
  const QSize pixels = (QSizeF(look.size) * look.pixelRatio).toSize();
  auto render = [&](Layer layer) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(look.pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    layer_ = layer;
    if (layer == Layer::kUnderLight) {
      PaintBkColor(painter);
      PaintBkImage(painter);
      PaintStatusImage(painter);
    } else {
      PaintStatusImage(painter);
      PaintText(painter);
      PaintBorder(painter);
    }
    layer_ = Layer::kAll;
    return image;
  };
  underLight_ = render(Layer::kUnderLight);
  overLight_ = render(Layer::kOverLight);
  // The light's shape in white at full opacity; its alpha is the mask.
  QImage shape(pixels, QImage::Format_ARGB32_Premultiplied);
  shape.setDevicePixelRatio(look.pixelRatio);
  shape.fill(Qt::transparent);
  {
    QPainter painter(&shape);
    PaintCapLight(painter, Qt::white, 1.0);
  }
  lightMask_ = shape.convertToFormat(QImage::Format_Alpha8);
  cachedLook_ = look;
  cached_ = true;
}

void CDeviceKeyButtonUI::DrawCachedCap(QPainter& painter) {
  const CapLook look = CurrentLook();
  if (!cached_ || !(look == cachedLook_)) RenderCapPictures(look);
  const QPointF target(0, 0);
  painter.drawImage(target, underLight_);
  if (lit_ && brightness_ > 0) {
    // The mask coloured with the light at the light's brightness. One buffer
    // serves every cap: caps paint one at a time on the GUI thread.
    static QImage light;
    if (light.size() != lightMask_.size())
      light = QImage(lightMask_.size(), QImage::Format_ARGB32_Premultiplied);
    light.setDevicePixelRatio(look.pixelRatio);
    // Each mask level's colour, then one look-up a pixel.
    const QColor c = GetLightPaintColor();
    QRgb levels[256];
    for (int level = 0; level < 256; ++level)
      levels[level] =
          qPremultiply(qRgba(c.red(), c.green(), c.blue(), (level * brightness_ + 127) / 255));
    const int width = lightMask_.width(), height = lightMask_.height();
    for (int y = 0; y < height; ++y) {
      const uchar* mask = lightMask_.constScanLine(y);
      auto* out = reinterpret_cast<QRgb*>(light.scanLine(y));
      for (int x = 0; x < width; ++x) out[x] = levels[mask[x]];
    }
    painter.drawImage(target, light);
  }
  painter.drawImage(target, overLight_);
}

void CDeviceKeyButtonUI::hideEvent(QHideEvent* event) {
  // A hidden picture keeps no cached caps; they are redrawn when shown.
  cached_ = false;
  underLight_ = overLight_ = lightMask_ = QImage();
  CButtonUI::hideEvent(event);
}

void CDeviceKeyButtonUI::DoPaint(QPainter& painter) {
  if (normalImage_.empty() && lightImage_.empty())
    DrawCachedCap(painter);
  else
    CButtonUI::DoPaint(painter);
}

void CDeviceKeyButtonUI::PaintStatusImage(QPainter& painter) {
  if (layer_ != Layer::kOverLight) {
    if (normalImage_.empty()) PaintCap(painter);
    CButtonUI::PaintStatusImage(painter);
  }
  if (layer_ != Layer::kAll) {
    // The light is drawn between the two cached pictures.
    if (layer_ == Layer::kUnderLight) return;
  } else if (lit_ && lightImage_.empty() && normalImage_.empty()) {
    QColor c = GetLightPaintColor();
    c.setAlpha(255);
    PaintCapLight(painter, c, brightness_ / 255.0);
  }
  if (selected_ && normalImage_.empty()) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x3D7EFF), 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), Scale(5), Scale(5));
    painter.restore();
  }
  if (lit_ && !lightImage_.empty()) {
    const ImageSpec imageSpec = ParseImageString(lightImage_);
    QImage image = CResourceManager::GetInstance().LoadImage(imageSpec.file);
    if (!image.isNull()) {
      // The image's shape in the light colour; brightness is the opacity.
      QImage tinted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      QPainter tint(&tinted);
      tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
      QColor c = GetLightPaintColor();
      c.setAlpha(255);
      tint.fillRect(tinted.rect(), c);
      tint.end();
      QRect source = imageSpec.source.isEmpty() ? tinted.rect() : imageSpec.source;
      QRect dest = rect();
      if (!imageSpec.dest.isEmpty())
        dest = QRect(Scale(imageSpec.dest.left()), Scale(imageSpec.dest.top()),
                     Scale(imageSpec.dest.width()), Scale(imageSpec.dest.height()));
      painter.save();
      painter.setOpacity(brightness_ / 255.0);
      painter.drawImage(dest, tinted, source);
      painter.restore();
    }
  }
  if (showKeyUnset_) DrawImage(painter, keyUnsetImage_);
  if (showKeySet_) DrawImage(painter, keySetImage_);
}
