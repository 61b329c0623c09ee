#pragma once
#include <atomic>
#include <cstdint>

// What the frame loop needs from the outside world. The real render thread
// feeds it from the platform; tests feed it a scripted clock.
class RenderLoopHost {
public:
  virtual ~RenderLoopHost() = default;
  virtual double ClockTime() = 0;        // FrameClock seconds
  virtual int64_t CounterFrequency() = 0;  // raw performance counter
  virtual int64_t CounterTicks() = 0;
  virtual bool CheckSystemRequirements() = 0;
  virtual void ShowErrorScreen() = 0;
  virtual void UpdateScene() = 0;
  // False when the frame found the device lost (or there is none).
  virtual bool DrawFrame(bool blankFrame) = 0;
  // Whether the lost device may be made again (TestCooperativeLevel no longer
  // says lost).
  virtual bool DeviceCanBeMade() = 0;
  // The device and the scenes made again; `relayout` reads the monitors first.
  virtual bool RebuildScene(bool relayout) = 0;
  // Whether the display changed since the last call.
  virtual bool DisplayChanged() = 0;
  virtual void Pause(unsigned milliseconds) = 0;
  virtual void ReleaseFrameSurfaces() = 0;  // only for families that hold per-frame targets
  virtual void Report(const wchar_t* line) = 0;  // debugger output
};

struct RenderLoopState {
  std::atomic<bool>& stopRequested;
  bool& errorScreen;
  double& lastFrameTime;
  bool releaseFrameSurfaces;  // the family keeps per-frame surfaces
};

// The render thread's body: capability re-check, the one-second start-up speed
// test on blanked frames (at least 20 frames), then frames paced by a 1 ms
// minimum interval until a stop is requested. A display change rebuilds the scene
// over the new monitors; a lost device is polled every kDevicePollMilliseconds
// until it can be made again, then rebuilt.
constexpr unsigned kDevicePollMilliseconds = 100;
int RunRenderLoop(RenderLoopHost& host, RenderLoopState state);

// Thread procedure of a run's render thread; the argument is the run (Lifecycle).
unsigned long __stdcall RenderThreadProc(void* run);
