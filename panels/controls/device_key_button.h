#pragma once
// CDeviceKeyButtonUI: a key or a light of a device picture. When lit, its
// "lightimage" is drawn tinted with the light colour at the light's
// brightness over the button's own images; "keyunsetimage" and "keysetimage"
// mark keys without and with an assignment.
// A button without a "normalimage" draws its own key cap (a rounded cap with
// a frame, brighter while hot, outlined while selected) and, when lit and
// without a "lightimage", shows the light as a frame, an underglow and a tint
// of the cap in the light colour at the light's brightness. Its text is the
// key's legend.
// A self-drawn cap keeps what does not depend on the light (the cap, the
// legend, the outline) as two pictures, under and over the light, and the
// light's shape as a mask; a change of the light only colours the mask. The
// pictures are redrawn when anything they show changes and dropped while the
// button is hidden.

#include <QImage>

#include "panels/toolkit/button.h"

class CDeviceKeyButtonUI : public CButtonUI {
 public:
  explicit CDeviceKeyButtonUI(QWidget* parent = nullptr);
  std::wstring GetClass() const override { return L"DeviceKeyButton"; }

  bool IsLight() const { return lit_; }
  void SetLight(bool lit);
  // The light colour as the device object packs it: red | blue << 8 | green << 16.
  std::uint32_t GetLightColor() const { return lightColor_; }
  void SetLightColor(std::uint32_t packed);
  int GetLightBrightness() const { return brightness_; }
  void SetLightBrightness(int brightness);
  // Sets colour and brightness without repainting; true when the cap's look
  // changed (it is lit and either differs), so the caller repaints it.
  bool SetLightState(std::uint32_t packed, int brightness);
  // The colour the light image is tinted with (alpha = brightness).
  QColor GetLightPaintColor() const;

  bool IsSelected() const { return selected_; }
  void SetSelected(bool selected);
  bool IsKeySetShown() const { return showKeySet_; }
  void ShowKeySet(bool on);
  bool IsKeyUnsetShown() const { return showKeyUnset_; }
  void ShowKeyUnset(bool on);

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void DoPaint(QPainter& painter) override;
  void PaintStatusImage(QPainter& painter) override;
  void PaintCap(QPainter& painter);
  // The light's frame, underglow and tint in colour c at the given opacity.
  void PaintCapLight(QPainter& painter, const QColor& c, qreal opacity);

  bool lit_ = false;
  std::uint32_t lightColor_ = 255;
  int brightness_ = 200;
  bool selected_ = false;
  bool showKeySet_ = false;
  bool showKeyUnset_ = false;
  std::wstring lightImage_, keySetImage_, keyUnsetImage_;

 private:
  // Everything the cached pictures of a self-drawn cap show, but the light.
  struct CapLook {
    QSize size;
    qreal pixelRatio = 1;
    int dpi = 96;
    std::wstring text;
    QFont font;
    std::uint32_t textColors[4] = {};
    std::uint32_t bkColor = 0, hotBkColor = 0, borderColor = 0;
    int borderSize = 0;
    Qt::Alignment align;
    QMargins textPadding;
    bool wordWrap = false;
    UINT state = 0;
    bool enabled = true, focused = false, keyboardFocus = false;
    QRgb highlight = 0;
    bool selected = false, showKeySet = false, showKeyUnset = false;
    std::wstring images[10];
    bool operator==(const CapLook&) const = default;
  };
  CapLook CurrentLook() const;
  void RenderCapPictures(const CapLook& look);
  void DrawCachedCap(QPainter& painter);

  // Which part of the look PaintStatusImage draws: all of it, or what lies
  // under or over the light.
  enum class Layer { kAll, kUnderLight, kOverLight };
  Layer layer_ = Layer::kAll;
  bool cached_ = false;
  CapLook cachedLook_;
  QImage underLight_, overLight_, lightMask_;
};
