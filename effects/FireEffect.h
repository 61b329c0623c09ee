#pragma once
#include <d3d9.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>

#include "effects/ArchiveEntry.h"
#include "effects/SceneEffect.h"
#include "gfx/Effect.h"

// Full-window procedural flames: one screen quad drawn through one technique of
// "Resource/FireEffect.fx" per style, with a noise volume and a flame colour ramp.
class FireEffect final : public SceneEffect {
public:
  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect);
  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect, EntrySource& source);
  // The flames at frame-clock time `time` (seconds).
  void Render(double time);

  bool Initialise(const SceneSetup& setup) override;
  void ApplyChoices(const SettingsStore& settings) override;
  void Draw(double time) override { Render(time); }
  void Release() override;

  // 0 Fire, 1 FireBall, 2 Detonation; anything else draws nothing.
  int32_t style = 1;

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
  // The effect's techniques and parameters, found once when it is created.
  struct Handles {
    int fire = -1, fireBall = -1, detonation = -1;
    gfx::Effect::Param time, noise, flame;
    gfx::Effect::Param sideFade, sideFadeSharpness, wobbleScale, burnSpeed, randomnessRate, yFade, xScale, yScale;
    gfx::Effect::Param colorDistribution, fade, flameSpeed, spread, flamability, timeSampleDist;
    gfx::Effect::Param pressure, powerBoost, intensity, speed, noisiness, explositivity;
  };
  void FindHandles();
  void PrepareShaders();
  void FinishStyle();
  void RenderFire(float t);
  void RenderFireBall(float t);
  void RenderDetonation(float t);

  Handles handles_;
};
