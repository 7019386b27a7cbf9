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
  void PaintStatusImage(QPainter& painter) override;
  void PaintCap(QPainter& painter);
  void PaintCapLight(QPainter& painter);

  bool lit_ = false;
  std::uint32_t lightColor_ = 255;
  int brightness_ = 200;
  bool selected_ = false;
  bool showKeySet_ = false;
  bool showKeyUnset_ = false;
  std::wstring lightImage_, keySetImage_, keyUnsetImage_;
};
