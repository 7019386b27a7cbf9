// The lighting thread's schedule over a simulated clock.
#include "devices/lighting_schedule.h"

#include <gtest/gtest.h>

TEST(LightingSchedule, StepsOverASecondMatchTheCounterRuleWithFewWakes) {
  struct Case {
    int threshold;
    uint32_t frame;
    bool everyPass;
    uint32_t wantSteps;
    uint32_t maxWakes;
  };
  const Case cases[] = {
      {1, 10, false, 1000, 100}, {2, 10, false, 500, 100}, {3, 10, false, 333, 100},
      {0, 50, false, 1000, 20},  {3, 50, false, 333, 20},  {25, 10, false, 40, 40},
      {100, 10, false, 10, 10},  {100, 10, true, 10, 100}, {7, 10, false, 142, 100},
  };
  for (const Case& c : cases) {
    CLightingSchedule schedule;
    schedule.Reset(0);
    uint64_t now = 0;
    uint32_t steps = 0, wakes = 0, ticks = 0;
    while (true) {
      const LightingPlan plan = schedule.Plan(now, c.threshold, c.frame, c.everyPass);
      steps += plan.steps;
      ticks += plan.ticks;
      ASSERT_GT(plan.nextWakeMs, now);
      // Never more often than the frame timer shows the preview.
      if (c.threshold < static_cast<int>(c.frame) || c.everyPass)
        EXPECT_EQ(plan.nextWakeMs - now, c.frame);
      if (plan.nextWakeMs > 1000) break;
      now = plan.nextWakeMs;
      ++wakes;
    }
    EXPECT_EQ(steps, c.wantSteps) << c.threshold << "/" << c.frame;
    EXPECT_LE(wakes, c.maxWakes) << c.threshold;
    EXPECT_EQ(ticks, now);  // every 1 ms pass is accounted for
  }
}

TEST(LightingSchedule, CustomEffectAndLateWakes) {
  CLightingSchedule schedule;
  schedule.Reset(100);
  LightingPlan plan = schedule.Plan(150, -1, 50, false);
  EXPECT_EQ(plan.steps, 0u);
  EXPECT_EQ(plan.ticks, 50u);
  EXPECT_EQ(plan.nextWakeMs, 200u);
  // A wake held up by 10 s does not run the backlog.
  schedule.Reset(0);
  plan = schedule.Plan(10000, 1, 10, false);
  EXPECT_LE(plan.steps, CLightingSchedule::kMaxCatchUpMs);
  EXPECT_LE(plan.ticks, CLightingSchedule::kMaxCatchUpMs);
  // A change of speed takes effect from the last step on.
  schedule.Reset(0);
  EXPECT_EQ(schedule.Plan(100, 20, 10, false).steps, 5u);
  EXPECT_EQ(schedule.Plan(130, 10, 10, false).steps, 3u);
}
