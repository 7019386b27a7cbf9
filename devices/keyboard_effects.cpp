#include "devices/keyboard_effects.h"

#include <algorithm>

#include "devices/keyboard_effect_dispatch.h"
#include "devices/keyboard_effect_tables.h"
#include "devices/lighting_tables.h"

namespace {

constexpr int kLights = kKeyboardLightCount;

struct Cell {
  int column = -1;
  int row = -1;
};

// Grid cell of every key, built once from the key grid.
const std::array<Cell, kLights>& KeyCells() {
  static const std::array<Cell, kLights> cells = [] {
    std::array<Cell, kLights> result{};
    for (int c = 0; c < kGridColumns; ++c) {
      for (int r = 0; r < kGridRows; ++r) {
        const uint8_t key = kKeyGrid[c][r];
        if (key < kLights && result[key].column < 0) {
          result[key] = {c, r};
        }
      }
    }
    return result;
  }();
  return cells;
}

uint8_t GridKey(int column, int row) {
  if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) {
    return kNoKey;
  }
  return kKeyGrid[column][row];
}

uint8_t Level(const LightInfoRecord& info) {
  return kBrightnessLevels[std::min<int>(info.Light, 4)];
}

uint8_t Scale(int level, int value) { return static_cast<uint8_t>(level * value / 256); }

WheelColour LightingColour(const LightInfoRecord& info) {
  return {info.Red, info.Green, info.Blue};
}

// "Colour": the wheel entry of the hue with multicolour, else the lighting colour.
WheelColour EffectColour(const LightInfoRecord& info, int hue) {
  return info.MultiColor ? kColourWheel[hue & 0xFF] : LightingColour(info);
}

void Put(PreviewFrame& frame, int light, WheelColour colour, uint8_t brightness) {
  if (light < 0 || static_cast<size_t>(light) >= frame.size()) {
    return;
  }
  frame[light] = {colour.red, colour.green, colour.blue, brightness};
}

// A cyclic counter with limit L: upward 0, 1, ..., L−1, 0; downward from 0 to
// L−1 and then down by one. A value left at or above the limit by another
// effect re-enters the range.
void Cycle(uint8_t& counter, int limit, bool up) {
  if (up) {
    counter = counter + 1 >= limit ? 0 : static_cast<uint8_t>(counter + 1);
  } else {
    counter = counter == 0 || counter >= limit ? static_cast<uint8_t>(limit - 1)
                                               : static_cast<uint8_t>(counter - 1);
  }
}

void CycleBy(uint8_t& counter, int limit, int amount, bool up) {
  const int value = counter % limit;
  const int next = up ? (value + amount) % limit : ((value - amount) % limit + limit) % limit;
  counter = static_cast<uint8_t>(next);
}

// Turns a spectrum sample into its display value: loud input gives a small
// value. With the 500 rule a sample beyond the full scale counts as 500.
int SampleValue(int64_t sample, bool rule500) {
  const int64_t scaled = std::max<int64_t>(sample, 0) * 600 / 2000;
  if (rule500 && scaled > 600) {
    return 500;
  }
  return static_cast<int>(600 - std::max<int64_t>(-100000, std::min<int64_t>(scaled, 100000)));
}

bool Dark(const ReactiveBuffers& reactive, int key) {
  return key >= kLights || reactive.keyBrightness[key] < 10;
}

}  // namespace

CKeyboardEffects::CKeyboardEffects(IBasePreviewSteps& base, RandomSource random)
    : base_(base), random_(std::move(random)) {
  keyForPosition_.fill(kNoKey);
  columnHeld_.fill(false);
}

uint32_t CKeyboardEffects::Random() {
  if (random_) {
    return random_();
  }
  // splitmix32 over an atomic counter: safe from any thread, fixed sequence.
  uint32_t z = seed_.fetch_add(0x9E3779B9u, std::memory_order_relaxed) + 0x9E3779B9u;
  z = (z ^ (z >> 16)) * 0x85EBCA6Bu;
  z = (z ^ (z >> 13)) * 0xC2B2AE35u;
  return z ^ (z >> 16);
}

uint8_t CKeyboardEffects::KeyInOrder(int key) {
  if (key < 0 || key >= kLights) {
    return kNoKey;
  }
  for (int i = 0; i < kKeyOrderLength; ++i) {
    if (kKeyOrder[i] == key) {
      return static_cast<uint8_t>(key);
    }
  }
  return kNoKey;
}

uint8_t CKeyboardEffects::KeyHue(int key) const {
  std::lock_guard guard(lock_);
  return key >= 0 && key < kLights ? hue_[key] : 0;
}

uint8_t CKeyboardEffects::KeyPhase(int key) const {
  std::lock_guard guard(lock_);
  return key >= 0 && key < kLights ? phase_[key] : 0;
}

uint8_t CKeyboardEffects::KeyCounter(int key) const {
  std::lock_guard guard(lock_);
  return key >= 0 && key < kLights ? counter_[key] : 0;
}

uint8_t CKeyboardEffects::MaskColumn(Mask mask, int column) const {
  std::lock_guard guard(lock_);
  return column >= 0 && column < kGridColumns ? masks_[mask][column] : 0;
}

