#pragma once
// When the lighting thread wakes and how many effect steps it runs.
//
// An effect advances one step every `threshold` ticks of 1 ms (a threshold of
// 0 counts as 1). A frame is only needed once per frame period (the caller's:
// 10 ms wired for frames streamed to the device, 33 ms for a preview that is
// only repainted, 50 ms through the receiver), so the thread does not wake
// faster than that: when steps fall due faster, or when work runs on every
// pass (custom-effect player, overlay pass), it wakes once per frame period
// and runs every step that fell due since the last one, in order. Slower
// effects wake exactly when their next step is due. Step times are kept on a
// grid from the last step, so the number of steps over any span equals the
// counter rule's whatever the wake-ups.

#include <cstdint>

struct LightingPlan {
  uint32_t steps = 0;       // effect steps to run now
  uint32_t ticks = 0;       // 1 ms passes since the previous plan
  uint64_t nextWakeMs = 0;  // when to plan again
};

class CLightingSchedule {
 public:
  // Steps that fell due more than this long ago are dropped (the thread was
  // held up or idle), so a resumed effect does not race through a backlog.
  static constexpr uint64_t kMaxCatchUpMs = 1000;

  // Starts counting at nowMs: the first step falls due one threshold later.
  void Reset(uint64_t nowMs);
  // threshold < 0: the effect has no row in the speed table (the custom-effect
  // player runs every pass, no steps). everyPass: work that runs every pass
  // is active.
  LightingPlan Plan(uint64_t nowMs, int threshold, uint32_t framePeriodMs, bool everyPass);

 private:
  uint64_t lastStepMs_ = 0;
  uint64_t lastPassMs_ = 0;
};
