#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/SceneEffect.h"
#include "effects/UserTextures.h"
#include "render/Camera.h"
#include "render/MonitorLayout.h"
#include "render/Window.h"
#include "settings/SettingsStore.h"

// Everything one monitor's scene draws from: the device on its window, the camera,
// the build's effect family, the user's pictures and the settings they came from.
// The camera's turn and the cross-fade outlive rebuilds.
struct Scene {
  Window window;
  Camera camera;
  std::unique_ptr<SceneEffect> effect;  // the build's family, made at first use
  SettingsStore settings;
  UserTextures pictures;
  int32_t showImages = 0;
  int pictureStart = 0;  // the monitor's place in the order: where its slideshow begins
  RECT area{};           // the monitor's part of the window, when the window spans several
  Microsoft::WRL::ComPtr<IDirect3DSurface9> target;  // drawn into, then copied to the area
};

// Turns the stored settings into one scene per monitor the window shows and
// composes each frame: backdrop, the family's effect, the logo. A child window (the
// display settings' preview) or a desktop of one monitor has one scene, drawn
// straight into the window. Over several monitors one device on the window draws
// each monitor's scene into a target of that monitor's size, as if it were alone,
// and copies it to the monitor's place; the virtual screen's gaps stay black and one
// present shows the whole, so no monitor waits for another's vertical blank.
namespace SceneManager {
// The main monitor's scene (the only one on a single monitor).
Scene& GetScene();
// Lays the window out over the monitors it covers; `mainMonitorOnly` leaves the
// others black. Before Attach; without it Attach draws on the window alone.
void PlaceMonitors(HWND window, const std::vector<MonitorArea>& monitors, bool mainMonitorOnly);
// The parts of the window that show something (a scene or the error screen), the
// main monitor's first; the whole client area on a single monitor.
std::vector<RECT> DrawAreas();
// Releases the previous device objects and puts a new device on the window, shared
// by every monitor's scene.
bool Attach(HWND window);
bool Init(const std::wstring& settingsPath, bool applySettings);
bool InitEffects();
void Reset();
void LoadPictures();
// The dialog's preview: its flame style, picture switch and pictures replace
// those read from the settings file.
void ApplyPreviewChoices(int32_t fireStyle, int32_t showImages, const std::vector<std::wstring>& pictures);
void Update();
// Draws and presents every monitor: one frame of the whole.
void DrawFrame(bool blankFrame);
// Whether the family keeps per-frame surfaces that ReleaseFrameSurfaces gives back.
bool HoldsFrameSurfaces();
void ReleaseFrameSurfaces();
bool Teardown();
}  // namespace SceneManager
