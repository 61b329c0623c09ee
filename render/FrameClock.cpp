#include "render/FrameClock.h"

#include <windows.h>

namespace {
int64_t Counter() {
  LARGE_INTEGER v;
  QueryPerformanceCounter(&v);
  return v.QuadPart;
}
}  // namespace

FrameClock::FrameClock() {
  LARGE_INTEGER f;
  if (QueryPerformanceFrequency(&f) && f.QuadPart > 0) ticksPerSecond_ = f.QuadPart;
}

void FrameClock::Start() {
  if (started_) return;
  baseTicks_ = Counter();
  started_ = true;
}

double FrameClock::Time() const {
  return static_cast<double>(Counter() - baseTicks_) / static_cast<double>(ticksPerSecond_);
}

FrameClock& GetFrameClock() {
  static FrameClock clock;
  return clock;
}
