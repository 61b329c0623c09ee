#pragma once
#include <windows.h>

#include <atomic>
#include <vector>

#include "app/SceneManager.h"
#include "platform/Handles.h"
#include "render/MonitorLayout.h"
#include "settings/SettingsStore.h"

// One run of the saver (its window) or of the dialog's preview: the window drawn
// into, its scenes, the render thread and the flags the two threads share. The
// window thread owns it and reaches it through its window; the render thread gets
// it as its argument, and owns the scenes from its start until the stop sequence
// has waited for it.
struct Lifecycle {
  HWND renderWindow = nullptr;
  SceneManager scenes;
  platform::UniqueKernelHandle renderThread;
  // The only value the window thread writes while the render thread runs. Relaxed
  // atomic: a plain byte on x86, but the render loop may not cache it.
  std::atomic<bool> stopRequested{false};
  bool errorScreen = true;
  // Frame-clock time of the last frame, for the loop's pacing.
  double lastFrameTime = 0.0;
  // Where ScreenSaverProc sends what it does not handle: the host's default
  // saver procedure.
  WNDPROC defaultProc = DefWindowProcW;
  // Set by the window thread on a display change (the window already moved over
  // the new virtual screen), taken by the render thread.
  std::atomic<bool> displayChanged{false};
  // Where the monitors come from; the tests choose their own.
  std::vector<MonitorArea> (*readMonitors)() = ReadMonitors;
  // The highest refresh rate of the monitors drawn (0: unknown), for the pacing;
  // written at the start and by the render thread when it lays the scenes out anew.
  std::atomic<unsigned> refreshHz{0};
  // The console's display state as Windows last said it: while it is off the render
  // thread draws nothing.
  std::atomic<bool> displayOff{false};
  // Wakes the render thread from its waits (the pace, the display off): set on a
  // stop and on a change of the display state. Auto-reset; the thread looks at the
  // flags after every wake.
  platform::UniqueKernelHandle wake;
  HPOWERNOTIFY displayNotification = nullptr;

  Lifecycle() = default;
  Lifecycle(const Lifecycle&) = delete;
  Lifecycle& operator=(const Lifecycle&) = delete;
  // A run never outlives its render thread.
  ~Lifecycle();
};

// The saver window's procedure below the host: start and stop sequences. `run` is
// the window's own.
LRESULT ScreenSaverProc(Lifecycle& run, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The one start of a run on its window, for the saver and the dialog's preview:
// the capability check, the scenes made from `choices` (the dialog's copy for its
// preview; null reads the user's settings file), then the render thread, which
// draws the scene, or the error screen when it was not built. The language is
// loaded already.
void StartRun(Lifecycle& run, HWND window, const SettingsStore* choices);
// Stop sequence: ask the render thread to end, wait for it, release the scene.
void StopRenderThread(Lifecycle& run);
// WM_POWERBROADCAST: the console's display state (off, on, dimmed) sets the run's
// flag and wakes the render thread. True when the message was that; it neither
// closes the run nor counts as input.
bool OnPowerBroadcast(Lifecycle& run, WPARAM event, LPARAM setting);
// WM_DISPLAYCHANGE on a top-level saver or preview window: the window is moved over
// the new virtual screen and the render thread told to lay the scenes out anew.
void OnDisplayChange(Lifecycle& run, HWND window);
