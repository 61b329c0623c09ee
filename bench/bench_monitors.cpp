// The flames over two monitors, a 1024 x 768 main one with an 800 x 600 one beside
// it, on the software renderer. The frame time of one frame of both, as a ratio to
// the sum of the frame times of each size alone, measured in turns in one run (so
// the machine's moods fall on all three alike); and the time from building the
// scene to the first frame lit on every monitor, two monitors beside one.
//   bench_monitors [seconds per measurement] [turns]
// And the address space a process takes with three 3840 x 2160 monitors showing
// photos, its peak over the first seconds (each monitor then holds the picture
// shown, the one fading in and the one being decoded, and its target):
//   bench_monitors memory <folder of photos> [seconds]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/SceneManager.h"
#include "bench/BenchSupport.h"
#include "resources/Language.h"
#include "tests/unit/TestWindows.h"

namespace {
struct Layout {
  const char* name;
  int width, height;  // the window, over every monitor
  std::vector<MonitorArea> monitors;
};

const Layout kTwo{"1024x768+800x600", 1824, 768, {{{0, 0, 1024, 768}, true}, {{1024, 0, 1824, 600}, false}}};
const Layout kLarge{"1024x768", 1024, 768, {{{0, 0, 1024, 768}, true}}};
const Layout kSmall{"800x600", 800, 600, {{{0, 0, 800, 600}, true}}};

// The flames (style 0, or the choices given), the way the saver builds them on that layout.
bool Build(SceneManager& scenes, const Layout& layout, HWND hwnd, SettingsStore settings = {}) {
  if (settings.ImageCount() == 0) settings.Choices().showImages = 0;
  return scenes.Init(hwnd, layout.monitors, settings) == SceneStart::Built;
}

bool LitEverywhere(const Layout& layout, IDirect3DDevice9* device) {
  const BackBufferImage image = ReadBackBuffer(device);
  if (image.pixels.empty()) return false;
  for (const MonitorArea& m : layout.monitors) {
    bool lit = false;
    for (int y = m.rect.top; y < m.rect.bottom && !lit; y += 4)
      for (int x = m.rect.left; x < m.rect.right && !lit; x += 4) lit = BackBufferImage::Brightest(image.At(x, y)) > 60;
    if (!lit) return false;
  }
  return true;
}

struct Figures {
  double frameSeconds = 0.0;
  double startSeconds = 0.0;  // build to the first frame lit on every monitor, read-backs not counted
};

Figures Measure(const Layout& layout, double seconds) {
  Figures f;
  HWND hwnd = bench::MakeWindow(L"VarnelleMonitorsBench", layout.width, layout.height);
  double counted = 0.0;
  double since = bench::Now();
  SceneManager scenes;
  if (!Build(scenes, layout, hwnd)) {
    std::printf("the scene could not be built on %s\n", layout.name);
    DestroyWindow(hwnd);
    return f;
  }
  IDirect3DDevice9* device = scenes.GetScene().window.device.Get();
  for (int frame = 0; frame < 200; ++frame) {
    scenes.Update();
    scenes.DrawFrame(false);
    counted += bench::Now() - since;
    const bool lit = LitEverywhere(layout, device);
    since = bench::Now();
    if (lit) break;
  }
  f.startSeconds = counted;
  f.frameSeconds = 1.0 / bench::FramesPerSecond(
                             [&] {
                               scenes.Update();
                               scenes.DrawFrame(false);
                             },
                             seconds);
  scenes.Teardown();
  DestroyWindow(hwnd);
  bench::Pump();
  return f;
}
}  // namespace

double AddressSpaceMegabytes(double* total) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  GlobalMemoryStatusEx(&status);
  if (total) *total = static_cast<double>(status.ullTotalVirtual) / (1 << 20);
  return static_cast<double>(status.ullTotalVirtual - status.ullAvailVirtual) / (1 << 20);
}

int Memory(const wchar_t* folder, double seconds) {
  const Layout three{"3x3840x2160", 11520, 2160,
                     {{{0, 0, 3840, 2160}, true}, {{3840, 0, 7680, 2160}, false}, {{7680, 0, 11520, 2160}, false}}};
  LoadLanguage();
  double total = 0.0;
  const double before = AddressSpaceMegabytes(&total);
  HWND hwnd = bench::MakeWindow(L"VarnelleMonitorsMemory", three.width, three.height);
  SettingsStore photos;  // no flames: the pictures are what weighs
  photos.Choices().selectFireEffect = 3;
  photos.AddImage(folder);
  SceneManager scenes;
  if (!Build(scenes, three, hwnd, photos)) {
    std::printf("the scene could not be built on %s\n", three.name);
    return 1;
  }
  double peak = 0.0;
  int frames = 0;
  for (const double until = bench::Now() + seconds; bench::Now() < until; ++frames) {
    scenes.Update();
    scenes.DrawFrame(false);
    bench::Pump();
    peak = std::max(peak, AddressSpaceMegabytes(nullptr));
  }
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("address_space_mb %s with photos: at start %.0f, peak %.0f of %.0f (%d frames; peak private %.0f MB)\n",
              three.name, before, peak, total, frames, counters.PeakPagefileUsage / 1048576.0);
  scenes.Teardown();
  DestroyWindow(hwnd);
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc > 2 && std::wcscmp(argv[1], L"memory") == 0) return Memory(argv[2], argc > 3 ? _wtof(argv[3]) : 30.0);
  const double seconds = argc > 1 ? _wtof(argv[1]) : 3.0;
  const int turns = argc > 2 ? _wtoi(argv[2]) : 3;
  if (GetSystemMetrics(SM_CXSCREEN) < kTwo.width || GetSystemMetrics(SM_CYSCREEN) < kTwo.height) {
    std::printf("the screen is too small for %s\n", kTwo.name);
    return 1;
  }
  LoadLanguage();
  Measure(kSmall, 0.5);  // the first build pays for the archive's first reads
  std::vector<double> two, large, small, startTwo, startOne;
  for (int turn = 0; turn < turns; ++turn) {
    const Figures t = Measure(kTwo, seconds), l = Measure(kLarge, seconds), s = Measure(kSmall, seconds);
    two.push_back(t.frameSeconds);
    large.push_back(l.frameSeconds);
    small.push_back(s.frameSeconds);
    startTwo.push_back(t.startSeconds);
    startOne.push_back(l.startSeconds);
    std::printf("turn %d: frame_ms two %.2f, 1024x768 %.2f, 800x600 %.2f\n", turn + 1, t.frameSeconds * 1e3,
                l.frameSeconds * 1e3, s.frameSeconds * 1e3);
  }
  const double t = bench::Median(two), l = bench::Median(large), s = bench::Median(small);
  std::printf("flames_frame_ms two_monitors %s %.2f\n", kTwo.name, t * 1e3);
  std::printf("flames_frame_ms one_monitor %s %.2f\n", kLarge.name, l * 1e3);
  std::printf("flames_frame_ms one_monitor %s %.2f\n", kSmall.name, s * 1e3);
  std::printf("ratio_two_monitors_to_each_alone %.2f (goal: at most 1.15)\n", t / (l + s));
  const double st = bench::Median(startTwo), so = bench::Median(startOne);
  std::printf("start_to_lit_s two_monitors %.3f one_monitor %s %.3f ratio %.2f\n", st, kLarge.name, so, st / so);
  return 0;
}
