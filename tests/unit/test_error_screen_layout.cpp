// The error screen: where its pictures go, and what the drawing loop leaves on a
// target, in process (a preview child's drawing never reaches an X screenshot).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "render/ErrorScreen.h"
#include "render/MonitorLayout.h"
#include "resources/Language.h"
#include "resources/ZipReader.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

TEST(ErrorScreenLayout, LargeWindowCentresTheBackgroundAndPutsTheLogoBottomLeft) {
  const ErrorScreenLayout l = ComputeErrorScreenLayout(800, 600, 500, 300, 100, 50);
  EXPECT_TRUE(l.showBackground);
  EXPECT_FLOAT_EQ(l.background.x, 150);
  EXPECT_FLOAT_EQ(l.background.y, 150);
  EXPECT_FLOAT_EQ(l.background.width, 500);
  EXPECT_FLOAT_EQ(l.background.height, 300);
  EXPECT_FLOAT_EQ(l.logo.x, 0);
  EXPECT_FLOAT_EQ(l.logo.y, 550);
  EXPECT_FLOAT_EQ(l.logo.width, 100);
  EXPECT_FLOAT_EQ(l.logo.height, 50);

  // A picture larger than the window: centred, with negative offsets.
  const ErrorScreenLayout big = ComputeErrorScreenLayout(640, 480, 1000, 700, 100, 50);
  EXPECT_FLOAT_EQ(big.background.x, -180);
  EXPECT_FLOAT_EQ(big.background.y, -110);
}

TEST(ErrorScreenLayout, SmallWindowsGetOnlyTheReducedLogo) {
  const ErrorScreenLayout preview = ComputeErrorScreenLayout(152, 112, 500, 300, 100, 50);
  EXPECT_FALSE(preview.showBackground);
  EXPECT_NEAR(preview.logo.x, 61.75f, 1e-4f);
  EXPECT_NEAR(preview.logo.y, 40.375f, 1e-4f);
  EXPECT_NEAR(preview.logo.width, 55.56f, 0.01f);
  EXPECT_NEAR(preview.logo.height, 27.78f, 0.01f);

  EXPECT_TRUE(ComputeErrorScreenLayout(640, 480, 1, 1, 1, 1).showBackground);
  EXPECT_FALSE(ComputeErrorScreenLayout(639, 480, 1, 1, 1, 1).showBackground);
  EXPECT_FALSE(ComputeErrorScreenLayout(640, 479, 1, 1, 1, 1).showBackground);
}

namespace {
struct BitmapOwner {
  GpBitmap* bitmap = nullptr;
  ~BitmapOwner() { GdipDisposeImage(bitmap); }
};

void MakeSolid(BitmapOwner& owner, int w, int h, ARGB colour) {
  GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &owner.bitmap);
  GpGraphics* g = nullptr;
  GdipGetImageGraphicsContext(owner.bitmap, &g);
  GdipGraphicsClear(g, colour);
  GdipDeleteGraphics(g);
}

ARGB PixelAt(GpBitmap* bitmap, int x, int y) {
  ARGB c = 0;
  GdipBitmapGetPixel(bitmap, x, y, &c);
  return c;
}

// Runs a drawing loop onto a grey W x H bitmap's graphics for a moment.
template <typename Run>
void RunGraphicsOnto(BitmapOwner& target, int w, int h, Run run) {
  MakeSolid(target, w, h, 0xFF808080);
  GpGraphics* g = nullptr;
  GdipGetImageGraphicsContext(target.bitmap, &g);
  std::atomic<bool> stop{false};
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    stop = true;
  });
  run(g, stop);
  stopper.join();
  GdipDeleteGraphics(g);
}

void RunOnto(BitmapOwner& target, int w, int h, GpBitmap* background, GpBitmap* logo) {
  RunGraphicsOnto(target, w, h, [&](GpGraphics* g, const std::atomic<bool>& stop) {
    RunErrorScreen(g, w, h, background, logo, stop);
  });
}

constexpr ARGB kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlack = 0xFF000000;

// Bounding box of the pixels of one colour.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Box Find(GpBitmap* bitmap, int w, int h, ARGB colour) {
  Box b;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (PixelAt(bitmap, x, y) == colour) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}
}  // namespace

