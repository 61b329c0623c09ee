#pragma once
#include <d3d9.h>
#include <d3dx9math.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>

#include "effects/SceneEffect.h"
#include "gfx/Effect.h"
#include "render/ScreenQuad.h"

// The desktop scene: "DesktopBitmap.bmp" from the current directory stretched
// over the window and drawn through "Resource/DesktopShader.fx", which ripples it
// around two points circling with the frame clock.
class DesktopEffect final : public SceneEffect {
public:
  bool Initialise(const SceneSetup& setup) override;
  void UpdateCamera(Camera& camera) override { camera.Update(false); }
  // The ripples at frame-clock time `time` (seconds).
  void Draw(double time) override;
  void Release() override;

  struct Size {
    int32_t width, height;
  };
  // The texture size asked for: twice each truncated half, so an odd size loses a pixel.
  static Size TextureSize(float halfWidth, float halfHeight);
  // The screen quad in fan order, half a pixel past the far edges.
  static void BuildQuad(float halfWidth, float halfHeight, ScreenVertex (&quad)[4]);
  // "PosOne" and "PosTwo" at clock time s.
  static void CirclingPoints(float s, D3DXVECTOR4& one, D3DXVECTOR4& two);

private:
  friend struct EffectProbe;  // the unit tests' look inside

  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect);

  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  Camera* camera = nullptr;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  float halfWidth = 0.0f, halfHeight = 0.0f;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
  std::unique_ptr<gfx::Effect> effect;
  float screenScale = 1.21f;

  struct Handles {
    int technique = -1;
    gfx::Effect::Param worldViewProjection, screenScale, picture, posOne, posTwo;
  };
  Handles handles_;
};
