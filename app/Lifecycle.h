#pragma once
#include <windows.h>

#include <atomic>

#include "platform/Handles.h"
#include "render/MonitorLayout.h"

// What the window thread and the render thread share for the whole process: the
// window drawn into, the render thread, the stop flag and the error flag. The
// lifecycle owns it; the scene and the dialog's state live with their owners.
struct Lifecycle {
  HWND renderWindow = nullptr;
  platform::UniqueKernelHandle renderThread;
  // The only value the window thread writes while the render thread runs. Relaxed
  // atomic: a plain byte on x86, but the render loop may not cache it.
  std::atomic<bool> stopRequested{false};
  bool errorScreen = true;
  // Frame-clock time of the last frame, for the loop's pacing.
  double lastFrameTime = 0.0;
  // Where ScreenSaverProc sends what it does not handle: the host's default
  // saver procedure, set before the first window exists.
  WNDPROC defaultProc = DefWindowProcW;
  // Set by the window thread on a display change (the window already moved over
  // the new virtual screen), taken by the render thread.
  std::atomic<bool> displayChanged{false};
  // Where the monitors come from; the tests choose their own.
  std::vector<MonitorArea> (*readMonitors)() = ReadMonitors;
};

Lifecycle& GetLifecycle();

// The saver window's procedure below the host: start and stop sequences.
LRESULT CALLBACK ScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Before a saver or a preview starts: no stop or display change of an earlier run
// carries over into this one.
void ClearRunFlags();
// Start sequence after the window exists (shared with the preview dialog): the
// render thread draws the scene, or the error screen when it was not built.
void StartRenderThread(bool sceneBuilt);
// Stop sequence: ask the render thread to end, wait for it, release the scene.
void StopRenderThread();
// WM_DISPLAYCHANGE on a top-level saver or preview window: the window is moved over
// the new virtual screen and the render thread told to lay the scenes out anew.
void OnDisplayChange(HWND window);
