#pragma once
// The physical layouts of the simulated keyboard and mouse: which key sits at
// which device position, and which LED lights it.
//
// The keyboard is a 104-key board (full size with number pad, an Fn key in
// place of the right Windows key). Its switch matrix is scanned column by
// column, so device positions run down the columns of the board: Esc, `, Tab,
// Caps, left Shift, left Ctrl, then F1, 1, Q, A, Z, left Windows and so on.
// Its LEDs are chained row by row in a serpentine: the top row left to right,
// the next right to left. Neither order is the order of the program's key
// numbers, so a host has to search the key table for every key.

#include <cstdint>
#include <vector>

struct SimKeyPosition {
  uint8_t code[3];   // default key code: type, argument 1, argument 2
  uint8_t ledIndex;  // LED that lights the key
  uint8_t row, column;
};

// The keyboard's device positions in order (104 entries).
const std::vector<SimKeyPosition>& SimKeyboardPositions();

// The mouse's device positions in order (11 entries, ledIndex unused).
const std::vector<SimKeyPosition>& SimMousePositions();