uint8_t CKeyboardEffects::PassCounter() const {
  std::lock_guard guard(lock_);
  return pass_;
}

// ---------------------------------------------------------------- lifecycle

void CKeyboardEffects::StartEffect(int effect, EffectCounters& counters,
                                   ReactiveBuffers& reactive) {
  std::lock_guard guard(lock_);
  ResetLocked(counters, reactive);
  InitialiseLocked(effect);
}

void CKeyboardEffects::ResetEffectState(EffectCounters& counters, ReactiveBuffers& reactive) {
  std::lock_guard guard(lock_);
  ResetLocked(counters, reactive);
}

void CKeyboardEffects::ResetLocked(EffectCounters& counters, ReactiveBuffers& reactive) {
  counters.step = 0;
  pass_ = 0;
  hue_.fill(0);
  phase_.fill(0);
  counter_.fill(0);
  pressed_.fill(false);
  reactive.keyBrightness.fill(0);
  for (auto& mask : masks_) {
    mask.fill(0);
  }
  samples_.fill(0);
  levels_.fill(0);
  spectrumTotal_ = 0;
  sampleOffset_ = 0;
  columnHeld_.fill(false);
}

void CKeyboardEffects::ClearAudioBuffers() {
  std::lock_guard guard(lock_);
  samples_.fill(0);
  levels_.fill(0);
  spectrumTotal_ = 0;
  sampleOffset_ = 0;
  columnHeld_.fill(false);
}

void CKeyboardEffects::InitialiseLocked(int effect) {
  switch (effect) {
    case 13:
      for (auto& mask : masks_) {
        mask[9] |= 0x40;
      }
      break;
    case 16:
      for (auto& mask : masks_) {
        mask[1] |= 0x01;
      }
      break;
    case 15:
    case 22:
      // Each grid key starts at its own point of the twinkle curve so that
      // the keys do not twinkle in step; the hue follows the column.
      for (int c = 0; c < kGridColumns; ++c) {
        for (int r = 0; r < kGridRows; ++r) {
          const uint8_t key = kTallKeyGrid[c][r];
          if (key < kLights) {
            counter_[key] = kTwinkleStartValues[c * 6 + r];
            hue_[key] = static_cast<uint8_t>(7 * c);
          }
        }
      }
      break;
    default: {
      // Spread the keys around the colour wheel, 33 entries apart.
      int running = 0;
      for (int key = 0; key < kLights; ++key) {
        running += 33;
        if (running > 192) {
          running -= 192;
        }
        hue_[key] = static_cast<uint8_t>(running);
      }
      break;
    }
  }
}

// ---------------------------------------------------------------- dispatch

bool CKeyboardEffects::RunStep(int effect, const KeyboardEffectContext& context) {
  std::lock_guard guard(lock_);
  if (const auto step = BaseStepForEffect(effect)) {
    base_.Run(*step, context.frame, context.info, context.counters, context.nowMs);
    return true;
  }
  switch (effect) {
    case 1:
      StepColumnWave(context);
      break;
    case 2:
      StepColourSweep(context);
      break;
    case 3:
      StepLoopRainbow(context);
      break;
    case 7:
      ReactiveFadeStep(context);
      break;
    case 8:
      StepRippleEffect(context, false);
      break;
    case 9:
      StepRippleEffect(context, true);
      break;
    case 10:
      StepRain(context);
      break;
    case 11:
      StepPerKeyRainbow(context);
      break;
    case 12:
      StepRowRainbow(context);
      break;
    case 13:
      StepTwoWaySweep(context);
      break;
    case 14:
      StepConvergingSweep(context);
      break;
    case 15:
      StepTwinkle(context, 2);
      break;
    case 16:
      StepBounce(context);
      break;
    case 17:
      StepFixedHue(context);
      break;
    case 18:
      StepRings(context);
      break;
    case 19:
      StepCustomColours(context);
      break;
    case 21:
      StepSnake(context);
      break;
    case 22:
      StepTwinkle(context, 1);
      break;
    case 24:
      StepSweep(context);
      break;
    case 25:
      ReactiveFadeStep(context);
      break;
    case 29:
      MusicStep(context);
      break;
    case 30:
      StepSoftwareColour(context);
      break;
    default:
      return false;
  }
  return true;
}

// ---------------------------------------------------------------- shared operations

void CKeyboardEffects::StepRipple(const LightInfoRecord& info, ReactiveBuffers& reactive) {
  for (int c = 0; c < kGridColumns; ++c) {
    const uint8_t bits =
        masks_[kMaskA][c] | masks_[kMaskB][c] | masks_[kMaskC][c] | masks_[kMaskD][c];
    for (int r = 0; r < kGridRows; ++r) {
      const uint8_t key = kKeyGrid[c][r];
      if ((bits & (1 << r)) == 0 || key >= kLights) {
        continue;
      }
      reactive.keyBrightness[key] = 255;
      if (info.MultiColor) {
        hue_[key] = static_cast<uint8_t>(Random() % 192);
      }
    }
  }
}

