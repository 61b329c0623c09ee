#include <gtest/gtest.h>

#include "render/MonitorLayout.h"

namespace {
MonitorArea Area(LONG l, LONG t, LONG r, LONG b, bool primary = false) {
  return MonitorArea{RECT{l, t, r, b}, primary};
}
}  // namespace

// The main monitor takes the first scene and the first picture; the others follow
// by position. A mirror (a monitor inside another's rectangle) shows the same pixels.
TEST(MonitorLayout, TheMainMonitorComesFirstThenByPositionAndMirrorsGo) {
  const auto ordered = OrderMonitors({Area(1024, 0, 1824, 600), Area(-600, 0, 0, 800),
                                      Area(0, 0, 1024, 768, true), Area(0, 0, 800, 600)});
  ASSERT_EQ(ordered.size(), 3u);
  EXPECT_TRUE(ordered[0].primary);
  EXPECT_EQ(ordered[1].rect.left, -600);
  EXPECT_EQ(ordered[2].rect.left, 1024);
}

// Monitors of different scale factors keep their physical sizes: a 2560x1440 monitor
// at 200 % beside a 1024x768 one at 100 %, the primary on the right, so the other
// lies at negative x. Each lands at its own place in the window over the virtual
// screen, and the logo rule reads physical pixels.
TEST(MonitorLayout, MixedScaleFactorsKeepPhysicalPixels) {
  const MonitorArea high = Area(0, 0, 2560, 1440, true);  // at 200 %
  const MonitorArea low = Area(-1024, 672, 0, 1440);     // at 100 %
  const POINT origin{-1024, 0};
  const SIZE window{3584, 1440};
  const RECT a = MonitorInWindow(high, origin, window);
  const RECT b = MonitorInWindow(low, origin, window);
  EXPECT_EQ(a.left, 1024);
  EXPECT_EQ(a.right - a.left, 2560);
  EXPECT_EQ(a.bottom - a.top, 1440);
  EXPECT_EQ(b.left, 0);
  EXPECT_EQ(b.top, 672);
  EXPECT_EQ(b.right - b.left, 1024);
  // 1280x720 at 200 % is 640x360 to the user's eye, but 1280x720 pixels: a logo.
  EXPECT_TRUE(ShowsLogo(1280, 720));
  EXPECT_FALSE(ShowsLogo(480, 640));  // a small portrait monitor
  // Cut to the window: a monitor reaching past it is drawn only where the window is.
  const RECT cut = MonitorInWindow(Area(3000, 0, 4000, 1440), POINT{0, 0}, SIZE{3584, 1440});
  EXPECT_EQ(cut.right, 3584);
}

// A monitor larger than the device's textures: shrunk in its own shape.
TEST(MonitorLayout, FitWithinTheTextureLimit) {
  EXPECT_EQ(FitWithinLimit({7680, 2160}, {4096, 4096}).cx, 4096);
  EXPECT_EQ(FitWithinLimit({7680, 2160}, {4096, 4096}).cy, 1152);
  EXPECT_EQ(FitWithinLimit({1920, 1080}, {8192, 8192}).cx, 1920);  // within: unchanged
  EXPECT_EQ(FitWithinLimit({1920, 1080}, {0, 0}).cy, 1080);        // no limit known
  EXPECT_EQ(FitWithinLimit({10000, 1}, {100, 100}).cy, 1);         // never under one pixel
}
