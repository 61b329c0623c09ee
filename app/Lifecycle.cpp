#include "app/Lifecycle.h"

#include <cstring>

#include "app/RenderLoop.h"
#include "platform/StartupTrace.h"
#include "render/CapabilityCheck.h"
#include "resources/Language.h"
#include "settings/SettingsLocation.h"

Lifecycle::~Lifecycle() { StopRenderThread(*this); }

namespace {
// GUID_CONSOLE_DISPLAY_STATE, spelt out: the import library does not define it.
constexpr GUID kConsoleDisplayState{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

void Wake(Lifecycle& run) {
  if (run.wake) SetEvent(run.wake.get());
}
}  // namespace

bool OnPowerBroadcast(Lifecycle& run, WPARAM event, LPARAM setting) {
  if (event != PBT_POWERSETTINGCHANGE || setting == 0) return false;
  const auto* s = reinterpret_cast<const POWERBROADCAST_SETTING*>(setting);
  if (!IsEqualGUID(s->PowerSetting, kConsoleDisplayState) || s->DataLength < sizeof(DWORD)) return false;
  DWORD state;
  memcpy(&state, s->Data, sizeof state);
  // 0 off, 1 on, 2 dimmed: a dimmed display is still seen.
  const bool off = state == 0;
  if (run.displayOff.exchange(off, std::memory_order_release) != off) {
    OutputDebugStringW(off ? L"Display off: drawing stops. OnPowerBroadcast()\n"
                           : L"Display on: drawing resumes. OnPowerBroadcast()\n");
    Wake(run);
  }
  return true;
}

void StartRun(Lifecycle& run, HWND window, const SettingsStore* choices) {
  // No stop or display change of an earlier run carries over into this one.
  run.stopRequested.store(false, std::memory_order_relaxed);
  run.displayChanged.store(false, std::memory_order_relaxed);
  run.displayOff.store(false, std::memory_order_relaxed);
  if (!run.wake) run.wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  run.renderWindow = window;
  const std::vector<MonitorArea> monitors = run.readMonitors();
  run.refreshHz.store(HighestRefreshRate(monitors), std::memory_order_relaxed);
  TraceStartStep(L"monitors");
  bool sceneBuilt = false;
  const bool capable = CheckSystemRequirements();
  TraceStartStep(L"adapter-check");
  if (!capable) {
    run.scenes.PlaceMonitors(window, monitors);  // the error screen on every monitor
    OutputDebugStringW(L"Failed system requirements. ScreenSaverProc()\n");
  } else if (choices) {
    sceneBuilt = run.scenes.Init(window, monitors, *choices) == SceneStart::Built;
  } else {
    SettingsStore stored;
    stored.Load(SettingsFileToRead(GetSettingsFiles()));
    TraceStartStep(L"settings");
    sceneBuilt = run.scenes.Init(window, monitors, stored) == SceneStart::Built;
  }
  // Started whatever happened above: on failure it shows the error screen, so the
  // user always gets a window that closes on input.
  run.errorScreen = !sceneBuilt;
  // Windows answers at once with the display's present state.
  if (!run.displayNotification)
    run.displayNotification = RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  run.renderThread.reset(CreateThread(nullptr, 0, RenderThreadProc, &run, 0, nullptr));
}

void StopRenderThread(Lifecycle& run) {
  run.stopRequested.store(true, std::memory_order_relaxed);
  Wake(run);
  if (run.displayNotification) {
    UnregisterPowerSettingNotification(run.displayNotification);
    run.displayNotification = nullptr;
  }
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
      TraceStartStep(L"window");
      LoadLanguage();
      StartRun(run, hwnd, nullptr);
      return 0;
    case WM_DESTROY: StopRenderThread(run); return 0;
    case WM_ERASEBKGND: return 1;  // the render thread owns every pixel
    case WM_POWERBROADCAST:
      if (OnPowerBroadcast(run, wParam, lParam)) return TRUE;
      return run.defaultProc(hwnd, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
      OnDisplayChange(run, hwnd);
      return run.defaultProc(hwnd, message, wParam, lParam);
    default: return run.defaultProc(hwnd, message, wParam, lParam);
  }
}