void CKeyboardEffects::ShiftColumns() {
  auto& a = masks_[kMaskA];
  auto& b = masks_[kMaskB];
  auto& c = masks_[kMaskC];
  auto& d = masks_[kMaskD];
  const auto oldA = a, oldB = b, oldC = c, oldD = d;
  const int last = kGridColumns - 1;
  a.fill(0);
  b.fill(0);
  c.fill(0);
  d.fill(0);
  for (int col = 0; col < last; ++col) {
    a[col] |= static_cast<uint8_t>(oldA[col + 1] >> 1);
    d[col] |= static_cast<uint8_t>(oldD[col + 1] << 1);
    b[col + 1] |= static_cast<uint8_t>(oldB[col] >> 1);
    c[col + 1] |= static_cast<uint8_t>(oldC[col] << 1);
  }
  // At the edges the rows keep moving in place.
  a[0] |= static_cast<uint8_t>(oldA[0] >> 1);
  b[last] |= static_cast<uint8_t>(oldB[last] >> 1);
  c[last] |= static_cast<uint8_t>(oldC[last] << 1);
}

void CKeyboardEffects::SeedRipple(int key) {
  if (key < 0 || key >= kLights) {
    return;
  }
  const Cell cell = KeyCells()[key];
  if (cell.column < 0) {
    return;
  }
  for (auto& mask : masks_) {
    mask[cell.column] |= static_cast<uint8_t>(1 << cell.row);
  }
}

void CKeyboardEffects::ShowKeyBrightness(const KeyboardEffectContext& context, int key) {
  Put(context.frame, key, EffectColour(context.info, hue_[key]),
      Scale(Level(context.info), context.reactive.keyBrightness[key]));
}

void CKeyboardEffects::DecayAndShowAll(const KeyboardEffectContext& context, int flag) {
  for (int key = 0; key < kLights; ++key) {
    base_.DecayKeyBrightness(context.reactive, key, flag);
    ShowKeyBrightness(context, key);
  }
}

void CKeyboardEffects::DecayAndShowOrder(const KeyboardEffectContext& context, int flag) {
  for (int i = 0; i < kKeyOrderLength; ++i) {
    const int key = kKeyOrder[i];
    base_.DecayKeyBrightness(context.reactive, key, flag);
    ShowKeyBrightness(context, key);
  }
}

// ---------------------------------------------------------------- effect steps

void CKeyboardEffects::StepColumnWave(const KeyboardEffectContext& context) {
  const auto& info = context.info;
  uint8_t& step = context.counters.step;
  const int level = Level(info);
  Cycle(step, info.MultiColor ? 192 : 96, info.Fx != 0);
  for (int c = 0; c < kGridColumns; ++c) {
    WheelColour colour = LightingColour(info);
    uint8_t brightness = 0;
    if (info.MultiColor) {
      colour = kColourWheel[(step + 1 + 7 * c) % 192];
      brightness = static_cast<uint8_t>(level);
    } else {
      brightness = Scale(level, kWaveCurve[(step + 1 + 7 * c) % 96]);
    }
    for (int r = 0; r < kGridRows; ++r) {
      Put(context.frame, kKeyGrid[c][r], colour, brightness);
    }
  }
}

void CKeyboardEffects::StepColourSweep(const KeyboardEffectContext& context) {
  const auto& info = context.info;
  uint8_t& step = context.counters.step;
  const int level = Level(info);
  Cycle(step, info.MultiColor ? 192 : 128, info.Fx != 0);
  for (int c = 0; c < kGridColumns; ++c) {
    WheelColour colour = LightingColour(info);
    uint8_t brightness = 0;
    if (info.MultiColor) {
      colour = kColourWheel[(step + 2 * c) % 192];
      brightness = static_cast<uint8_t>(level);
    } else {
      brightness = Scale(level, kTwinkleCurve[(step + 7 * c) % 128]);
    }
    for (int r = 0; r < kGridRows; ++r) {
      Put(context.frame, kKeyGrid[c][r], colour, brightness);
    }
  }
}

void CKeyboardEffects::StepLoopRainbow(const KeyboardEffectContext& context) {
  const auto& info = context.info;
  uint8_t& step = context.counters.step;
  const int level = Level(info);
  const int limit = info.MultiColor ? 192 : 96;
  Cycle(step, limit, info.Fx != 0);
  int a = step;
  for (int i = 0; i < kKeyOrderLength; ++i) {
    if (info.MultiColor) {
      Put(context.frame, kKeyOrder[i], kColourWheel[a], static_cast<uint8_t>(level));
    } else {
      Put(context.frame, kKeyOrder[i], LightingColour(info), Scale(level, kWaveCurve[a]));
    }
    a = (a + 5) % limit;
  }
}

void CKeyboardEffects::ReactiveFadeStep(const KeyboardEffectContext& context) {
  auto& brightness = context.reactive.keyBrightness;
  for (int key = 0; key < kLights; ++key) {
    if (phase_[key] == 1) {
      brightness[key] = static_cast<uint8_t>(std::min(255, brightness[key] + 15));
    } else if (phase_[key] == 2) {
      brightness[key] = static_cast<uint8_t>(std::max(0, brightness[key] - 5));
    }
    ShowKeyBrightness(context, key);
  }
}

