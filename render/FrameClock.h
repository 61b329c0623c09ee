#pragma once
#include <cstdint>

// Process-wide high-resolution clock in seconds. Created on first use through
// GetFrameClock(); the first Start() fixes the base, later ones change nothing.
class FrameClock {
public:
  FrameClock();
  void Start();
  double Time() const;
  bool Started() const { return started_; }

private:
  int64_t ticksPerSecond_ = 1;
  int64_t baseTicks_ = 0;
  bool started_ = false;
};

FrameClock& GetFrameClock();
