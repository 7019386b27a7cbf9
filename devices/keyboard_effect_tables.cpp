#include "devices/keyboard_effect_tables.h"

#include <cstddef>
#include <initializer_list>

namespace {

constexpr uint8_t N = kNoKey;
constexpr uint8_t E = kEmptySlot;

// Columns 0 to 13 of the key grid, rows 0 to 4.
constexpr uint8_t kGridKeys[14][5] = {
    {0, 42, 63, 84, 105},   {22, 43, 64, 102, 106}, {23, 44, 65, 85, 107}, {24, 45, 66, 86, N},
    {25, 46, 67, 87, N},    {26, 47, 68, 88, N},    {27, 48, 69, 89, 108}, {28, 49, 70, 90, N},
    {29, 50, 71, 91, N},    {30, 51, 72, 92, N},    {31, 52, 73, 93, 109}, {32, 53, 74, 94, 110},
    {33, 54, 62, 100, 111}, {34, 55, 75, 95, 112},
};

template <size_t Rows>
constexpr std::array<std::array<uint8_t, Rows>, kGridColumns> MakeGrid() {
  std::array<std::array<uint8_t, Rows>, kGridColumns> grid{};
  for (auto& column : grid) {
    column.fill(N);
  }
  for (size_t c = 0; c < 14; ++c) {
    for (size_t r = 0; r < 5; ++r) {
      grid[c][r] = kGridKeys[c][r];
    }
  }
  return grid;
}

constexpr std::array<uint8_t, kKeyboardLightCount> MakeKeyOrder() {
  constexpr uint8_t loop[kKeyOrderLength] = {
      34, 33,  32,  31,  30,  29,  28,  27,  26,  25,  24, 23, 22, 0,  42, 63,
      84, 105, 106, 107, 108, 109, 110, 111, 112, 95,  75, 55, 54, 53, 52, 51,
      50, 49,  48,  47,  46,  45,  44,  43,  64,  102, 85, 86, 87, 88, 89, 90,
      91, 92,  93,  94,  100, 62,  74,  73,  72,  71,  70, 69, 68, 67, 66, 65};
  std::array<uint8_t, kKeyboardLightCount> order{};
  order.fill(N);
  for (size_t i = 0; i < kKeyOrderLength; ++i) {
    order[i] = loop[i];
  }
  return order;
}

template <size_t Width, size_t Count>
constexpr std::array<std::array<uint8_t, Width>, Count> MakeRows(
    std::initializer_list<std::initializer_list<uint8_t>> rows) {
  std::array<std::array<uint8_t, Width>, Count> table{};
  for (auto& row : table) {
    row.fill(E);
  }
  size_t r = 0;
  for (const auto& row : rows) {
    size_t k = 0;
    for (uint8_t key : row) {
      table[r][k++] = key;
    }
    ++r;
  }
  return table;
}

// Appends first..last (inclusive, counting up or down) to the path.
constexpr void AppendRun(std::array<uint8_t, kKeyboardLightCount>& path, size_t& at, int first,
                         int last) {
  const int delta = first <= last ? 1 : -1;
  for (int key = first;; key += delta) {
    path[at++] = static_cast<uint8_t>(key);
    if (key == last) {
      break;
    }
  }
}

constexpr std::array<uint8_t, kKeyboardLightCount> MakeSnakePath() {
  std::array<uint8_t, kKeyboardLightCount> path{};
  size_t at = 0;
  AppendRun(path, at, 0, 15);
  AppendRun(path, at, 17, 20);
  AppendRun(path, at, 41, 21);
  AppendRun(path, at, 42, 61);
  AppendRun(path, at, 119, 119);
  AppendRun(path, at, 78, 75);
  path[at++] = N;
  AppendRun(path, at, 74, 63);
  AppendRun(path, at, 84, 84);
  path[at++] = N;
  AppendRun(path, at, 85, 99);
  AppendRun(path, at, 118, 105);
  // at is 110 here: 16 gaps, then key 0 to the end.
  while (at < 126) {
    path[at++] = N;
  }
  while (at < kKeyboardLightCount) {
    path[at++] = 0;
  }
  return path;
}

constexpr std::array<uint8_t, 192> MakeTwinkleCurve() {
  constexpr uint8_t head[88] = {
      0,   4,   8,   14,  22,  33,  45,  61,  77,  84,  100, 110, 120, 130, 140, 150, 158, 166,
      175, 182, 191, 204, 220, 234, 255, 248, 241, 234, 227, 220, 213, 206, 200, 194, 188, 182,
      176, 170, 164, 158, 152, 146, 140, 134, 129, 124, 119, 114, 109, 104, 99,  94,  89,  85,
      81,  77,  73,  69,  65,  61,  57,  53,  49,  45,  42,  39,  36,  33,  30,  27,  24,  22,
      20,  18,  16,  14,  12,  10,  9,   8,   7,   6,   5,   4,   3,   2,   2,   1};
  std::array<uint8_t, 192> curve{};
  for (size_t i = 0; i < 88; ++i) {
    curve[i] = head[i];
  }
  return curve;
}

constexpr std::array<uint8_t, 96> MakeWaveCurve() {
  constexpr uint8_t rise[48] = {22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,
                                61,  65,  69,  73,  77,  81,  85,  89,  94,  99,  104, 109,
                                114, 119, 124, 129, 134, 140, 146, 152, 158, 164, 170, 176,
                                182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};
  std::array<uint8_t, 96> curve{};
  for (size_t i = 0; i < 48; ++i) {
    curve[i] = rise[i];
    curve[95 - i] = rise[i];
  }
  return curve;
}

}  // namespace

