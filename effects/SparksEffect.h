#pragma once
#include <d3d9.h>
#include <d3dx9math.h>
#include <wrl/client.h>

#include <memory>

#include "gfx/Effect.h"

struct Camera;
class ParticleSystem;

// The sparks scene: the particle fountain, pouring upward from a point that
// wanders along a fixed path, drawn additively through "Resource/ParticleShader.fx".
class SparksEffect {
public:
  bool InitEffect(Camera* camera, IDirect3DDevice9* device);
  void Draw();
  void Release();
  // Everything the draw needs was created.
  bool Ready() const { return effect && texture && declaration; }

  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  Camera* camera = nullptr;            // null: not initialised
  Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
  std::unique_ptr<gfx::Effect> effect;
  Microsoft::WRL::ComPtr<IDirect3DVertexDeclaration9> declaration;
};

// The sparks' simulation time: 0.001 per drawn frame, process-wide.
float& SparksClock();

// The emitter values of the sparks scene, colour scheme 0 included.
void ConfigureSparksEmitter(ParticleSystem& particles);
// Where the emission point is at sparks time t.
D3DXVECTOR3 SparksEmitPoint(float t);
// One frame of simulation: wrap past 10, advance, update, move the emission point.
void StepSparks(ParticleSystem& particles, float& clock);
