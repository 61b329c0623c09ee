#include <gtest/gtest.h>

#include "app/FramePacing.h"

// The rate: the display's, 60 when it does not say, and no fewer than 30 frames a
// second in the speed test's second.
TEST(FramePacing, IntervalFollowsTheDisplay) {
  EXPECT_DOUBLE_EQ(FrameInterval(60, false), 1.0 / 60);
  EXPECT_DOUBLE_EQ(FrameInterval(240, true), 1.0 / 240);
  EXPECT_DOUBLE_EQ(FrameInterval(0, false), 1.0 / 60);
  EXPECT_DOUBLE_EQ(FrameInterval(1, true), 1.0 / 60);
  EXPECT_DOUBLE_EQ(FrameInterval(12, true), 1.0 / 30);
  EXPECT_DOUBLE_EQ(FrameInterval(12, false), 1.0 / 12);
}

// Draw when due (or within 1/32 of an interval of it), otherwise sleep exactly until
// it is, and never longer than one interval, whatever the clock did. A wake up to
// 1/8 of an interval late keeps the due time as the frame's, so the rate holds.
TEST(FramePacing, DrawWhenDueOtherwiseSleepUntilIt) {
  const double T = 1.0 / 60;
  const PaceDecision early = DecideFrame(T, 10.0, 10.004);
  EXPECT_FALSE(early.draw);
  EXPECT_NEAR(early.sleepSeconds, T - 0.004, 1e-12);
  EXPECT_TRUE(DecideFrame(T, 10.0, 10.0 + T).draw);
  EXPECT_DOUBLE_EQ(DecideFrame(T, 10.0, 10.0 + T + 0.001).frameTime, 10.0 + T);
  EXPECT_DOUBLE_EQ(DecideFrame(T, 10.0, 10.0 + T + 0.003).frameTime, 10.0 + T + 0.003);
  EXPECT_DOUBLE_EQ(DecideFrame(T, 10.0, 10.0 + T - 0.0003).frameTime, 10.0 + T - 0.0003);
  EXPECT_TRUE(DecideFrame(T, 10.0, 10.0 + T - T / 40).draw);
  EXPECT_FALSE(DecideFrame(T, 10.0, 10.0 + T - T / 20).draw);
  EXPECT_TRUE(DecideFrame(T, 10.0, 25.0).draw);
  const PaceDecision backwards = DecideFrame(T, 10.0, 2.0);
  EXPECT_FALSE(backwards.draw);
  EXPECT_DOUBLE_EQ(backwards.sleepSeconds, T);
}
