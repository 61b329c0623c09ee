#include "app/RenderLoop.h"

#include <windows.h>
#include <mmsystem.h>

#include <cwchar>

#include "app/FramePacing.h"
#include "app/Lifecycle.h"
#include "app/SceneManager.h"
#include "platform/DpiAwareness.h"
#include "platform/StartupTrace.h"
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

  const bool capable = host.CheckSystemRequirements();
  TraceStartStep(L"thread-check");
  if (!capable) {
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
      bool restart = false;
      if (host.DisplayChanged()) {
        if (host.RebuildScene(true)) restart = true;
        else lost = true;
      }
      if (lost) {
        if (!RecoverDevice(host, s)) break;
        lost = false;
        restart = true;
      }
      if (host.DisplayOff()) {
        host.WaitForDisplay();
        restart = true;
      }
      // The speed test judges the machine, not a second lost to a display change, a
      // device lost or a display switched off: it starts again with the next frame.
      if (restart && checking) {
        frameCount = 0;
        startTicks = host.CounterTicks();
        startTime = host.ClockTime();
      }
      if (restart) continue;  // the stop and the display are looked at again first
      const double t = host.ClockTime();
      const PaceDecision pace = DecideFrame(FrameInterval(host.RefreshRate(), checking), s.lastFrameTime, t);
      if (!pace.draw) {
        host.Wait(pace.sleepSeconds);
        continue;
      }
      s.lastFrameTime = pace.frameTime;
      host.UpdateScene();
      if (checking) {
        lost = !host.DrawFrame(true);
        TraceFirstFrame();
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

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// The pace's sleep: a high-resolution waitable timer where Windows has one (10 and
// later); elsewhere an ordinary one with the system's timer raised to 1 ms for as
// long as the thread runs, so that a 16.7 ms wait does not become 31 ms.
class FrameTimer {
public:
  FrameTimer() {
    timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS));
    if (timer_) return;
    timer_.reset(CreateWaitableTimerW(nullptr, FALSE, nullptr));
    raised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
  }
  ~FrameTimer() {
    if (raised_) timeEndPeriod(1);
  }
  FrameTimer(const FrameTimer&) = delete;
  FrameTimer& operator=(const FrameTimer&) = delete;

  // Until `seconds` have passed or `wake` is set.
  void Wait(double seconds, HANDLE wake) {
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(seconds * 1e7);  // relative, in 100 ns
    if (due.QuadPart >= 0) return;
    if (timer_ && SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE)) {
      const HANDLE handles[2] = {timer_.get(), wake};
      WaitForMultipleObjects(wake ? 2 : 1, handles, FALSE, INFINITE);
      return;
    }
    // No timer at all: a sleep of whole milliseconds, rounded up so it never returns early.
    const auto ms = static_cast<DWORD>(seconds * 1000.0) + 1;
    if (wake) WaitForSingleObject(wake, ms);
    else Sleep(ms);
  }

private:
  platform::UniqueKernelHandle timer_;
  bool raised_ = false;
};

class PlatformRenderLoopHost final : public RenderLoopHost {
public:
  explicit PlatformRenderLoopHost(Lifecycle& run) : run_(run) {
    // VARNELLE_REFRESH_HZ stands in for the display's rate: the benchmark's
    // unpaced figure (1000: frames as fast as the device takes them) and a slow
    // display tried by hand.
    wchar_t value[16];
    if (GetEnvironmentVariableW(L"VARNELLE_REFRESH_HZ", value, 16) - 1u < 15u) forcedHz_ = wcstoul(value, nullptr, 10);
  }
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
    run_.refreshHz.store(HighestRefreshRate(monitors), std::memory_order_relaxed);
    return run_.scenes.Relayout(monitors);
  }
  bool DisplayChanged() override { return run_.displayChanged.exchange(false, std::memory_order_acquire); }
  void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
  unsigned RefreshRate() override {
    const unsigned hz = forcedHz_ ? forcedHz_ : run_.refreshHz.load(std::memory_order_relaxed);
    if (hz != reportedHz_) {
      reportedHz_ = hz;
      wchar_t line[80];
      swprintf(line, sizeof line / sizeof line[0], L"Frames paced to %u Hz (display says %u). RunRenderLoop()\n",
               hz > 1 ? hz : kDefaultRefreshHz, hz);
      OutputDebugStringW(line);
    }
    return hz;
  }
  void Wait(double seconds) override { timer_.Wait(seconds, run_.wake.get()); }
  bool DisplayOff() override { return run_.displayOff.load(std::memory_order_acquire); }
  void WaitForDisplay() override {
    if (run_.wake) WaitForSingleObject(run_.wake.get(), INFINITE);
    else Sleep(kDevicePollMilliseconds);
  }
  void ReleaseFrameSurfaces() override { run_.scenes.ReleaseFrameSurfaces(); }
  void Report(const wchar_t* line) override { OutputDebugStringW(line); }

private:
  Lifecycle& run_;
  FrameTimer timer_;
  unsigned reportedHz_ = ~0u;
  unsigned forcedHz_ = 0;
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
