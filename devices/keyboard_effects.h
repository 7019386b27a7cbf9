#pragma once
// The keyboard's lighting preview effects: one step per effect number, the
// reactions to key presses reported by the keyboard and the audio-driven
// effects. Each step writes the preview frame (170 lights, indexed by key
// number); the effects shared with the other devices run through the base's
// steps.
//
// The lighting thread runs the steps, the listener thread reports key events
// and the UI thread feeds audio input; every public operation takes the
// object's lock, so the three never interleave inside one buffer update.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "devices/base_preview_steps.h"
#include "devices/preview_state.h"
#include "profiles/profile_records.h"

// What a step reads and writes besides the keyboard's own effect state.
struct KeyboardEffectContext {
  PreviewFrame& frame;
  const LightInfoRecord& info;
  const AudioLightRecord& audio;
  EffectCounters& counters;
  ReactiveBuffers& reactive;
  uint64_t nowMs = 0;
};

inline constexpr int kSpectrumSampleCount = 25;
inline constexpr int kAudioLevelCount = 6;

class CKeyboardEffects {
 public:
  // Returns a uniformly spread 32-bit number; used for random hues and keys.
  using RandomSource = std::function<uint32_t()>;
  enum Mask { kMaskA = 0, kMaskB, kMaskC, kMaskD };

  // Without a random source a built-in generator with a fixed seed is used.
  explicit CKeyboardEffects(IBasePreviewSteps& base, RandomSource random = {});

  // Clears all effect state (step counter, pass counter, key buffers, masks,
  // audio), then runs the initialiser of the effect.
  void StartEffect(int effect, EffectCounters& counters, ReactiveBuffers& reactive);
  void ResetEffectState(EffectCounters& counters, ReactiveBuffers& reactive);

  // Runs one step of the effect. Returns false for effect numbers that have no
  // step here (the custom effect player's numbers): the frame is untouched.
  bool RunStep(int effect, const KeyboardEffectContext& context);

  // Device position (0 to 255) → key number, kNoKey where no key sits.
  void SetKeyPositionMap(const std::array<uint8_t, 256>& keyForPosition);
  // A key event from the keyboard: kind 1 press, kind 2 the second kind.
  void OnKeyEvent(int position, int kind, int effect, const LightInfoRecord& info,
                  ReactiveBuffers& reactive);
  void DispatchKeyEvent(int key, int kind, int effect, const LightInfoRecord& info,
                        ReactiveBuffers& reactive);

  // Audio input: spectrum samples (each 0 to 2000; the first 25 are kept) and
  // the six audio levels. A short array keeps what it has and zeros the rest.
  void OnAudioSpectrum(const int32_t* samples, int count, int effect, const AudioLightRecord& audio,
                       const LightInfoRecord& info, ReactiveBuffers& reactive);
  void OnAudioLevels(const int32_t* levels, int count);
  void ClearAudioBuffers();

  // The key if it is in the key order loop, else kNoKey.
  static uint8_t KeyInOrder(int key);

  // State views for callers that show or check it.
  uint8_t KeyHue(int key) const;
  uint8_t KeyPhase(int key) const;
  uint8_t KeyCounter(int key) const;
  uint8_t MaskColumn(Mask mask, int column) const;
  uint8_t PassCounter() const;

 private:
  void ResetLocked(EffectCounters& counters, ReactiveBuffers& reactive);
  void InitialiseLocked(int effect);
  void DispatchLocked(int key, int kind, int effect, const LightInfoRecord& info,
                      ReactiveBuffers& reactive);
  uint32_t Random();

  // Shared operations.
  void StepRipple(const LightInfoRecord& info, ReactiveBuffers& reactive);
  void ShiftColumns();
  void SeedRipple(int key);
  void ReactiveFadeStep(const KeyboardEffectContext& context);
  void ShowKeyBrightness(const KeyboardEffectContext& context, int key);
  void DecayAndShowAll(const KeyboardEffectContext& context, int flag);
  void DecayAndShowOrder(const KeyboardEffectContext& context, int flag);

  // Effect steps.
  void StepColumnWave(const KeyboardEffectContext& context);
  void StepColourSweep(const KeyboardEffectContext& context);
  void StepLoopRainbow(const KeyboardEffectContext& context);
  void StepRippleEffect(const KeyboardEffectContext& context, bool trail);
  void StepRain(const KeyboardEffectContext& context);
  void StepPerKeyRainbow(const KeyboardEffectContext& context);
  void StepRowRainbow(const KeyboardEffectContext& context);
  void StepTwoWaySweep(const KeyboardEffectContext& context);
  void StepConvergingSweep(const KeyboardEffectContext& context);
  void StepTwinkle(const KeyboardEffectContext& context, int advance);
  void StepBounce(const KeyboardEffectContext& context);
  void StepFixedHue(const KeyboardEffectContext& context);
  void StepRings(const KeyboardEffectContext& context);
  void StepCustomColours(const KeyboardEffectContext& context);
  void StepSnake(const KeyboardEffectContext& context);
  void StepSweep(const KeyboardEffectContext& context);
  void StepSoftwareColour(const KeyboardEffectContext& context);

  // Key reactions.
  void ReactivePress(int key, int kind, ReactiveBuffers& reactive);
  void SplashPress(int key, ReactiveBuffers& reactive);
  void SplashRelease(int key, ReactiveBuffers& reactive);
  bool CellHeld(int column, int row) const;

  // Music effect.
  void MusicStep(const KeyboardEffectContext& context);
  void MusicShow(const KeyboardEffectContext& context, int key, bool lit, uint8_t hue);
  void MusicFadeUnless(const KeyboardEffectContext& context, int key, int neighbour, bool always);
  void MusicVerticalBars(const KeyboardEffectContext& context,
                         const std::array<int32_t, kSpectrumSampleCount>& samples, bool dropping);
  void MusicMirroredRows(const KeyboardEffectContext& context,
                         const std::array<int32_t, kSpectrumSampleCount>& samples);
  void MusicRipple(const KeyboardEffectContext& context);
  void MusicRings(const KeyboardEffectContext& context,
                  const std::array<int32_t, kSpectrumSampleCount>& samples);
  void MusicRowBars(const KeyboardEffectContext& context,
                    const std::array<int32_t, kSpectrumSampleCount>& samples);
  void MusicAlternatingBars(const KeyboardEffectContext& context,
                            const std::array<int32_t, kSpectrumSampleCount>& samples);
  std::array<int32_t, kSpectrumSampleCount> TakeSamples();

  IBasePreviewSteps& base_;
  RandomSource random_;
  std::atomic<uint32_t> seed_{0x2545F491u};
  mutable std::mutex lock_;

  std::array<uint8_t, 170> hue_{};
  std::array<uint8_t, 170> phase_{};
  std::array<uint8_t, 170> counter_{};
  std::array<bool, 170> pressed_{};
  std::array<std::array<uint8_t, 23>, 4> masks_{};
  uint8_t pass_ = 0;

  std::array<uint8_t, 256> keyForPosition_{};

  std::array<int32_t, kSpectrumSampleCount> samples_{};
  std::array<int32_t, kAudioLevelCount> levels_{};
  int spectrumTotal_ = 0;
  uint8_t sampleOffset_ = 0;
  std::array<bool, 23> columnHeld_{};
};