const std::array<std::array<uint8_t, kGridRows>, kGridColumns> kKeyGrid = MakeGrid<kGridRows>();
const std::array<std::array<uint8_t, kTallGridRows>, kGridColumns> kTallKeyGrid =
    MakeGrid<kTallGridRows>();

const std::array<uint8_t, kKeyboardLightCount> kKeyOrder = MakeKeyOrder();

const std::array<uint8_t, kKeyOrderLength> kRandomKeyList = {
    37, 28, 38, 22, 39, 7,  20, 56, 34, 63, 44, 49, 10, 26, 36, 52, 33, 41, 48, 31, 8,  27,
    4,  62, 2,  14, 15, 6,  24, 3,  50, 43, 0,  57, 61, 35, 58, 42, 1,  55, 25, 45, 30, 5,
    12, 13, 18, 32, 9,  60, 19, 51, 47, 21, 54, 53, 46, 11, 40, 59, 29, 23, 17, 16};

const std::array<std::array<uint8_t, 12>, 12> kRings = MakeRows<12, 12>({
    {70},
    {69, 49, 50, 71, 91, 90},
    {48, 28, 29, 30, 51, 72, 92, 89, 68},
    {27, 47, 67, 88, 31, 52, 73, 93, 109, 108},
    {26, 46, 66, 87, 32, 53, 74, 94, 110},
    {25, 24, 45, 44, 65, 86, 33, 54, 62, 100},
    {34, 55, 75, 95, 111},
    {23, 43, 64, 85, 107, 112},
    {22, 102, 106},
    {105, 0, 42, 63, 84},
});

const std::array<uint8_t, kKeyboardLightCount> kSnakePath = MakeSnakePath();

const std::array<uint8_t, 192> kTwinkleCurve = MakeTwinkleCurve();
const std::array<uint8_t, 96> kWaveCurve = MakeWaveCurve();

const std::array<std::array<uint8_t, 6>, 20> kSweepInRows = MakeRows<6, 20>({
    {0},
    {22},
    {23, 112},
    {24, 111, 42},
    {25, 110, 43, 95},
    {26, 109, 44, 100},
    {27, 45, 94},
    {28, 46, 93},
    {29, 47, 92},
    {50, 91, 48, 91},
    {71, 90, 49, 90},
    {91, 69, 50, 69},
    {90, 49, 71},
    {69, 50, 70},
    {49, 71},
});

