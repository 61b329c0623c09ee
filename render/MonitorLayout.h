#pragma once
#include <windows.h>

#include <vector>

// One monitor as the saver sees it: where it lies on the virtual screen, in
// physical pixels (the program is per-monitor DPI aware, so no monitor's scale
// changes its size here), and whether it is the main one.
struct MonitorArea {
  RECT rect{};
  bool primary = false;
  unsigned refreshHz = 0;  // its display mode's rate; 0 when it does not say
};

// The monitors Windows reports, the main one first, the others left to right and
// top to bottom: the order in which they take the pictures.
std::vector<MonitorArea> ReadMonitors();

// The highest refresh rate among them; 0 when none says.
unsigned HighestRefreshRate(const std::vector<MonitorArea>& monitors);

// The main one first, then by position; monitors that overlap the main one wholly
// (a mirrored display) are dropped, since they show the same pixels.
std::vector<MonitorArea> OrderMonitors(std::vector<MonitorArea> monitors);

// Each monitor's rectangle inside a window whose top-left corner lies at `origin`
// on the virtual screen, cut to the window's size.
RECT MonitorInWindow(const MonitorArea& monitor, POINT origin, SIZE window);

// Whether a window of this size (a monitor's, in physical pixels) gets the logo.
bool ShowsLogo(int width, int height);

// The window less the covered rectangles, as the few cells of a grid cut along their
// edges that lie in none of them (what nothing draws over and must be kept black).
std::vector<RECT> UncoveredParts(const RECT& window, const std::vector<RECT>& covered);

// A size shrunk, in its own shape, to fit within the device's texture limit (a
// limit of 0 x 0 leaves it as it is); never under 1 x 1.
SIZE FitWithinLimit(SIZE size, SIZE limit);
