#pragma once
#include <d3d9.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>

#include "effects/ArchiveEntry.h"
#include "effects/SceneEffect.h"
#include "gfx/Effect.h"

// The size the flames are computed at for a window of the given size. The flame
// field is smooth (its finest noise spans a few pixels even at a third of a
// full-HD width), so it is computed at a third of the window's width, though never
// under 256 pixels across (below that the noise would lose detail), and stretched
// over the window with linear filtering: most of the cost of a frame is then one
// filtered texture read per window pixel, as for a picture.
SIZE FlameTargetSize(int windowWidth, int windowHeight);

// Full-window procedural flames: one screen quad drawn through one technique of
// "Resource/FireEffect.fx" per style, with a noise volume and a flame colour ramp,
// into a smaller target (FlameTargetSize) that is then laid over the window.
class FireEffect final : public SceneEffect {
public:
  // Its files come from `source`; `shaderMaker` stands in for the device's shader
  // creation (tests refuse some).
  explicit FireEffect(EntrySource& source = ResourceArchiveSource(), gfx::ShaderMaker* shaderMaker = nullptr)
      : source_(source), shaderMaker_(shaderMaker) {}

  bool Initialise(const SceneSetup& setup) override;
  void ApplyChoices(const SettingsStore& settings) override;
  // The flames at frame-clock time `time` (seconds).
  void Draw(double time) override;
  void Release() override;

  // 0 Fire, 1 FireBall, 2 Detonation; anything else draws nothing. A style whose
  // shader the device refused is drawn as Fire.
  int32_t Style() const { return style; }

private:
  friend struct EffectProbe;  // the unit tests' look inside

  bool InitEffect(IDirect3DDevice9* device, RECT clientRect);

  EntrySource& source_;
  gfx::ShaderMaker* shaderMaker_;
  int32_t style = SettingsValues{}.selectFireEffect;
  // The largest flame target the device allows (0 x 0: no limit known).
  SIZE textureLimit{};

  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  RECT clientRect{};
  std::unique_ptr<gfx::Effect> effect;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> flameTexture;
  Microsoft::WRL::ComPtr<IDirect3DVolumeTexture9> noiseVolume;
  // The flames at FlameTargetSize, premultiplied by their opacity. Where it cannot
  // be made the flames are drawn straight into the frame at its full size.
  Microsoft::WRL::ComPtr<IDirect3DTexture9> flameTarget;

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

  // The effect's techniques and parameters, found once when it is created.
  struct Handles {
    int fire = -1, fireBall = -1, detonation = -1;
    gfx::Effect::Param time, noise, flame;
    gfx::Effect::Param sideFade, sideFadeSharpness, wobbleScale, burnSpeed, randomnessRate, yFade, xScale, yScale;
    gfx::Effect::Param colorDistribution, fade, flameSpeed, spread, flamability, timeSampleDist;
    gfx::Effect::Param pressure, powerBoost, intensity, speed, noisiness, explositivity;
  };
  void FindHandles();
  int TechniqueOf(int32_t style) const;
  // A style the device cannot draw becomes Fire, said once per style and effect.
  void FallBackFromRefusedStyle();
  bool CreateFlameTarget();
  void PrepareShaders();
  void FinishStyle();
  void DrawFlameTarget();
  void DrawFlameQuad(SIZE size, bool blendOver);
  void RenderFire(float t);
  void RenderFireBall(float t);
  void RenderDetonation(float t);

  Handles handles_;
  SIZE flameSize_{};  // flameTarget's size
  bool refusalSaid_[3] = {};
};
