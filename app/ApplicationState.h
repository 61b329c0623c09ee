#pragma once
#include <atomic>
#include <cstdint>
#include <windows.h>

#include "render/Window.h"
#include "settings/SettingsStore.h"

enum EffectFamily : int32_t { Blobs = 0, Sparks = 1, DesktopBackground = 2, Fire = 3 };

// The family this executable draws; fixed at build time (app/EffectFamilyChoice.cpp).
extern const int32_t kBuildEffectFamily;

// The process-wide record shared by the window thread and the render thread.
// Ownership of the device and the scene passes to the render thread when it is
// created and back when the window thread's wait for it returns.
struct ApplicationState {
  ApplicationState();
  ~ApplicationState();
  ApplicationState(const ApplicationState&) = delete;
  ApplicationState& operator=(const ApplicationState&) = delete;

  HWND renderWindow = nullptr;
  HANDLE renderThread = nullptr;
  // The only value the window thread writes while the render thread runs. Relaxed
  // atomic: a plain byte on x86, but the render loop may not cache it.
  std::atomic<bool> stopRequested{false};
  bool errorScreen = true;
  HINSTANCE moduleInstance = nullptr;
  HWND configDialog = nullptr;
  Window window;
  int32_t effectFamily;
  SettingsStore settings;
  double lastFrameTime = 0.0;
  int32_t slideIndex = 0;
  int32_t nextSlideIndex = 1;
  float slideFade = 0.0f;
  float cameraAngle = 0.0f;
};

ApplicationState& GetApplicationState();

// The saver window's procedure below the host: start and stop sequences.
LRESULT CALLBACK ScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Start sequence after the window exists (shared with the preview dialog).
void StartRenderThread();
// Stop sequence: ask the render thread to end, wait for it, release the scene.
void StopRenderThread();
