#include "app/Lifecycle.h"

#include "app/RenderLoop.h"
#include "app/SceneManager.h"
#include "render/CapabilityCheck.h"
#include "render/MonitorLayout.h"
#include "resources/Language.h"
#include "settings/SettingsLocation.h"

namespace {
void OnCreate(HWND hwnd) {
  Lifecycle& lifecycle = GetLifecycle();
  ClearRunFlags();
  lifecycle.renderWindow = hwnd;
  LoadLanguage();
  const std::vector<MonitorArea> monitors = lifecycle.readMonitors();
  bool sceneBuilt = false;
  if (!CheckSystemRequirements()) {
    SceneManager::PlaceMonitors(hwnd, monitors, false);  // the error screen on every monitor
    OutputDebugStringW(L"Failed system requirements. ScreenSaverProc()\n");
  } else {
    const std::wstring settingsPath = GetSettingsPath();
    SettingsStore stored;
    stored.Load(settingsPath);
    SceneManager::PlaceMonitors(hwnd, monitors, stored.Choices().mainMonitorOnly == 1);
    if (!SceneManager::Attach(hwnd)) OutputDebugStringW(L"Failed create device. SceneManager::Attach()\n");
    else if (!SceneManager::Init(stored, true)) OutputDebugStringW(L"Failed create scene. SceneManager::Init()\n");
    else sceneBuilt = true;
  }
  // Started whatever happened above: on failure it shows the error screen, so the
  // user always gets a window that closes on input.
  StartRenderThread(sceneBuilt);
}
}  // namespace

Lifecycle& GetLifecycle() {
  static Lifecycle lifecycle;
  return lifecycle;
}

void ClearRunFlags() {
  Lifecycle& lifecycle = GetLifecycle();
  lifecycle.stopRequested.store(false, std::memory_order_relaxed);
  lifecycle.displayChanged.store(false, std::memory_order_relaxed);
}

void StartRenderThread(bool sceneBuilt) {
  Lifecycle& lifecycle = GetLifecycle();
  lifecycle.errorScreen = !sceneBuilt;
  lifecycle.renderThread.reset(CreateThread(nullptr, 0, RenderThreadProc, nullptr, 0, nullptr));
}

void StopRenderThread() {
  Lifecycle& lifecycle = GetLifecycle();
  lifecycle.stopRequested.store(true, std::memory_order_relaxed);
  if (lifecycle.renderThread) {
    WaitForSingleObject(lifecycle.renderThread.get(), INFINITE);
    lifecycle.renderThread.reset();
  }
  SceneManager::Teardown();
}

void OnDisplayChange(HWND window) {
  if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) return;  // the preview's size is its parent's
  SetWindowPos(window, nullptr, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
               GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
               SWP_NOZORDER | SWP_NOACTIVATE);
  GetLifecycle().displayChanged.store(true, std::memory_order_release);
}

LRESULT CALLBACK ScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_DESTROY: StopRenderThread(); return 0;
    case WM_ERASEBKGND: return 1;  // the render thread owns every pixel
    case WM_DISPLAYCHANGE:
      OnDisplayChange(hwnd);
      return GetLifecycle().defaultProc(hwnd, message, wParam, lParam);
    default: return GetLifecycle().defaultProc(hwnd, message, wParam, lParam);
  }
}
