#pragma once
// Synchronised lighting: every connected device whose lighting is paused
// shows one common effect, computed here and written into each device's
// preview light by light.
//
// CSyncStepper computes the effect (one call per step). CSyncLighting runs
// it on a thread of the owner's (the main window's worker slot 8): the
// thread sleeps until Start() hands it the devices and wakes it, then steps
// at the effect's interval for as long as some device has an open channel
// and its lighting paused; when none has, it sleeps until the next Start().

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class CUsbDeviceCore;

// The common effect, taken from the current device's light record.
struct SyncLightingState {
  enum Effect : uint8_t { kBreathing = 0, kSteady = 1, kBlink = 2, kColourCycle = 3, kOff = 4 };
  uint8_t effect = kOff;
  uint8_t brightnessLevel = 0;  // 0 to 4
  uint8_t speedLevel = 0;       // 5 or more: a step on every pass
  uint8_t direction = 0;        // breathing forwards when non-zero
  uint8_t colourful = 0;        // colours from the colour wheel
  uint8_t red = 0, green = 0, blue = 0;
};

// The effect number of a device kind's lighting mode (-1: no common effect)
// and the mode of an effect for a kind (-1 for an unknown kind).
int SyncEffectOfMode(int kind, int mode);
int SyncModeOfEffect(int kind, int effect);
// Milliseconds between steps for a speed level (0: every 1 ms pass).
int SyncStepInterval(int speedLevel);

class CSyncStepper {
 public:
  void SetState(const SyncLightingState& state) { state_ = state; }
  // One step at time nowMs; the colour packed as red | green << 8 |
  // blue << 16 | brightness << 24.
  uint32_t Step(uint64_t nowMs);

 private:
  SyncLightingState state_;
  int phase_ = 0;  // breathing, 0 to 127
  int wheel_ = 0;  // colour wheel position, 0 to 191
  bool blinkOn_ = false;
  uint64_t lastToggleMs_ = 0;
};

class CSyncLighting {
 public:
  // Hands the state and the devices (in output order) to the thread and wakes
  // it. The devices must outlive the thread's run.
  void Start(const SyncLightingState& state, std::vector<CUsbDeviceCore*> devices);
  // Wakes the thread to look at the devices' flags again.
  void Wake();
  // Ends Run() promptly.
  void RequestStop();
  // The thread body; returns when RequestStop() was called. stopRequested is
  // also consulted (the owner's stop event).
  void Run(const std::function<bool()>& stopRequested);
  // Steps run so far (tests).
  uint64_t Steps() const;

 private:
  bool Active() const;  // under mutex_

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  SyncLightingState state_;
  std::vector<CUsbDeviceCore*> devices_;
  bool stop_ = false;
  bool changed_ = false;
  uint64_t steps_ = 0;
};