TEST(ErrorScreenDrawing, PreviewSizeDrawsOnlyTheReducedLogoOnBlack) {
  BitmapOwner background, logo, target;
  MakeSolid(background, 120, 90, kRed);
  MakeSolid(logo, 100, 50, kGreen);
  RunOnto(target, 152, 112, background.bitmap, logo.bitmap);

  const Box g = Find(target.bitmap, 152, 112, kGreen);
  EXPECT_NEAR(g.left, 62, 1);  // 61.75
  EXPECT_NEAR(g.top, 41, 1);   // 40.375
  EXPECT_NEAR(g.right + 1, 117, 1);  // 61.75 + 55.56
  EXPECT_NEAR(g.bottom + 1, 68, 1);  // 40.375 + 27.78
  EXPECT_EQ(Find(target.bitmap, 152, 112, kRed).right, -1);
  EXPECT_EQ(PixelAt(target.bitmap, 5, 5), kBlack);
  EXPECT_EQ(PixelAt(target.bitmap, 150, 110), kBlack);
}

TEST(ErrorScreenDrawing, FullSizeCentresTheBackgroundWithTheLogoBottomLeft) {
  BitmapOwner background, logo, target;
  MakeSolid(background, 200, 100, kRed);
  MakeSolid(logo, 100, 50, kGreen);
  RunOnto(target, 640, 480, background.bitmap, logo.bitmap);

  const Box r = Find(target.bitmap, 640, 480, kRed);
  EXPECT_EQ(r.left, 220);
  EXPECT_EQ(r.top, 190);
  EXPECT_EQ(r.right, 419);
  EXPECT_EQ(r.bottom, 289);
  const Box g = Find(target.bitmap, 640, 480, kGreen);
  EXPECT_EQ(g.left, 0);
  EXPECT_EQ(g.top, 430);
  EXPECT_EQ(g.right, 99);
  EXPECT_EQ(g.bottom, 479);
  EXPECT_EQ(PixelAt(target.bitmap, 10, 10), kBlack);
  EXPECT_EQ(PixelAt(target.bitmap, 639, 479), kBlack);
}

// The main monitor's screen with the rest of the window black (the others of
// "only the main monitor"), and with no pictures at all every part black: the
// window never keeps what was behind it.
TEST(ErrorScreenDrawing, UncoveredPartsAndAScreenWithoutPicturesArePaintedBlack) {
  BitmapOwner background, logo, target;
  MakeSolid(background, 40, 20, kRed);
  MakeSolid(logo, 10, 10, kGreen);
  for (bool pictures : {true, false}) {
    RunGraphicsOnto(target, 200, 100, [&](GpGraphics* g, const std::atomic<bool>& stop) {
      RunErrorScreens({{g, 0, 0, 100, 100}}, pictures ? background.bitmap : nullptr,
                      pictures ? logo.bitmap : nullptr, stop, {{g, 100, 0, 100, 100}});
    });
    EXPECT_EQ(PixelAt(target.bitmap, 150, 50), kBlack);
    EXPECT_EQ(Find(target.bitmap, 100, 100, kGreen).right >= 0, pictures);  // the reduced logo
    EXPECT_EQ(PixelAt(target.bitmap, 2, 2), kBlack);
  }
  EXPECT_EQ(UncoveredParts({0, 0, 200, 100}, {{0, 0, 100, 100}}).size(), 1u);
}

TEST(ErrorScreenDrawing, StopRequestedBeforehandDrawsNothing) {
  BitmapOwner background, logo, target;
  MakeSolid(background, 20, 20, kRed);
  MakeSolid(logo, 10, 10, kGreen);
  MakeSolid(target, 64, 64, 0xFF808080);
  GpGraphics* g = nullptr;
  GdipGetImageGraphicsContext(target.bitmap, &g);
  std::atomic<bool> stop{true};
  RunErrorScreen(g, 64, 64, background.bitmap, logo.bitmap, stop);
  GdipDeleteGraphics(g);
  EXPECT_EQ(PixelAt(target.bitmap, 32, 32), 0xFF808080);
}

