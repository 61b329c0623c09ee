#include "app/RenderLoop.h"

#include <windows.h>

#include <cwchar>

#include "app/Lifecycle.h"
#include "app/SceneManager.h"
#include "platform/DpiAwareness.h"
#include "render/CapabilityCheck.h"
#include "render/ErrorScreen.h"
#include "render/FrameClock.h"

namespace {
int RunFrames(RenderLoopHost& host, RenderLoopState s);
}  // namespace

int RunRenderLoop(RenderLoopHost& host, RenderLoopState s) {
  // Nothing the scene throws (memory running out above all) may leave the thread:
  // the error screen shows instead, and the window still closes on input.
  try {
    return RunFrames(host, s);
  } catch (...) {
  }
  s.errorScreen = true;
  try {
    host.ShowErrorScreen();
  } catch (...) {
  }
  return 0;
}

namespace {
// The one error screen that is the machine's doing rather than the saver's: said
// on the debugger output, where a watcher can tell it from a scene that failed.
void FailSpeedTest(RenderLoopHost& host, RenderLoopState& s, int32_t frames) {
  wchar_t line[96];
  swprintf(line, sizeof line / sizeof line[0], L"Failed start-up speed test (%d frames in the first second). RunRenderLoop()\n",
           static_cast<int>(frames));
  host.Report(line);
  s.errorScreen = true;
  host.ShowErrorScreen();
}

// Waits for a device that can be made, sleeping between polls, and rebuilds the
// scene; a display change meanwhile lays it out anew. False when a stop came first.
bool RecoverDevice(RenderLoopHost& host, RenderLoopState& s) {
  while (!s.stopRequested.load(std::memory_order_relaxed)) {
    const bool relayout = host.DisplayChanged();
    if ((relayout || host.DeviceCanBeMade()) && host.RebuildScene(relayout)) return true;
    host.Pause(kDevicePollMilliseconds);
  }
  return false;
}

int RunFrames(RenderLoopHost& host, RenderLoopState s) {
  bool checking = true;
  bool lost = false;
  int32_t frameCount = 0;

  if (!host.CheckSystemRequirements()) {
    s.errorScreen = true;
    host.ShowErrorScreen();
    return 0;
  }
  if (s.errorScreen) {
    host.ShowErrorScreen();
    return 0;
  }

  const int64_t counterFrequency = host.CounterFrequency();
  int64_t startTicks = host.CounterTicks();
  double startTime = host.ClockTime();

  if (!s.stopRequested.load(std::memory_order_relaxed)) {
    do {
      bool rebuilt = false;
      if (host.DisplayChanged()) {
        if (host.RebuildScene(true)) rebuilt = true;
        else lost = true;
      }
      if (lost) {
        if (!RecoverDevice(host, s)) break;
        lost = false;
        rebuilt = true;
      }
      // The speed test judges the machine, not a second lost to a display change or
      // a device lost: it starts again with the rebuilt scene.
      if (rebuilt && checking) {
        frameCount = 0;
        startTicks = host.CounterTicks();
        startTime = host.ClockTime();
      }
      const double t = host.ClockTime();
      if (t - s.lastFrameTime > 0.001) {
        s.lastFrameTime = t;
        host.UpdateScene();
        if (checking) {
          lost = !host.DrawFrame(true);
          if (s.releaseFrameSurfaces) host.ReleaseFrameSurfaces();
          // Two views of the same second: the raw counter including the frame just
          // presented, then the frame clock taken before it.
          const float elapsed =
              static_cast<float>(host.CounterTicks() - startTicks) / static_cast<float>(counterFrequency);
          if (elapsed > 1.0f && frameCount < 20) {
            FailSpeedTest(host, s, frameCount);
            return 0;
          }
          if (t - startTime > 1.0) {
            if (frameCount < 20) {
              FailSpeedTest(host, s, frameCount);
              return 0;
            }
            checking = false;
          }
          ++frameCount;
        } else {
          lost = !host.DrawFrame(false);
          if (s.releaseFrameSurfaces) host.ReleaseFrameSurfaces();
          ++frameCount;
        }
      }
    } while (!s.stopRequested.load(std::memory_order_relaxed));
  }

  if (s.errorScreen) host.ShowErrorScreen();
  return 0;
}
}  // namespace

namespace {
void ReportDisplayChange(size_t monitors, const wchar_t* operation) {
  wchar_t line[80];
  swprintf(line, sizeof line / sizeof line[0], L"Display changed: %u monitors. %ls()\n",
           static_cast<unsigned>(monitors), operation);
  OutputDebugStringW(line);
}

class PlatformRenderLoopHost final : public RenderLoopHost {
public:
  explicit PlatformRenderLoopHost(Lifecycle& run) : run_(run) {}
  double ClockTime() override { return GetFrameClock().Time(); }
  int64_t CounterFrequency() override {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }
  int64_t CounterTicks() override {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
  }
  bool CheckSystemRequirements() override { return ::CheckSystemRequirements(); }
  void ShowErrorScreen() override {
    // On every monitor, each laid out as a screen of its size, the rest black; laid
    // out again whenever the display changes under it.
    for (;;) {
      ::ShowErrorScreen(run_.renderWindow, run_.scenes.DrawAreas(), run_.stopRequested, &run_.displayChanged);
      if (!run_.displayChanged.exchange(false, std::memory_order_acquire)) return;
      const std::vector<MonitorArea> monitors = run_.readMonitors();
      ReportDisplayChange(monitors.size(), L"ShowErrorScreen");
      run_.scenes.PlaceMonitorsForErrorScreen(monitors);
    }
  }
  void UpdateScene() override { run_.scenes.Update(); }
  bool DrawFrame(bool blankFrame) override { return run_.scenes.DrawFrame(blankFrame); }
  bool DeviceCanBeMade() override { return run_.scenes.DeviceCanBeMade(); }
  bool RebuildScene(bool relayout) override {
    if (!relayout) return run_.scenes.Rebuild();
    const std::vector<MonitorArea> monitors = run_.readMonitors();
    ReportDisplayChange(monitors.size(), L"RebuildScene");
    return run_.scenes.Relayout(monitors);
  }
  bool DisplayChanged() override { return run_.displayChanged.exchange(false, std::memory_order_acquire); }
  void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
  void ReleaseFrameSurfaces() override { run_.scenes.ReleaseFrameSurfaces(); }
  void Report(const wchar_t* line) override { OutputDebugStringW(line); }

private:
  Lifecycle& run_;
};
}  // namespace

unsigned long __stdcall RenderThreadProc(void* argument) {
  Lifecycle& run = *static_cast<Lifecycle*>(argument);
  // Sizes read here (a device reset's back buffer) are in the window's own units:
  // a preview child may be of another DPI awareness than the process.
  const ScopedDpiAwarenessOf windowsKind(run.renderWindow);
  PlatformRenderLoopHost host(run);
  return RunRenderLoop(host, {run.stopRequested, run.errorScreen, run.lastFrameTime, run.scenes.HoldsFrameSurfaces()});
}
