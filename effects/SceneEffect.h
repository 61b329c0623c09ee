#pragma once
#include <d3d9.h>

#include "render/Camera.h"
#include "settings/SettingsStore.h"

// What one effect family needs to take part in the scene.
struct SceneSetup {
  IDirect3DDevice9* device;   // the render window's, borrowed
  RECT clientRect;
  Camera& camera;             // reset to the window's projection; the family places it
  const SettingsStore& settings;
  // The largest texture the device makes (MaxTextureWidth x MaxTextureHeight); 0 x 0
  // when unknown. Nothing the family makes may be larger.
  SIZE textureLimit{};
};

// One effect family, as the scene manager sees it: made once for the build's
// family, initialised on each new device, drawn over the backdrop each frame.
class SceneEffect {
public:
  virtual ~SceneEffect() = default;

  // Creates what the family draws with and takes its settings. False when it
  // cannot draw (the scene goes on without it).
  virtual bool Initialise(const SceneSetup& setup) = 0;
  // Choices that may change while the scene runs (the dialog's preview).
  virtual void ApplyChoices(const SettingsStore&) {}
  // Once a frame, before the camera's matrices reach the device.
  virtual void UpdateCamera(Camera&) {}
  // Once a frame, after them.
  virtual void Update() {}
  virtual void Draw(double time) = 0;
  virtual void Release() = 0;
  // Families that keep the frame's render targets between the frame and the next
  // give them back after each frame.
  virtual bool HoldsFrameSurfaces() const { return false; }
  virtual void ReleaseFrameSurfaces() {}
};