// The whole screen on a real window, with the archive's pictures (the build puts the
// archive beside the tests): a preview-sized window shows the reduced logo and nothing else.
TEST(ErrorScreenDrawing, ShowErrorScreenOnAPreviewSizedWindow) {
  LoadLanguage();  // opens the archive beside the executable
  GpBitmap* probe = WorkSpace::GetResourceArchive().ReadEntryBitmap(L"Resource/logo.png");
  ASSERT_NE(probe, nullptr) << "no resource archive beside the tests";
  UINT lw = 0, lh = 0;
  GdipGetImageWidth(probe, &lw);
  GdipGetImageHeight(probe, &lh);
  GdipDisposeImage(probe);

  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"VarnelleErrorScreenTest";
  RegisterClassW(&cls);
  RECT rc{0, 0, 152, 112};
  AdjustWindowRect(&rc, WS_POPUP, FALSE);
  HWND hwnd = CreateWindowW(cls.lpszClassName, L"ErrorScreen", WS_POPUP | WS_VISIBLE, 0, 0, rc.right - rc.left,
                            rc.bottom - rc.top, nullptr, nullptr, cls.hInstance, nullptr);
  ASSERT_TRUE(hwnd);
  std::atomic<bool> stop{false};
  std::thread screen([&] { ShowErrorScreen(hwnd, stop); });
  std::this_thread::sleep_for(std::chrono::milliseconds(400));

  // What the window shows, copied out through GDI.
  HDC windowDc = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(windowDc);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 152, -112, 1, 32, BI_RGB};
  uint32_t* pixels = nullptr;
  HBITMAP dib = CreateDIBSection(windowDc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, 152, 112, windowDc, 0, 0, SRCCOPY);
  stop = true;
  screen.join();

  // Lit pixels lie only inside the reduced logo's rectangle.
  const ErrorScreenLayout l = ComputeErrorScreenLayout(152, 112, 1, 1, static_cast<float>(lw), static_cast<float>(lh));
  int lit = 0, litOutside = 0;
  for (int y = 0; y < 112; ++y)
    for (int x = 0; x < 152; ++x) {
      if ((pixels[y * 152 + x] & 0xFFFFFF) == 0) continue;
      ++lit;
      if (x < l.logo.x - 1 || x > l.logo.x + l.logo.width + 1 || y < l.logo.y - 1 || y > l.logo.y + l.logo.height + 1)
        ++litOutside;
    }
  EXPECT_GT(lit, 0);
  EXPECT_EQ(litOutside, 0);
  EXPECT_EQ(pixels[0] & 0xFFFFFF, 0u);

  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(hwnd, windowDc);
  DestroyWindow(hwnd);
}

// The error screen shows on a machine that has just failed its check, often a
// laptop: a still picture must leave the processor alone, yet the stop is noticed
// at once.
TEST(ErrorScreenDrawing, RestsBetweenRedrawsAndStopsPromptly) {
  BitmapOwner background, logo, target;
  MakeSolid(background, 200, 100, kRed);
  MakeSolid(logo, 100, 50, kGreen);
  MakeSolid(target, 640, 480, 0xFF808080);
  GpGraphics* g = nullptr;
  GdipGetImageGraphicsContext(target.bitmap, &g);
  std::atomic<bool> stop{false};
  auto cpuSeconds = [] {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto value = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
  };
  std::chrono::steady_clock::time_point stoppedAt;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    stoppedAt = std::chrono::steady_clock::now();
    stop = true;
  });
  const double before = cpuSeconds();
  RunErrorScreen(g, 640, 480, background.bitmap, logo.bitmap, stop);
  const auto returned = std::chrono::steady_clock::now();
  const double used = cpuSeconds() - before;
  stopper.join();
  GdipDeleteGraphics(g);
  EXPECT_LT(used, 1.5 * 0.25) << "the still picture kept a core busy";
  EXPECT_LT(std::chrono::duration<double>(returned - stoppedAt).count(), 0.05);
  EXPECT_EQ(PixelAt(target.bitmap, 230, 200), kRed);  // drawn all the same
}
