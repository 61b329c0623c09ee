#pragma once
#include <d3d9.h>
#include <d3dx9math.h>
#include <wrl/client.h>

#include <memory>

#include "effects/SceneEffect.h"
#include "gfx/Effect.h"

class ParticleSystem;

// The sparks scene: the particle fountain, pouring upward from a point that
// wanders along a fixed path, drawn additively through "Resource/ParticleShader.fx".
class SparksEffect final : public SceneEffect {
public:
  bool InitEffect(Camera* camera, IDirect3DDevice9* device);
  // One step of the sparks' own clock, then the particles.
  void Draw();

  // Places the camera, then InitEffect and the colour scheme (SelectSparksEffect).
  bool Initialise(const SceneSetup& setup) override;
  void UpdateCamera(Camera& camera) override { camera.Update(false); }
  void Draw(double) override { Draw(); }
  void Release() override;
  // Everything the draw needs was created.
  bool Ready() const { return effect && texture && declaration; }

  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  Camera* camera = nullptr;            // null: not initialised
  Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
  std::unique_ptr<gfx::Effect> effect;
  Microsoft::WRL::ComPtr<IDirect3DVertexDeclaration9> declaration;

private:
  int technique_ = -1;
  gfx::Effect::Param worldViewProjection_, particleTexture_;
};

// The sparks' simulation time: 0.001 per drawn frame, process-wide.
float& SparksClock();

// The emitter values of the sparks scene, colour scheme 0 included.
void ConfigureSparksEmitter(ParticleSystem& particles);
// Where the emission point is at sparks time t.
D3DXVECTOR3 SparksEmitPoint(float t);
// One frame of simulation: wrap past 10, advance, update, move the emission point.
void StepSparks(ParticleSystem& particles, float& clock);
