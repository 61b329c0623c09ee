#pragma once

// When the render loop draws its next frame: never sooner than the display can
// show it, whether or not the driver waits for the vertical blank.

// What the loop uses when the display does not say its rate (Windows reports 0 or
// 1 for "the hardware's default").
constexpr unsigned kDefaultRefreshHz = 60;
// The start-up speed test needs 20 frames in its second; its frames are paced at
// no fewer than this many a second, so a display slower than that (a rare panel
// or a remote session's report) is not mistaken for a slow machine. After the test
// the display's own rate applies.
constexpr unsigned kSpeedTestMinimumHz = 30;

// Seconds between frames on a display of `refreshHz` (0 or 1: unknown).
double FrameInterval(unsigned refreshHz, bool speedTest);

struct PaceDecision {
  bool draw;            // draw now
  double sleepSeconds;  // otherwise, how long until the frame is due
  double frameTime;     // when drawing: the time to keep as this frame's
};

// A frame is due `interval` after the last one. A loop that Present has already
// held until the vertical blank reaches it within a hair of its due time, sooner
// by the rounding of an integer refresh rate (59 Hz reported for 59.94 Hz): within
// 1/32 of the interval it draws at once rather than sleeping past the blank.
// A sleep that overran by up to 1/8 of the interval counts the frame as drawn when
// it was due, so the timer's lateness does not lower the rate; a later frame (a
// slow one, or the first) counts from now.
PaceDecision DecideFrame(double interval, double lastFrameTime, double now);
