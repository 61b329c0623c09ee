#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/SceneEffect.h"
#include "effects/UserTextures.h"
#include "render/Camera.h"
#include "render/Window.h"
#include "settings/SettingsStore.h"

// Everything the scene draws from: the device on its window, the camera, the
// build's effect family, the user's pictures and the settings they came from.
// One per process; the camera's turn and the cross-fade outlive rebuilds.
struct Scene {
  Window window;
  Camera camera;
  std::unique_ptr<SceneEffect> effect;  // the build's family, made at first use
  SettingsStore settings;
  UserTextures pictures;
  int32_t showImages = 0;
};

// Turns the stored settings into a scene and composes each frame: backdrop,
// the family's effect, the logo.
namespace SceneManager {
Scene& GetScene();
// Releases the previous device objects and puts a new device on the window.
bool Attach(HWND window);
bool Init(const std::wstring& settingsPath, bool applySettings);
bool InitEffects();
void Reset();
void LoadPictures();
// The dialog's preview: its flame style, picture switch and pictures replace
// those read from the settings file.
void ApplyPreviewChoices(int32_t fireStyle, int32_t showImages, const std::vector<std::wstring>& pictures);
void Update();
void DrawFrame(bool blankFrame);
// Whether the family keeps per-frame surfaces that ReleaseFrameSurfaces gives back.
bool HoldsFrameSurfaces();
void ReleaseFrameSurfaces();
bool Teardown();
}  // namespace SceneManager
