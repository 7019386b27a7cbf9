#include "devices/sync_lighting.h"

#include <algorithm>
#include <chrono>

#include "devices/lighting_tables.h"
#include "devices/usb_device_core.h"
#include "platform/debug_output.h"

namespace {

// Mode numbers of the common effects (breathing, steady, blink, colour
// cycle, off) per device kind.
struct KindModes {
  int kind;
  int modes[5];
};
constexpr KindModes kModes[] = {
    {1, {5, 6, 23, 4, 20}},
    {2, {2, 3, 4, 1, 9}},
    {3, {2, 3, 4, 1, 8}},
    {7, {2, 3, 4, 1, 8}},
};

const KindModes* ModesOf(int kind) {
  for (const KindModes& k : kModes)
    if (k.kind == kind) return &k;
  return nullptr;
}

constexpr int kStepIntervals[5] = {28, 23, 18, 13, 7};

uint32_t Pack(uint8_t r, uint8_t g, uint8_t b, uint8_t brightness) {
  return uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16 | uint32_t{brightness} << 24;
}

uint64_t SteadyMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace

int SyncEffectOfMode(int kind, int mode) {
  const KindModes* k = ModesOf(kind);
  if (k == nullptr) return -1;
  for (int e = 0; e < 5; ++e)
    if (k->modes[e] == mode) return e;
  return -1;
}

int SyncModeOfEffect(int kind, int effect) {
  const KindModes* k = ModesOf(kind);
  if (k == nullptr || effect < 0 || effect > 4) return -1;
  return k->modes[effect];
}

int SyncStepInterval(int speedLevel) {
  return speedLevel >= 0 && speedLevel < 5 ? kStepIntervals[speedLevel] : 0;
}

uint32_t CSyncStepper::Step(uint64_t nowMs) {
  const uint8_t level = kBrightnessLevels[std::min<size_t>(state_.brightnessLevel, 4)];
  const WheelColour fixed{state_.red, state_.green, state_.blue};
  switch (state_.effect) {
    case SyncLightingState::kBreathing: {
      if (state_.direction != 0)
        phase_ = (phase_ + 1) % 128;
      else
        phase_ = phase_ == 0 ? 127 : phase_ - 1;
      WheelColour c = fixed;
      if (state_.colourful != 0) {
        if (phase_ == 0 || phase_ == 1) wheel_ = (wheel_ + 16) % 192;
        c = kColourWheel[static_cast<size_t>(wheel_)];
      }
      const auto brightness =
          static_cast<uint8_t>(level * kBreathingCurve[static_cast<size_t>(phase_)] / 256);
      return Pack(c.red, c.green, c.blue, brightness);
    }
    case SyncLightingState::kSteady:
      return Pack(fixed.red, fixed.green, fixed.blue, level);
    case SyncLightingState::kBlink: {
      const uint64_t period = static_cast<uint64_t>(SyncStepInterval(state_.speedLevel)) * 100;
      if (nowMs - lastToggleMs_ >= period) {
        blinkOn_ = !blinkOn_;
        lastToggleMs_ = nowMs;
        wheel_ += 14;
        if (wheel_ >= 192) wheel_ = 0;
      }
      if (!blinkOn_) return 0;
      const WheelColour c =
          state_.colourful != 0 ? kColourWheel[static_cast<size_t>(wheel_)] : fixed;
      return Pack(c.red, c.green, c.blue, level);
    }
    case SyncLightingState::kColourCycle: {
      wheel_ = (wheel_ + 1) % 192;
      const WheelColour c = kColourWheel[static_cast<size_t>(wheel_)];
      return Pack(c.red, c.green, c.blue, level);
    }
    default:
      return 0;
  }
}

void CSyncLighting::Start(const SyncLightingState& state, std::vector<CUsbDeviceCore*> devices) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
    devices_ = std::move(devices);
    changed_ = true;
  }
  wake_.notify_all();
}

void CSyncLighting::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    changed_ = true;
  }
  wake_.notify_all();
}

void CSyncLighting::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
}

uint64_t CSyncLighting::Steps() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return steps_;
}

bool CSyncLighting::Active() const {
  return std::any_of(devices_.begin(), devices_.end(), [](CUsbDeviceCore* d) {
    return d->Channel().IsOpen() && d->Channel().IsLightingPaused();
  });
}

void CSyncLighting::Run(const std::function<bool()>& stopRequested) {
  CSyncStepper stepper;
  std::unique_lock<std::mutex> lock(mutex_);
  auto stopping = [&] { return stop_ || (stopRequested && stopRequested()); };
  uint64_t nextDue = 0;
  while (!stopping()) {
    if (changed_) {
      changed_ = false;
      stepper.SetState(state_);
      nextDue = SteadyMs();
    }
    if (!Active()) {
      // Nothing to show: sleep until Start(), Wake() or RequestStop(). The
      // bound only lets an owner that sets its stop event without calling
      // RequestStop() be seen at all.
      wake_.wait_for(lock, std::chrono::seconds(10), [&] { return stop_ || changed_; });
      continue;
    }
    const uint64_t now = SteadyMs();
    if (now < nextDue) {
      wake_.wait_for(lock, std::chrono::milliseconds(nextDue - now),
                     [&] { return stop_ || changed_; });
      continue;
    }
    nextDue = now + static_cast<uint64_t>(std::max(1, SyncStepInterval(state_.speedLevel)));
    const uint32_t colour = stepper.Step(now);
    ++steps_;
    for (CUsbDeviceCore* device : devices_) {
      if (!device->Channel().IsLightingPaused()) continue;
      for (int light = 0; light < device->LightCount(); ++light)
        device->SetPreviewColour(light, colour);
    }
  }
  DebugOutput("同步灯光线程设定退出");
}
