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
  // The highest refresh rate of the monitors drawn, in Hz; 0 when unknown.
  virtual unsigned RefreshRate() = 0;
  // Sleeps without using the processor until `seconds` have passed, or sooner when
  // a stop or a change of the display state wakes it.
  virtual void Wait(double seconds) = 0;
  // Whether the display is off; nothing is drawn then.
  virtual bool DisplayOff() = 0;
  // Sleeps without using the processor until the display is on again or a stop
  // comes (it may return sooner; the loop asks again).
  virtual void WaitForDisplay() = 0;
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
// test on blanked frames (at least 20 frames), then frames until a stop is
// requested. Frames come no faster than the display's refresh rate (FramePacing.h),
// the loop sleeping until the next is due, so a driver that does not wait for the
// vertical blank does not make it spin. While the display is off it draws nothing
// and sleeps until it is on again. A display change rebuilds the scene over the new
// monitors; a lost device is polled every kDevicePollMilliseconds until it can be
// made again, then rebuilt.
constexpr unsigned kDevicePollMilliseconds = 100;
int RunRenderLoop(RenderLoopHost& host, RenderLoopState state);

// Thread procedure of a run's render thread; the argument is the run (Lifecycle).
unsigned long __stdcall RenderThreadProc(void* run);
