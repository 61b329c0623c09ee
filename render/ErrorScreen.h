#pragma once
#include <atomic>
#include <vector>

#include "resources/GdiPlus.h"

// Draws the localised error picture, centred on black, with the logo at the
// bottom-left (only a reduced logo in windows under 640 x 480), into the window
// until `stop` is set. Where the pictures cannot be read the window is black.
void ShowErrorScreen(HWND window, const std::atomic<bool>& stop);
// The same in several areas of the window at once (one per monitor), each laid out
// as a screen of its own size; the rest of the window is black. Returns as well when
// `displayChanged` (if given) is set, which it leaves for the caller to take.
void ShowErrorScreen(HWND window, const std::vector<RECT>& areas, const std::atomic<bool>& stop,
                     const std::atomic<bool>* displayChanged = nullptr);

struct ErrorScreenRect {
  float x, y, width, height;
};

struct ErrorScreenLayout {
  bool showBackground;  // false: only the reduced logo
  ErrorScreenRect background;
  ErrorScreenRect logo;
};

// Where the pictures go in a W x H client area, from their natural sizes.
ErrorScreenLayout ComputeErrorScreenLayout(float width, float height, float backgroundWidth,
                                           float backgroundHeight, float logoWidth, float logoHeight);

// How often the still error picture is drawn again, and how often its thread
// looks at the stop flag while it rests.
constexpr double kErrorScreenRedrawSeconds = 0.25;
constexpr unsigned long kErrorScreenPollMilliseconds = 5;

// The drawing loop on pictures already decoded: composes each frame off-screen and
// copies it onto the target in one call, at most once per kErrorScreenRedrawSeconds,
// resting in between, until `stop`.
void RunErrorScreen(Gdiplus::GpGraphics* target, int width, int height, Gdiplus::GpBitmap* background,
                    Gdiplus::GpBitmap* logo, const std::atomic<bool>& stop);
struct ErrorScreenTarget {
  Gdiplus::GpGraphics* graphics;
  int x, y, width, height;  // where on the graphics
};
// Without a background or a logo each target is only black; `uncovered` is painted
// black on every redraw (the parts of the window no monitor's screen covers).
void RunErrorScreens(const std::vector<ErrorScreenTarget>& targets, Gdiplus::GpBitmap* background,
                     Gdiplus::GpBitmap* logo, const std::atomic<bool>& stop,
                     const std::vector<ErrorScreenTarget>& uncovered = {},
                     const std::atomic<bool>* displayChanged = nullptr);
