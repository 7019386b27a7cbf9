// Paints a keyboard picture of self-drawn key caps the way an animated
// lighting effect does: every frame changes the light of nearly every cap and
// the picture is repainted as a whole. Prints the time per picture.
// Usage: ruvemo-key-caps-bench [dpi] [frames] [snapshot.png]
// (run with QT_QPA_PLATFORM=offscreen). The snapshot is the first frame, for
// comparing the look of two builds.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "panels/controls/device_key_button.h"
#include "panels/toolkit/paint_manager.h"

namespace {

constexpr int kColumns = 17;
constexpr int kRows = 6;
constexpr int kKey = 40;  // cap size and pitch at 96 dpi
constexpr int kPitch = 44;

std::wstring Legend(int i) {
  static const wchar_t* const names[] = {L"Esc",  L"F1",  L"Tab",   L"Q", L"W",     L"E", L"Shift",
                                         L"Ctrl", L"Alt", L"Space", L"7", L"Enter", L"A"};
  return names[i % (sizeof(names) / sizeof(names[0]))];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int dpi = argc > 1 ? std::atoi(argv[1]) : 96;
  const int frames = argc > 2 ? std::atoi(argv[2]) : 300;
  const char* snapshot = argc > 3 ? argv[3] : nullptr;

  CPaintManagerUI manager;
  manager.SetDPI(dpi);
  QWidget picture;
  picture.setAutoFillBackground(true);
  QPalette pal = picture.palette();
  pal.setColor(QPalette::Window, QColor(0x101216));
  picture.setPalette(pal);
  const int scaledPitch = manager.ScaleValue(kPitch);
  const int scaledKey = manager.ScaleValue(kKey);
  picture.resize(kColumns * scaledPitch + scaledPitch, kRows * scaledPitch + scaledPitch);

  std::vector<CDeviceKeyButtonUI*> caps;
  for (int row = 0; row < kRows; ++row) {
    for (int col = 0; col < kColumns; ++col) {
      const int i = row * kColumns + col;
      auto* cap = new CDeviceKeyButtonUI(&picture);
      cap->SetManager(&manager, nullptr, false);
      cap->SetText(Legend(i));
      cap->SetTextColor(0xFFC8CCD4);
      cap->SetTextAlign(Qt::AlignCenter);
      cap->setGeometry(scaledPitch / 2 + col * scaledPitch, scaledPitch / 2 + row * scaledPitch,
                       scaledKey, scaledKey);
      cap->SetLight(i % 13 != 5);  // a few caps stay dark
      cap->SetSelected(i % 11 == 3);
      caps.push_back(cap);
    }
  }

  QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
  auto setFrame = [&](int frame) {
    for (size_t i = 0; i < caps.size(); ++i) {
      const int phase = static_cast<int>(i) * 7 + frame * 5;
      const std::uint32_t red = phase % 256, green = (phase * 3) % 256, blue = 255 - phase % 256;
      caps[i]->SetLightState(red | blue << 8 | green << 16, 80 + (phase * 11) % 176);
    }
  };

  setFrame(0);
  picture.render(&image);
  if (snapshot && !image.save(snapshot)) {
    std::fprintf(stderr, "cannot write %s\n", snapshot);
    return 1;
  }
  QElapsedTimer timer;
  timer.start();
  for (int frame = 1; frame <= frames; ++frame) {
    setFrame(frame);
    picture.render(&image);
  }
  const double ms = timer.nsecsElapsed() / 1e6;
  std::printf("%d caps at %d dpi: %d pictures in %.1f ms, %.3f ms per picture\n",
              static_cast<int>(caps.size()), dpi, frames, ms, ms / frames);
  return 0;
}