void CKeyboardEffects::StepRippleEffect(const KeyboardEffectContext& context, bool trail) {
  StepRipple(context.info, context.reactive);
  if (trail) {
    // Only B survives, moving one column on without changing rows.
    auto& b = masks_[kMaskB];
    for (int c = kGridColumns - 1; c > 0; --c) {
      b[c] = b[c - 1];
    }
    b[0] = 0;
    masks_[kMaskA].fill(0);
    masks_[kMaskC].fill(0);
    masks_[kMaskD].fill(0);
  } else {
    ShiftColumns();
  }
  for (int key = 0; key < kLights; ++key) {
    base_.DecayKeyBrightness(context.reactive, key, trail ? 9 : 8);
    hue_[key] = static_cast<uint8_t>((hue_[key] + 7) % 192);
    ShowKeyBrightness(context, key);
  }
}

void CKeyboardEffects::StepRain(const KeyboardEffectContext& context) {
  for (int drop = 0; drop < 6; ++drop) {
    const uint32_t r = Random() % 126;
    // The random list is read as its 64 entries followed by 62 zeros.
    const int orderIndex = r < kRandomKeyList.size() ? kRandomKeyList[r] : 0;
    const uint8_t key = kKeyOrder[orderIndex];
    const auto hue = static_cast<uint8_t>(Random() % 192);
    if (key < kLights) {
      hue_[key] = hue;
      context.reactive.keyBrightness[key] = 255;
    }
  }
  DecayAndShowAll(context, 10);
}

void CKeyboardEffects::StepPerKeyRainbow(const KeyboardEffectContext& context) {
  const auto level = Level(context.info);
  for (int key = 0; key < kLights; ++key) {
    hue_[key] = static_cast<uint8_t>((hue_[key] + 1) % 192);
    Put(context.frame, key, kColourWheel[hue_[key]], level);
  }
}

void CKeyboardEffects::StepRowRainbow(const KeyboardEffectContext& context) {
  const auto& info = context.info;
  uint8_t& step = context.counters.step;
  Cycle(step, 192, info.Fx != 0);
  for (int r = 0; r < kGridRows; ++r) {
    const WheelColour colour = kColourWheel[(step + 1 + 24 * r) % 192];
    for (int c = 0; c < kGridColumns; ++c) {
      Put(context.frame, kKeyGrid[c][r], colour, Level(info));
    }
  }
}

void CKeyboardEffects::StepTwoWaySweep(const KeyboardEffectContext& context) {
  const uint8_t centre =
      masks_[kMaskA][9] | masks_[kMaskB][9] | masks_[kMaskC][9] | masks_[kMaskD][9];
  if (centre == 0x01 || centre == 0x40) {
    for (auto& mask : masks_) {
      mask[9] |= centre;
    }
  }
  if (pass_++ % 2 == 0) {
    StepRipple(context.info, context.reactive);
    ShiftColumns();
  }
  DecayAndShowAll(context, 13);
}

void CKeyboardEffects::StepConvergingSweep(const KeyboardEffectContext& context) {
  uint8_t& s = context.counters.step;
  auto light = [&](uint8_t key) {
    if (key >= kLights) {
      return;
    }
    context.reactive.keyBrightness[key] = 255;
    if (context.info.MultiColor) {
      hue_[key] = static_cast<uint8_t>(Random() % 192);
    }
  };
  switch (pass_) {
    case 0:
      for (uint8_t key : kSweepInRows[std::min<int>(s, 19)]) {
        light(key);
      }
      if (s >= 19) {
        s = 0;
        pass_ = 1;
      } else {
        ++s;
      }
      break;
    case 1:
      if (s <= 30) {
        for (uint8_t key : kSweepPairs[s % 16]) {
          light(key);
        }
        ++s;
      } else if (context.reactive.keyBrightness[72] == 0) {
        pass_ = 2;
        s = 0;
      }
      break;
    case 2:
      SeedRipple(52);
      pass_ = 3;
      break;
    default: {
      StepRipple(context.info, context.reactive);
      ShiftColumns();
      // The ripple ends once every mask has run off the grid; then the sweep
      // starts again.
      bool empty = true;
      for (const auto& mask : masks_) {
        for (uint8_t bits : mask) {
          empty = empty && bits == 0;
        }
      }
      if (empty) {
        pass_ = 0;
        s = 0;
      }
      break;
    }
  }
  DecayAndShowAll(context, 14);
}

void CKeyboardEffects::StepTwinkle(const KeyboardEffectContext& context, int advance) {
  const int level = Level(context.info);
  for (int i = 0; i < kKeyOrderLength; ++i) {
    const int key = kKeyOrder[i];
    int next = counter_[key] + advance;
    if (next >= 192) {
      next = 0;
      hue_[key] = static_cast<uint8_t>(Random() % 192);
    }
    counter_[key] = static_cast<uint8_t>(next);
    Put(context.frame, key, EffectColour(context.info, hue_[key]),
        Scale(level, kTwinkleCurve[next]));
  }
}

