#pragma once
// Fixed geometry and curves of the keyboard's lighting preview effects: where
// each key sits, the orders in which effects visit the keys, and the curves the
// effects shape their brightness with. Key numbers are 0 to 169; kNoKey (170)
// and kEmptySlot (255) mark a place that holds no key.

#include <array>
#include <cstdint>

inline constexpr uint8_t kNoKey = 170;
inline constexpr uint8_t kEmptySlot = 255;
inline constexpr int kKeyboardLightCount = 170;
inline constexpr int kGridColumns = 23;
inline constexpr int kGridRows = 6;
inline constexpr int kTallGridRows = 7;

// Key grid: [column][row], 23 columns of 6 rows; columns 14 to 22 and row 5
// hold no keys.
extern const std::array<std::array<uint8_t, kGridRows>, kGridColumns> kKeyGrid;
// The same keys in columns of 7 rows (rows 5 and 6 empty), used by the
// twinkle initialiser.
extern const std::array<std::array<uint8_t, kTallGridRows>, kGridColumns> kTallKeyGrid;

// A loop of 64 keys around the keyboard, padded with kNoKey to 170 entries.
inline constexpr int kKeyOrderLength = 64;
extern const std::array<uint8_t, kKeyboardLightCount> kKeyOrder;

// 64 indexes into the key order, in the order the rain effect draws them.
extern const std::array<uint8_t, kKeyOrderLength> kRandomKeyList;

// Rings of keys from the centre outwards, kEmptySlot for no key.
extern const std::array<std::array<uint8_t, 12>, 12> kRings;

// The snake's path over the keys, kNoKey for a gap.
extern const std::array<uint8_t, kKeyboardLightCount> kSnakePath;

// Brightness curve of the twinkle effects (192 entries).
extern const std::array<uint8_t, 192> kTwinkleCurve;
// Brightness curve of the single-colour waves (96 entries).
extern const std::array<uint8_t, 96> kWaveCurve;

// Converging sweep: the rows of keys lit while sweeping in, then the pairs.
extern const std::array<std::array<uint8_t, 6>, 20> kSweepInRows;
extern const std::array<std::array<uint8_t, 2>, 16> kSweepPairs;

// Sweep effect pattern: 52 rows of up to 12 keys.
extern const std::array<std::array<uint8_t, 12>, 52> kSweepPattern;

// Starting twinkle counter of each grid cell: [column × 6 + row] of the
// 7-row grid.
extern const std::array<uint8_t, kGridColumns * 6> kTwinkleStartValues;
