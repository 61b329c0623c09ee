#pragma once
#include <d3d9.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/Effect.h"

struct Camera;

// Where the effect file and textures come from: the resource archive in the
// saver, a folder in tests. One entry is held at a time.
class FireEntrySource {
public:
  virtual ~FireEntrySource() = default;
  virtual const uint8_t* ReadEntry(const std::wstring& name, uint32_t& size) = 0;
  virtual void FreeEntry() = 0;
};

// Full-window procedural flames: one screen quad drawn through one technique of
// "Resource/FireEffect.fx" per style, with a noise volume and a flame colour ramp.
class FireEffect {
public:
  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect);
  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect, FireEntrySource& source);
  void Render();
  void Release();

  // 0 Fire, 1 FireBall, 2 Detonation; anything else draws nothing.
  int32_t style = 1;

  struct UvRect {
    float left, top, right, bottom;
  };
  struct ScreenRect {
    float left, top, right, bottom;
  };
  struct QuadVertex {
    float x, y, z, rhw, u, v;
  };
  // The four corners DrawScreenQuad sends, in fan order.
  static void BuildScreenQuad(const UvRect& uv, const ScreenRect& screen, QuadVertex (&quad)[4]);

  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  Camera* camera = nullptr;
  RECT clientRect{};
  std::unique_ptr<gfx::Effect> effect;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> flameTexture;
  Microsoft::WRL::ComPtr<IDirect3DVolumeTexture9> noiseVolume;

  // FireBall
  float colorDistribution = 2.76f;
  float fade = 2.4f;
  float flameSpeed = 0.32f;
  float spread = 1.5f;
  float flamability = 1.53f;
  float timeSampleDist = 0.3f;
  // Fire
  float sideFade = 10.0f;
  float sideFadeSharpness = 0.04f;
  float wobbleScale = 0.05f;
  float burnSpeed = 0.55f;
  float randomnessRate = 0.24f;
  float yFade = 0.6f;
  float xScale = 2.5f;
  float yScale = 0.6f;

private:
  void PrepareShaders();
  float StyleTime() const;
  void BeginStyle(const char* technique);
  void FinishStyle();
  void RenderFire();
  void RenderFireBall();
  void RenderDetonation();
  void DrawScreenQuad(const UvRect& uv, const ScreenRect& screen);
};