void CKeyboardEffects::StepBounce(const KeyboardEffectContext& context) {
  auto together = [&](int column) {
    return static_cast<uint8_t>(masks_[kMaskA][column] | masks_[kMaskB][column] |
                                masks_[kMaskC][column] | masks_[kMaskD][column]);
  };
  if (together(1) == 0x01) {
    for (auto& mask : masks_) {
      mask[1] |= 0x01;
    }
  }
  if (together(kGridColumns - 1) == 0x40) {
    for (auto& mask : masks_) {
      mask[kGridColumns - 1] |= 0x40;
    }
  }
  StepRipple(context.info, context.reactive);
  ShiftColumns();
  DecayAndShowOrder(context, 16);
}

void CKeyboardEffects::StepFixedHue(const KeyboardEffectContext& context) {
  int entry = 174;
  switch (context.info.ZZCCLedMode) {
    case 1:
      entry = 25;
      break;
    case 2:
      entry = 70;
      break;
    case 3:
      entry = 95;
      break;
    default:
      break;
  }
  for (int light = 0; light < kLights; ++light) {
    Put(context.frame, light, kColourWheel[entry], Level(context.info));
  }
}

void CKeyboardEffects::StepRings(const KeyboardEffectContext& context) {
  uint8_t& step = context.counters.step;
  Cycle(step, 192, context.info.Fx != 0);
  for (int r = 0; r < static_cast<int>(kRings.size()); ++r) {
    const WheelColour colour = kColourWheel[(step + 7 * (r + 1)) % 192];
    for (uint8_t key : kRings[r]) {
      if (KeyInOrder(key) != kNoKey) {
        Put(context.frame, key, colour, Level(context.info));
      }
    }
  }
}

void CKeyboardEffects::StepCustomColours(const KeyboardEffectContext& context) {
  // The colours come from the keyboard's custom colour table; only the
  // brightness follows the level.
  const size_t count = std::min<size_t>(context.frame.size(), kLights);
  for (size_t light = 0; light < count; ++light) {
    context.frame[light].brightness = Level(context.info);
  }
}

void CKeyboardEffects::StepSnake(const KeyboardEffectContext& context) {
  uint8_t& step = context.counters.step;
  auto light = [&](int index) {
    const uint8_t key = kSnakePath[index];
    if (key < kLights) {
      context.reactive.keyBrightness[key] = 254;
    }
  };
  if (context.info.Fx != 0) {
    if (step > 169) {
      step = 0;
    } else {
      light(step);
      ++step;
    }
  } else {
    if (step == 0) {
      step = 169;
    } else {
      light(std::min<int>(step, 169));
      --step;
    }
  }
  DecayAndShowOrder(context, 21);
}

void CKeyboardEffects::StepSweep(const KeyboardEffectContext& context) {
  const auto& info = context.info;
  uint8_t& step = context.counters.step;
  auto& brightness = context.reactive.keyBrightness;
  Cycle(step, 52, info.Fx != 0);
  for (uint8_t key : kSweepPattern[step]) {
    if (key < kLights) {
      brightness[key] = 255;
      hue_[key] = 0;
    }
  }
  const int level = Level(info);
  for (int key = 0; key < kLights; ++key) {
    brightness[key] = static_cast<uint8_t>(std::max(0, brightness[key] - 5));
    if (hue_[key] != 255) {
      hue_[key] = static_cast<uint8_t>(std::min(255, hue_[key] + 3));
    }
    if (info.MultiColor) {
      Put(context.frame, key, kColourWheel[hue_[key]], static_cast<uint8_t>(level));
    } else {
      Put(context.frame, key, LightingColour(info), Scale(level, brightness[key]));
    }
  }
}

void CKeyboardEffects::StepSoftwareColour(const KeyboardEffectContext& context) {
  auto channel = [&](int i) { return static_cast<uint8_t>(std::clamp(levels_[i], 0, 255)); };
  const WheelColour colour{channel(0), channel(1), channel(2)};
  for (int light = 0; light < kLights; ++light) {
    Put(context.frame, light, colour, Level(context.info));
  }
}

// ---------------------------------------------------------------- key events

void CKeyboardEffects::SetKeyPositionMap(const std::array<uint8_t, 256>& keyForPosition) {
  std::lock_guard guard(lock_);
  keyForPosition_ = keyForPosition;
}

void CKeyboardEffects::OnKeyEvent(int position, int kind, int effect, const LightInfoRecord& info,
                                  ReactiveBuffers& reactive) {
  std::lock_guard guard(lock_);
  if (position < 0 || position >= static_cast<int>(keyForPosition_.size())) {
    return;
  }
  const uint8_t key = keyForPosition_[position];
  if (key >= kLights) {
    return;
  }
  DispatchLocked(key, kind, effect, info, reactive);
}

void CKeyboardEffects::DispatchKeyEvent(int key, int kind, int effect, const LightInfoRecord& info,
                                        ReactiveBuffers& reactive) {
  std::lock_guard guard(lock_);
  DispatchLocked(key, kind, effect, info, reactive);
}

