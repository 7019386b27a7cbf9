#pragma once
// The keyboard's 30-byte settings block (one per device profile, in parameter
// memory at profile × 31; parameter offset 0 holds the active profile) and
// its translation to and from the profile's LightInfo and SystemStages.
//
// Byte  meaning                         profile field
//  0    active profile                  —
//  1    effect code (29, 30 sent 0xFE)  LightInfo SelectItem via the effect code list
//  2    brightness 0..4                 LightInfo Light
//  3    speed, 4 − page speed           LightInfo Speed
//  4    direction                       LightInfo Fx
//  5    multicolour                     LightInfo MultiColor
//  6-8  red, green, blue                LightInfo Red, Green, Blue
// 16    zero on read and write          —
// 18    alternate mode                  LightInfo ZZCCLedMode
// 19    Windows-key related flag        SystemStages WFlag
// 20    six-key flag                    SystemStages Key6Flag
// 21    Windows-key lock                SystemStages WinFlag
// 22    polling rate (written only)     SystemStages PollingRate
// 25    custom lighting group           LightInfo CustomGroup
// 27    zero on write                   —
// 29    low latency                     SystemStages Kyelatency
// Bytes 9-15, 17, 23, 24, 26 and 28 are written back as last read; byte 17
// also follows the keyboard's profile events.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "profiles/profile_records.h"

class CDeviceChannel;

inline constexpr size_t kSettingsBlockSize = 30;
inline constexpr uint32_t kSettingsBlockStride = 31;
inline constexpr uint8_t kSoftwareEffectCode = 0xFE;

using SettingsBlock = std::array<uint8_t, kSettingsBlockSize>;

// What the device object mirrors from the block.
struct KeyboardDeviceState {
  uint8_t activeProfile = 0;
  uint8_t effect = 0;  // effect number of the page
  uint8_t brightness = 0;
  uint8_t speed = 0;  // page speed
  uint8_t direction = 0;
  uint8_t multicolour = 0;
  uint8_t red = 0, green = 0, blue = 0;
  uint8_t alternateMode = 0;
  uint8_t customGroup = 0;
};

// The block to write: last block read, the profile's lighting and system
// options, byte 0 = activeProfile. effectCodes maps the page's effect number
// (SelectItem) to the device's code; a number outside the list is sent as it
// is.
SettingsBlock EncodeSettingsBlock(const SettingsBlock& last, const LightInfoRecord& light,
                                  const KbSystemStages& stages, const std::vector<int>& effectCodes,
                                  uint8_t activeProfile);

struct DecodedSettings {
  SettingsBlock block{};  // byte 0 the active profile, byte 1 the effect number, byte 16 zero
  KeyboardDeviceState state;
  LightInfoRecord light;       // previous LightInfo with the block's values
  KbSystemStages stages;       // previous stages with the block's flags
  bool effectChanged = false;  // the effect's state must be reset (changed, or custom colours)
};

// A block as read: effect code → effect number (the first list entry with
// that code; an unknown code stays), effect number 0xFE keeps the previous
// LightInfo effect, speed back to the page's numbering. Repeat, RepeatDelay
// and PollingRate keep their profile values.
DecodedSettings DecodeSettingsBlock(const SettingsBlock& raw, uint8_t activeProfile,
                                    const std::vector<int>& effectCodes,
                                    const LightInfoRecord& previousLight,
                                    const KbSystemStages& profileStages);

// ReadParameters of the active profile (offset 0) and then of the block of
// profile (the active one when profile < 0). The block is zero and active 0
// when the channel is closed. Returns kCommandSuccess or the first failure.
int ReadSettingsBlock(CDeviceChannel& channel, int profile, SettingsBlock& raw,
                      uint8_t& activeProfile);

// BeginConfig, WriteParameters of 30 bytes at profile × 31, EndConfig (nothing
// is sent with the channel closed). Returns kCommandSuccess or the first
// failing result; the device object reports success whatever it is, callers
// that must know (ruvemoctl) use it.
int WriteSettingsBlock(CDeviceChannel& channel, int profile, const SettingsBlock& block);
