#include "app/Lifecycle.h"

#include "app/RenderLoop.h"
#include "render/CapabilityCheck.h"
#include "resources/Language.h"
#include "settings/SettingsLocation.h"

Lifecycle::~Lifecycle() { StopRenderThread(*this); }

void StartRun(Lifecycle& run, HWND window, const SettingsStore* choices) {
  // No stop or display change of an earlier run carries over into this one.
  run.stopRequested.store(false, std::memory_order_relaxed);
  run.displayChanged.store(false, std::memory_order_relaxed);
  run.renderWindow = window;
  const std::vector<MonitorArea> monitors = run.readMonitors();
  bool sceneBuilt = false;
  if (!CheckSystemRequirements()) {
    run.scenes.PlaceMonitors(window, monitors);  // the error screen on every monitor
    OutputDebugStringW(L"Failed system requirements. ScreenSaverProc()\n");
  } else if (choices) {
    sceneBuilt = run.scenes.Init(window, monitors, *choices) == SceneStart::Built;
  } else {
    SettingsStore stored;
    stored.Load(SettingsFileToRead(GetSettingsFiles()));
    sceneBuilt = run.scenes.Init(window, monitors, stored) == SceneStart::Built;
  }
  // Started whatever happened above: on failure it shows the error screen, so the
  // user always gets a window that closes on input.
  run.errorScreen = !sceneBuilt;
  run.renderThread.reset(CreateThread(nullptr, 0, RenderThreadProc, &run, 0, nullptr));
}

void StopRenderThread(Lifecycle& run) {
  run.stopRequested.store(true, std::memory_order_relaxed);
  if (run.renderThread) {
    WaitForSingleObject(run.renderThread.get(), INFINITE);
    run.renderThread.reset();
  }
  run.scenes.Teardown();
}

void OnDisplayChange(Lifecycle& run, HWND window) {
  if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) return;  // the preview's size is its parent's
  SetWindowPos(window, nullptr, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
               GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
               SWP_NOZORDER | SWP_NOACTIVATE);
  run.displayChanged.store(true, std::memory_order_release);
}

LRESULT ScreenSaverProc(Lifecycle& run, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      LoadLanguage();
      StartRun(run, hwnd, nullptr);
      return 0;
    case WM_DESTROY: StopRenderThread(run); return 0;
    case WM_ERASEBKGND: return 1;  // the render thread owns every pixel
    case WM_DISPLAYCHANGE:
      OnDisplayChange(run, hwnd);
      return run.defaultProc(hwnd, message, wParam, lParam);
    default: return run.defaultProc(hwnd, message, wParam, lParam);
  }
}
