#include "sim/device_layout.h"

#include <array>

namespace {

struct GridKey {
  uint8_t type, arg1, arg2;
};

constexpr int kRows = 6;
constexpr int kColumns = 21;
constexpr GridKey kNone{0, 0, 0};

// HID keyboard usage of a plain key.
constexpr GridKey K(uint8_t usage) { return {0x20, 0x00, usage}; }
// A modifier key (modifier mask, no usage).
constexpr GridKey Mod(uint8_t mask) { return {0x20, mask, 0x00}; }

// The board as it looks from above. Columns 0-13 are the main block, 14-16 the
// navigation block, 17-20 the number pad.
using Grid = std::array<std::array<GridKey, kColumns>, kRows>;
constexpr Grid kBoard = {{
    // Esc, F1-F12, gap, Print Screen, Scroll Lock, Pause
    {K(0x29), K(0x3A), K(0x3B), K(0x3C), K(0x3D), K(0x3E), K(0x3F),
     K(0x40), K(0x41), K(0x42), K(0x43), K(0x44), K(0x45), kNone,
     K(0x46), K(0x47), K(0x48), kNone,   kNone,   kNone,   kNone},
    // ` 1-0 - = Backspace, Insert Home PgUp, Num Lock / * -
    {K(0x35), K(0x1E), K(0x1F), K(0x20), K(0x21), K(0x22), K(0x23),
     K(0x24), K(0x25), K(0x26), K(0x27), K(0x2D), K(0x2E), K(0x2A),
     K(0x49), K(0x4A), K(0x4B), K(0x53), K(0x54), K(0x55), K(0x56)},
    // Tab Q-P [ ] \, Delete End PgDn, 7 8 9 +
    {K(0x2B), K(0x14), K(0x1A), K(0x08), K(0x15), K(0x17), K(0x1C),
     K(0x18), K(0x0C), K(0x12), K(0x13), K(0x2F), K(0x30), K(0x31),
     K(0x4C), K(0x4D), K(0x4E), K(0x5F), K(0x60), K(0x61), K(0x57)},
    // Caps A-L ; ' gap Enter, gap, 4 5 6
    {K(0x39), K(0x04), K(0x16), K(0x07), K(0x09), K(0x0A), K(0x0B),
     K(0x0D), K(0x0E), K(0x0F), K(0x33), K(0x34), kNone,   K(0x28),
     kNone,   kNone,   kNone,   K(0x5C), K(0x5D), K(0x5E), kNone},
    // left Shift Z-/ right Shift, Up, 1 2 3 Enter
    {Mod(0x02), K(0x1D), K(0x1B), K(0x06), K(0x19), K(0x05), K(0x11),
     K(0x10),   K(0x36), K(0x37), K(0x38), kNone,   kNone,   Mod(0x20),
     kNone,     K(0x52), kNone,   K(0x59), K(0x5A), K(0x5B), K(0x58)},
    // left Ctrl, left Windows, left Alt, Space, right Alt, Fn, Menu, right Ctrl,
    // Left Down Right, 0 .
    {Mod(0x01), Mod(0x08), Mod(0x04), kNone,   kNone,     kNone,
     K(0x2C),   kNone,     kNone,     kNone,   Mod(0x40), {0xA0, 0x01, 0x00},
     K(0x65),   Mod(0x10), K(0x50),   K(0x51), K(0x4F),   K(0x62),
     kNone,     K(0x63),   kNone},
}};

bool Present(const GridKey& key) { return key.type != 0; }

std::vector<SimKeyPosition> BuildKeyboard() {
  // LED chain: serpentine over the rows.
  std::array<std::array<uint8_t, kColumns>, kRows> led{};
  uint8_t next = 0;
  for (int r = 0; r < kRows; ++r) {
    for (int i = 0; i < kColumns; ++i) {
      const int c = (r % 2 == 0) ? i : kColumns - 1 - i;
      if (Present(kBoard[r][c])) led[r][c] = next++;
    }
  }
  // Matrix scan: column by column.
  std::vector<SimKeyPosition> positions;
  for (int c = 0; c < kColumns; ++c) {
    for (int r = 0; r < kRows; ++r) {
      const GridKey& key = kBoard[r][c];
      if (!Present(key)) continue;
      positions.push_back({{key.type, key.arg1, key.arg2},
                           led[r][c],
                           static_cast<uint8_t>(r),
                           static_cast<uint8_t>(c)});
    }
  }
  return positions;
}

std::vector<SimKeyPosition> BuildMouse() {
  // The mouse's firmware lists its buttons in the order of its own wiring:
  // left, right, middle, back, forward, DPI loop, fire, DPI up, DPI down,
  // DPI shift, the special key.
  const uint8_t codes[11][3] = {{0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00},
                                {0x10, 0x08, 0x00}, {0x10, 0x10, 0x00}, {0x13, 0x03, 0x00},
                                {0x14, 0x78, 0x02}, {0x13, 0x01, 0x00}, {0x13, 0x02, 0x00},
                                {0x16, 0x90, 0x01}, {0xA0, 0x1B, 0x00}};
  std::vector<SimKeyPosition> positions;
  for (uint8_t i = 0; i < 11; ++i)
    positions.push_back({{codes[i][0], codes[i][1], codes[i][2]}, 0xFF, 0, i});
  return positions;
}

}  // namespace

const std::vector<SimKeyPosition>& SimKeyboardPositions() {
  static const std::vector<SimKeyPosition> positions = BuildKeyboard();
  return positions;
}

const std::vector<SimKeyPosition>& SimMousePositions() {
  static const std::vector<SimKeyPosition> positions = BuildMouse();
  return positions;
}