const std::array<std::array<uint8_t, 2>, 16> kSweepPairs = {{
    {E, E},
    {48, 92},
    {49, 91},
    {50, 89},
    {51, 68},
    {72, 48},
    {92, 49},
    {91, 50},
    {90, 71},
    {69, 91},
    {49, 90},
    {50, 69},
    {71, 49},
    {70, 70},
    {E, E},
    {E, E},
}};

const std::array<std::array<uint8_t, 12>, 52> kSweepPattern = MakeRows<12, 52>({
    {25, 26, 50, 51},
    {0, 26, 27, 50, 51},
    {27, 28, 50, 51},
    {1, 27, 50, 51},
    {2, 27, 50, 51},
    {3, 28, 51},
    {4, 29, 51},
    {29, 51},
    {5, 29, 51},
    {6, 30, 51},
    {7, 30, 51},
    {8, 51},
    {31, 52},
    {9, 32, 52},
    {10, 32, 52},
    {11, 33, 52},
    {12, 34, 53, 52},
    {13, 34, 53, 52},
    {14, 34, 53, 52},
    {15, 35, 52},
    {36, 52},
    {37, 52},
    {38, 52},
    {39, 52},
    {41, 40, 38, 52, 54, 53, 55, 39},
    {119, 61, 60, 59, 58, 57, 56, 62, 54, 53, 52},
    {52, 53, 76, 78, 77, 54, 55},
    {73, 74, 75, 97, 98, 99, 118},
    {73, 74, 96, 117, 116},
    {73, 95, 96, 75, 116, 117},
    {73, 74, 95, 115, 116},
    {73, 95, 115, 114},
    {73, 95, 114, 113},
    {73, 95, 113},
    {73, 95, 112},
    {73, 94, 111},
    {73, 94, 125, 110},
    {73, 93, 109},
    {72, 92, 108},
    {72, 92, 108},
    {108, 91, 72},
    {108, 90, 91, 72},
    {108, 90, 71, 72},
    {108, 89, 90, 71, 72},
    {107, 88, 89, 71, 72},
    {106, 107, 87, 88, 89, 70, 71, 72},
    {105, 106, 87, 88, 70, 72},
    {124, 105, 86, 87, 88, 70, 71, 72},
    {123, 84, 85, 69, 70, 71, 72, 86, 102},
    {122, 63, 64, 65, 68, 66, 67, 50, 51},
    {121, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51},
    {51, 21, 22, 23, 24, 48, 49, 50, 120},
});

const std::array<uint8_t, kGridColumns* 6> kTwinkleStartValues = {
    72,  52,  32,  12,  182, 162,  // 0
    72,  52,  32,  12,  182, 162,  // 1
    120, 100, 80,  60,  40,  20,   // 2
    92,  82,  72,  62,  52,  42,   // 3
    160, 140, 120, 100, 80,  60,   // 4
    80,  70,  60,  50,  20,  10,   // 5
    90,  30,  0,   160, 130, 100,  // 6
    50,  30,  10,  180, 160, 140,  // 7
    32,  22,  12,  2,   182, 172,  // 8
    120, 100, 80,  60,  40,  20,   // 9
    20,  5,   185, 170, 155, 140,  // 10
    60,  35,  15,  180, 155, 130,  // 11
    120, 110, 100, 90,  80,  70,   // 12
    192, 162, 132, 102, 72,  32,   // 13
    80,  70,  60,  50,  20,  10,   // 14
    100, 95,  90,  85,  80,  75,   // 15
    90,  80,  70,  60,  50,  40,   // 16
    140, 110, 80,  50,  20,  180,  // 17
    70,  55,  40,  25,  10,  190,  // 18
    120, 100, 80,  60,  40,  20,   // 19
    92,  82,  72,  62,  52,  42,   // 20
    60,  50,  40,  30,  20,  10,   // 21
    192, 162, 132, 102, 72,  32,   // 22
};
