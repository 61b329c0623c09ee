// Frame-loop benchmark on the software renderer: frames per second of the bare
// frame (clear, logo, present) at 800 x 600 and 1920 x 1080, and the time from
// process start to the first presented frame. Run through scripts/bench.sh.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "render/FrameClock.h"
#include "app/SceneManager.h"
#include "bench/BenchSupport.h"
#include "resources/Language.h"

namespace {
// Builds the scene on a window of the given size and draws frames for the given
// time; returns frames per second.
double Measure(int width, int height, double seconds, bool reportStart) {
  HWND hwnd = bench::MakeWindow(L"VarnelleBench", width, height);
  SceneManager scenes;
  if (scenes.Init(hwnd, {}, SettingsStore{}) != SceneStart::Built) {
    std::printf("device creation failed at %dx%d\n", width, height);
    return 0.0;
  }
  scenes.Update();
  scenes.DrawFrame(false);
  if (reportStart) std::printf("start_to_first_frame_s %.3f\n", bench::ProcessAgeSeconds());
  int frames = 0;
  const double start = bench::Now();
  double elapsed = 0.0;
  while ((elapsed = bench::Now() - start) < seconds) {
    scenes.Update();
    scenes.DrawFrame(false);
    ++frames;
    if ((frames & 15) == 0) bench::Pump();
  }
  scenes.Teardown();
  DestroyWindow(hwnd);
  return frames / elapsed;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const double seconds = argc > 1 ? _wtof(argv[1]) : 3.0;
  LoadLanguage();
  const double small = Measure(800, 600, seconds, true);
  std::printf("bare_frame_fps 800x600 %.1f\n", small);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w >= 1920 && h >= 1080) {
    const double large = Measure(1920, 1080, seconds, false);
    std::printf("bare_frame_fps 1920x1080 %.1f\n", large);
    std::printf("ratio_frame_time_1920x1080_to_800x600 %.2f\n", small / large);
  } else {
    std::printf("screen %dx%d is too small for the 1920x1080 figure\n", w, h);
  }
  return 0;
}
