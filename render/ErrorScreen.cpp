#include "render/ErrorScreen.h"

#include <memory>

#include "render/FrameClock.h"
#include "render/MonitorLayout.h"
#include "resources/LanguageTables.h"
#include "resources/ZipReader.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {
constexpr wchar_t kLogo[] = L"Resource/logo.png";

struct ImageDisposer {
  void operator()(GpImage* image) const { GdipDisposeImage(image); }
};
struct GraphicsDeleter {
  void operator()(GpGraphics* graphics) const { GdipDeleteGraphics(graphics); }
};
using UniqueImage = std::unique_ptr<GpImage, ImageDisposer>;
using UniqueGraphics = std::unique_ptr<GpGraphics, GraphicsDeleter>;
struct BrushDeleter {
  void operator()(GpBrush* brush) const { GdipDeleteBrush(brush); }
};
using UniqueBrush = std::unique_ptr<GpBrush, BrushDeleter>;

void DrawInto(GpGraphics* graphics, GpBitmap* image, const ErrorScreenRect& r) {
  GdipDrawImageRect(graphics, image, r.x, r.y, r.width, r.height);
}

float ImageWidth(GpBitmap* image) {
  UINT w = 0;
  GdipGetImageWidth(image, &w);
  return static_cast<float>(w);
}

float ImageHeight(GpBitmap* image) {
  UINT h = 0;
  GdipGetImageHeight(image, &h);
  return static_cast<float>(h);
}
}  // namespace

ErrorScreenLayout ComputeErrorScreenLayout(float W, float H, float bw, float bh, float lw, float lh) {
  ErrorScreenLayout layout{};
  layout.showBackground = W >= 640.0f && H >= 480.0f;
  layout.background = {(W - bw) * 0.5f, (H - bh) * 0.5f, bw, bh};
  if (layout.showBackground)
    layout.logo = {0.0f, H - lh, lw, lh};
  else  // the preview's reduced logo, a little right of the centre
    layout.logo = {W * 0.5f - lw / 3.2f + 17.0f, H * 0.5f - lh / 3.2f, lw / 1.8f, lh / 1.8f};
  return layout;
}

void RunErrorScreens(const std::vector<ErrorScreenTarget>& targets, GpBitmap* background, GpBitmap* logo,
                     const std::atomic<bool>& stop, const std::vector<ErrorScreenTarget>& uncovered,
                     const std::atomic<bool>* displayChanged) {
  const bool pictures = background && logo;
  // Each target is composed off-screen at its own size and laid out as a screen of
  // its own: a monitor of several looks as it would alone.
  struct Part {
    ErrorScreenTarget target;
    UniqueImage offscreen;
    UniqueGraphics composer;
    ErrorScreenLayout layout;
  };
  std::vector<Part> parts;
  parts.reserve(targets.size());
  for (const ErrorScreenTarget& target : targets) {
    if (!pictures) continue;  // black only: nothing to compose
    GpBitmap* offscreen = nullptr;
    GdipCreateBitmapFromGraphics(target.width, target.height, target.graphics, &offscreen);
    UniqueImage offscreenOwner(offscreen);
    GpGraphics* composer = nullptr;
    GdipGetImageGraphicsContext(offscreen, &composer);
    const float W = static_cast<float>(target.width), H = static_cast<float>(target.height);
    parts.push_back({target, std::move(offscreenOwner), UniqueGraphics(composer),
                     ComputeErrorScreenLayout(W, H, ImageWidth(background), ImageHeight(background), ImageWidth(logo),
                                              ImageHeight(logo))});
  }
  FrameClock& clock = GetFrameClock();
  double lastDraw = 0.0;
  bool drawn = false;  // the first picture goes up at once
  GpSolidFill* fill = nullptr;
  GdipCreateSolidFill(0xFF000000, &fill);
  const UniqueBrush black(fill);
  auto paintBlack = [&black](const ErrorScreenTarget& t) {
    if (black) GdipFillRectangleI(t.graphics, black.get(), t.x, t.y, t.width, t.height);
  };
  while (!stop.load(std::memory_order_relaxed) &&
         !(displayChanged && displayChanged->load(std::memory_order_relaxed))) {
    // A still picture: redrawn now and then (a window laid over it may have erased
    // it), and in between the thread rests, looking at the stop flag every few
    // milliseconds, so that the screen costs almost no processor time.
    const double t = clock.Time();
    if (drawn && t - lastDraw <= kErrorScreenRedrawSeconds) {
      Sleep(kErrorScreenPollMilliseconds);
      continue;
    }
    lastDraw = t;
    drawn = true;
    for (const ErrorScreenTarget& t : uncovered) paintBlack(t);
    if (!pictures)
      for (const ErrorScreenTarget& t : targets) paintBlack(t);
    for (Part& part : parts) {
      GpGraphics* composer = part.composer.get();
      GdipGraphicsClear(composer, 0xFF000000);
      if (part.layout.showBackground) DrawInto(composer, background, part.layout.background);
      DrawInto(composer, logo, part.layout.logo);
      GdipDrawImageRect(part.target.graphics, static_cast<GpBitmap*>(part.offscreen.get()),
                        static_cast<float>(part.target.x), static_cast<float>(part.target.y),
                        static_cast<float>(part.target.width), static_cast<float>(part.target.height));
    }
  }
  // Released in this order: each bitmap's graphics, then the bitmap.
  for (Part& part : parts) {
    part.composer.reset();
    part.offscreen.reset();
  }
}

void RunErrorScreen(GpGraphics* target, int width, int height, GpBitmap* background, GpBitmap* logo,
                    const std::atomic<bool>& stop) {
  RunErrorScreens({{target, 0, 0, width, height}}, background, logo, stop);
}

void ShowErrorScreen(HWND window, const std::vector<RECT>& areas, const std::atomic<bool>& stop,
                     const std::atomic<bool>* displayChanged) {
  auto& archive = WorkSpace::GetResourceArchive();
  UniqueImage background(archive.ReadEntryBitmap(ErrorPictureEntry(CurrentLanguageIndex())));
  UniqueImage logo(background ? archive.ReadEntryBitmap(kLogo) : nullptr);
  // Without its pictures the screen is still painted, black: never the desktop
  // left showing through a top-most window.
  if (!background || !logo) OutputDebugStringW(L"Failed to load error pictures. ShowErrorScreen()\n");

  GpGraphics* graphics = nullptr;
  GdipCreateFromHWNDICM(window, &graphics);
  UniqueGraphics windowOwner(graphics);
  std::vector<ErrorScreenTarget> targets, uncovered;
  for (const RECT& r : areas) targets.push_back({graphics, r.left, r.top, r.right - r.left, r.bottom - r.top});
  RECT client{};
  GetClientRect(window, &client);
  for (const RECT& r : UncoveredParts(client, areas))
    uncovered.push_back({graphics, r.left, r.top, r.right - r.left, r.bottom - r.top});
  RunErrorScreens(targets, static_cast<GpBitmap*>(background.get()), static_cast<GpBitmap*>(logo.get()), stop,
                  uncovered, displayChanged);
  background.reset();
  logo.reset();
  windowOwner.reset();
}

void ShowErrorScreen(HWND renderWindow, const std::atomic<bool>& stop) {
  RECT client{};
  GetClientRect(renderWindow, &client);
  ShowErrorScreen(renderWindow, std::vector<RECT>{client}, stop);
}