void CKeyboardEffects::DispatchLocked(int key, int kind, int effect, const LightInfoRecord& info,
                                      ReactiveBuffers& reactive) {
  (void)info;
  if (key < 0 || key >= kLights || (kind != 1 && kind != 2)) {
    return;
  }
  switch (effect) {
    case 25:
      if (kind == 1) {
        SplashPress(key, reactive);
      } else {
        SplashRelease(key, reactive);
      }
      break;
    case 8:
    case 9:
      if (kind == 1) {
        SeedRipple(key);
      }
      break;
    case 7:
      ReactivePress(key, kind, reactive);
      break;
    default:
      break;
  }
}

void CKeyboardEffects::ReactivePress(int key, int kind, ReactiveBuffers& reactive) {
  phase_[key] = static_cast<uint8_t>(kind);
  reactive.keyBrightness[key] = 255;
  hue_[key] = static_cast<uint8_t>(Random() % 192);
}

namespace {

enum class Ring { Near, Middle, Far };

// Calls visit(column, row, ring) for every cell of the splash neighbourhood of
// (column, row) that lies inside the grid and holds a key.
template <typename Visit>
void ForSplashNeighbours(int column, int row, Visit visit) {
  struct Offset {
    int dc;
    int dr;
    Ring ring;
  };
  static constexpr Offset kOffsets[] = {
      {0, -1, Ring::Near},   {0, 1, Ring::Near},   {-1, 0, Ring::Near},    {1, 0, Ring::Near},
      {0, -2, Ring::Middle}, {0, 2, Ring::Middle}, {-1, -1, Ring::Middle}, {-1, 1, Ring::Middle},
      {1, -1, Ring::Middle}, {1, 1, Ring::Middle}, {-2, 0, Ring::Far},     {2, 0, Ring::Far},
  };
  for (const Offset& offset : kOffsets) {
    const int c = column + offset.dc;
    const int r = row + offset.dr;
    if (GridKey(c, r) < kLights) {
      visit(c, r, offset.ring);
    }
  }
}

}  // namespace

bool CKeyboardEffects::CellHeld(int column, int row) const {
  auto pressedAt = [&](int c, int r) {
    const uint8_t key = GridKey(c, r);
    return key < kLights && pressed_[key];
  };
  if (pressedAt(column, row)) {
    return true;
  }
  bool held = false;
  ForSplashNeighbours(column, row, [&](int c, int r, Ring) { held = held || pressedAt(c, r); });
  return held;
}

void CKeyboardEffects::SplashPress(int key, ReactiveBuffers& reactive) {
  const Cell cell = KeyCells()[key];
  if (cell.column < 0) {
    return;
  }
  auto& brightness = reactive.keyBrightness;
  phase_[key] = 1;
  brightness[key] = 255;
  pressed_[key] = true;
  ForSplashNeighbours(cell.column, cell.row, [&](int c, int r, Ring ring) {
    const uint8_t neighbour = kKeyGrid[c][r];
    const int add = ring == Ring::Near ? 150 : ring == Ring::Middle ? 90 : 60;
    phase_[neighbour] = 1;
    brightness[neighbour] = static_cast<uint8_t>(std::min(255, brightness[neighbour] + add));
  });
}

void CKeyboardEffects::SplashRelease(int key, ReactiveBuffers& reactive) {
  const Cell cell = KeyCells()[key];
  if (cell.column < 0) {
    return;
  }
  auto& brightness = reactive.keyBrightness;
  pressed_[key] = false;
  if (!CellHeld(cell.column, cell.row)) {
    phase_[key] = 2;
  }
  ForSplashNeighbours(cell.column, cell.row, [&](int c, int r, Ring ring) {
    if (CellHeld(c, r)) {
      return;
    }
    const uint8_t neighbour = kKeyGrid[c][r];
    const int loss = ring == Ring::Near ? 15 : 90;
    phase_[neighbour] = 2;
    brightness[neighbour] = static_cast<uint8_t>(std::max(0, brightness[neighbour] - loss));
  });
}

// ---------------------------------------------------------------- audio input

void CKeyboardEffects::OnAudioSpectrum(const int32_t* samples, int count, int effect,
                                       const AudioLightRecord& audio, const LightInfoRecord& info,
                                       ReactiveBuffers& reactive) {
  std::lock_guard guard(lock_);
  (void)info;
  (void)reactive;
  const int kept = samples == nullptr ? 0 : std::clamp(count, 0, kSpectrumSampleCount);
  samples_.fill(0);
  for (int i = 0; i < kept; ++i) {
    samples_[i] = std::max(samples[i], 0);
  }
  if (audio.AudioMode != 2 || effect != 29) {
    return;
  }
  // The audio ripple is seeded here: the louder the input, the sooner the
  // running score reaches the threshold that starts a ripple at key 51.
  const auto taken = TakeSamples();
  int sum = 0;
  for (int32_t sample : taken) {
    sum += SampleValue(sample, true);
  }
  const int average = sum / kSpectrumSampleCount;
  spectrumTotal_ += 25 - average * 25 / 600;
  if (spectrumTotal_ >= 71) {
    spectrumTotal_ = 0;
    SeedRipple(51);
  }
}

