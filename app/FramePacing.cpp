#include "app/FramePacing.h"

double FrameInterval(unsigned refreshHz, bool speedTest) {
  unsigned hz = refreshHz > 1 ? refreshHz : kDefaultRefreshHz;
  if (speedTest && hz < kSpeedTestMinimumHz) hz = kSpeedTestMinimumHz;
  return 1.0 / hz;
}

PaceDecision DecideFrame(double interval, double lastFrameTime, double now) {
  const double due = lastFrameTime + interval;
  const double wait = due - now;
  if (wait <= interval / 32.0) return {true, 0.0, wait >= -interval / 8.0 && wait < 0.0 ? due : now};
  // A last frame ahead of the clock is waited out one interval at a time, so the
  // loop looks at its flags at least that often.
  return {false, wait < interval ? wait : interval, 0.0};
}
