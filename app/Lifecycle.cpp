#include <windows.h>

#include "app/ApplicationState.h"
#include "app/RenderLoop.h"
#include "app/SceneManager.h"
#include "host/ScreenSaverHost.h"
#include "render/CapabilityCheck.h"
#include "resources/Language.h"

namespace {
void OnCreate(HWND hwnd) {
  ApplicationState& app = GetApplicationState();
  app.renderWindow = hwnd;
  LoadLanguage();
  if (CheckSystemRequirements()) {
    const std::wstring settingsPath = GetSettingsPath();
    if (app.window.Create(hwnd) && SceneManager::Init(settingsPath, true)) app.errorScreen = false;
  }
  // Started whatever happened above: on failure it shows the error screen, so the
  // user always gets a window that closes on input.
  StartRenderThread();
}
}  // namespace

void StartRenderThread() {
  ApplicationState& app = GetApplicationState();
  app.renderThread = CreateThread(nullptr, 0, RenderThreadProc, nullptr, 0, nullptr);
}

void StopRenderThread() {
  ApplicationState& app = GetApplicationState();
  app.stopRequested.store(true, std::memory_order_relaxed);
  if (app.renderThread) {
    WaitForSingleObject(app.renderThread, INFINITE);
    CloseHandle(app.renderThread);
    app.renderThread = nullptr;
  }
  SceneManager::Teardown();
}

LRESULT CALLBACK ScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_DESTROY: StopRenderThread(); return 0;
    case WM_ERASEBKGND: return 1;  // the render thread owns every pixel
    default: return DefScreenSaverProc(hwnd, message, wParam, lParam);
  }
}