void CKeyboardEffects::OnAudioLevels(const int32_t* levels, int count) {
  std::lock_guard guard(lock_);
  const int kept = levels == nullptr ? 0 : std::clamp(count, 0, kAudioLevelCount);
  levels_.fill(0);
  for (int i = 0; i < kept; ++i) {
    levels_[i] = levels[i];
  }
}

std::array<int32_t, kSpectrumSampleCount> CKeyboardEffects::TakeSamples() {
  const auto taken = samples_;
  samples_.fill(0);
  return taken;
}

// ---------------------------------------------------------------- music effect

void CKeyboardEffects::MusicShow(const KeyboardEffectContext& context, int key, bool lit,
                                 uint8_t hue) {
  const auto& audio = context.audio;
  auto& brightness = context.reactive.keyBrightness;
  const int level = Level(context.info);
  auto foreground = [&](int h) {
    return audio.SevenColorFlags ? kColourWheel[h & 0xFF]
                                 : WheelColour{audio.FgColorR, audio.FgColorG, audio.FgColorB};
  };
  if (lit) {
    brightness[key] = 255;
    hue_[key] = hue;
    Put(context.frame, key, foreground(hue), Scale(level, 255));
  } else if (brightness[key] > 9) {
    Put(context.frame, key, foreground(hue_[key]), Scale(level, brightness[key]));
  } else {
    Put(context.frame, key, {audio.BkColorR, audio.BkColorG, audio.BkColorB},
        static_cast<uint8_t>(level));
  }
}

void CKeyboardEffects::MusicFadeUnless(const KeyboardEffectContext& context, int key, int neighbour,
                                       bool always) {
  if (always || Dark(context.reactive, neighbour)) {
    base_.DecayKeyBrightness(context.reactive, key, 29);
  }
}

void CKeyboardEffects::MusicStep(const KeyboardEffectContext& context) {
  const auto samples = TakeSamples();
  const int mode = context.audio.AudioMode;
  const bool up = context.info.Fx != 0;
  if (mode != 3) {
    Cycle(context.counters.step, 192, up);
  }
  switch (mode) {
    case 0:
      MusicVerticalBars(context, samples, false);
      break;
    case 1:
      MusicMirroredRows(context, samples);
      break;
    case 2:
      MusicRipple(context);
      break;
    case 3:
      MusicRings(context, samples);
      break;
    case 4:
      MusicVerticalBars(context, samples, true);
      break;
    case 5:
      MusicRowBars(context, samples);
      break;
    case 6:
      MusicAlternatingBars(context, samples);
      break;
    default:
      break;
  }
}

// Mode 0: a bar per column growing up from the bottom row. Mode 4 ("dropping"):
// the bar of column c follows sample c + 1; once a bar is lit it is left to
// fall away from the top and the column lights again only after its lowest
// key has gone dark; each key keeps the hue it was lit with.
void CKeyboardEffects::MusicVerticalBars(const KeyboardEffectContext& context,
                                         const std::array<int32_t, kSpectrumSampleCount>& samples,
                                         bool dropping) {
  const uint8_t step = context.counters.step;
  for (int c = 0; c < kGridColumns; ++c) {
    const int sample =
        dropping ? samples[(1 + c) % kSpectrumSampleCount] : samples[c % kSpectrumSampleCount];
    const int height = (SampleValue(sample, false) + 100) * 6 / 600;
    const auto hue = static_cast<uint8_t>((step + 10 * (c + 1)) % 192);
    bool lightColumn = true;
    if (dropping) {
      int lowest = -1;
      for (int r = 0; r < kGridRows; ++r) {
        if (kKeyGrid[c][r] < kLights) {
          lowest = r;
        }
      }
      if (lowest < 0) {
        continue;
      }
      if (columnHeld_[c] && Dark(context.reactive, kKeyGrid[c][lowest])) {
        columnHeld_[c] = false;
      }
      lightColumn = !columnHeld_[c] && height <= lowest;
      if (lightColumn) {
        columnHeld_[c] = true;
      }
    }
    for (int r = 0; r < kGridRows; ++r) {
      const uint8_t key = kKeyGrid[c][r];
      if (key >= kLights) {
        continue;
      }
      const bool lit = lightColumn && r >= height;
      if (!lit) {
        MusicFadeUnless(context, key, r == 0 ? kNoKey : kKeyGrid[c][r - 1], r == 0);
      }
      MusicShow(context, key, lit, hue);
    }
  }
}

