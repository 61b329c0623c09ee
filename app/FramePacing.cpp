#include "app/FramePacing.h"

double FrameInterval(unsigned refreshHz, bool speedTest) {
  unsigned hz = refreshHz > 1 ? refreshHz : kDefaultRefreshHz;
  if (speedTest && hz < kSpeedTestMinimumHz) hz = kSpeedTestMinimumHz;
  return 1.0 / hz;
}

PaceDecision DecideFrame(double interval, double lastFrameTime, double now) {
  const double wait = lastFrameTime + interval - now;
  if (wait <= interval / 32.0) return {true, 0.0};
  // A last frame ahead of the clock is waited out one interval at a time, so the
  // loop looks at its flags at least that often.
  return {false, wait < interval ? wait : interval};
}