void CKeyboardEffects::MusicMirroredRows(const KeyboardEffectContext& context,
                                         const std::array<int32_t, kSpectrumSampleCount>& samples) {
  Cycle(sampleOffset_, kSpectrumSampleCount, true);
  for (int r = 0; r < kGridRows; ++r) {
    const int left = samples[(sampleOffset_ + 3 * (r + 1)) % kSpectrumSampleCount];
    const int right = samples[(2 * r + 1) % kSpectrumSampleCount];
    const int leftLength = (SampleValue(left, true) + 100) * 12 / 600;
    const int rightLength = (SampleValue(right, true) + 100) * 12 / 600;
    int hue = context.counters.step;
    for (int c = 0; c < kGridColumns; ++c) {
      hue = (hue + 7) % 192;
      const uint8_t key = kKeyGrid[c][r];
      if (key >= kLights) {
        continue;
      }
      bool lit = false;
      if (c <= 8) {
        lit = c >= leftLength;
        if (!lit) {
          MusicFadeUnless(context, key, GridKey(c - 1, r), c == 0);
        }
      } else {
        lit = c - 9 <= 12 - rightLength;
        if (!lit) {
          MusicFadeUnless(context, key, GridKey(c + 1, r), c > 20);
        }
      }
      MusicShow(context, key, lit, static_cast<uint8_t>(hue));
    }
  }
}

void CKeyboardEffects::MusicRipple(const KeyboardEffectContext& context) {
  StepRipple(context.info, context.reactive);
  ShiftColumns();
  for (int key = 0; key < kLights; ++key) {
    base_.DecayKeyBrightness(context.reactive, key, 29);
    hue_[key] = static_cast<uint8_t>((hue_[key] + 9) % 192);
    MusicShow(context, key, false, hue_[key]);
  }
}

void CKeyboardEffects::MusicRings(const KeyboardEffectContext& context,
                                  const std::array<int32_t, kSpectrumSampleCount>& samples) {
  int sum = 0;
  for (int32_t sample : samples) {
    sum += SampleValue(sample, true);
  }
  const int limit = sum / kSpectrumSampleCount * 20 / 600;
  uint8_t& step = context.counters.step;
  CycleBy(step, 192, limit, context.info.Fx != 0);
  auto& brightness = context.reactive.keyBrightness;
  const int level = Level(context.info);
  for (int r = 0; r < static_cast<int>(kRings.size()); ++r) {
    const auto hue = static_cast<uint8_t>((step + 9 * (r + 1)) % 192);
    for (uint8_t key : kRings[r]) {
      if (KeyInOrder(key) == kNoKey) {
        continue;
      }
      if (r < 20 - limit) {
        brightness[key] = 255;
        hue_[key] = hue;
      } else {
        base_.DecayKeyBrightness(context.reactive, key, 0);
      }
      Put(context.frame, key, kColourWheel[hue_[key]], Scale(level, brightness[key]));
    }
  }
}

namespace {

// Band values: consecutive runs of samples from sample 0, each run's sum ÷ 3.
std::array<int, 6> Bands(const std::array<int32_t, kSpectrumSampleCount>& samples,
                         const std::array<int, 6>& sizes) {
  std::array<int, 6> bands{};
  int at = 0;
  for (size_t b = 0; b < sizes.size(); ++b) {
    int64_t sum = 0;
    for (int i = 0; i < sizes[b]; ++i) {
      sum += samples[at++];
    }
    bands[b] = static_cast<int>(std::min<int64_t>(sum / 3, 1 << 24));
  }
  return bands;
}

}  // namespace

void CKeyboardEffects::MusicRowBars(const KeyboardEffectContext& context,
                                    const std::array<int32_t, kSpectrumSampleCount>& samples) {
  const auto bands = Bands(samples, {2, 3, 3, 4, 5, 7});
  for (int r = 0; r < kGridRows; ++r) {
    const int v = SampleValue(bands[5 - r], true);
    const int length = 23 - (v * 23 + 2300) / 600;
    int hue = context.counters.step;
    for (int c = 0; c < kGridColumns; ++c) {
      hue = (hue + 3) % 192;
      const uint8_t key = kKeyGrid[c][r];
      if (key >= kLights) {
        continue;
      }
      const bool lit = c <= length;
      if (!lit) {
        MusicFadeUnless(context, key, GridKey(c + 1, r), c > 20);
      }
      MusicShow(context, key, lit, static_cast<uint8_t>(hue));
    }
  }
}

void CKeyboardEffects::MusicAlternatingBars(
    const KeyboardEffectContext& context,
    const std::array<int32_t, kSpectrumSampleCount>& samples) {
  const auto bands = Bands(samples, {2, 2, 3, 4, 5, 5});
  for (int r = 0; r < kGridRows; ++r) {
    const int length = SampleValue(bands[r], true) * 23 / 600;
    int hue = context.counters.step;
    for (int c = 0; c < kGridColumns; ++c) {
      const uint8_t key = kKeyGrid[c][r];
      if (key >= kLights) {
        continue;
      }
      const bool odd = r % 2 == 1;
      const bool lit = odd ? c <= 23 - length : c >= length;
      if (lit) {
        hue = (hue + 2) % 192;
      } else if (odd) {
        MusicFadeUnless(context, key, GridKey(c + 1, r), c > 20);
      } else {
        MusicFadeUnless(context, key, GridKey(c - 1, r), c < 2);
      }
      MusicShow(context, key, lit, static_cast<uint8_t>(hue));
    }
  }
}
