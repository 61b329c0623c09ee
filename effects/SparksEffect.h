#pragma once
#include <d3d9.h>
#include <d3dx9math.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/SceneEffect.h"
#include "gfx/Effect.h"

class ParticleSystem;
struct ParticleVertex;

// The sparks scene: the particle fountain, pouring upward from a point that
// wanders along a fixed path, drawn additively through "Resource/ParticleShader.fx".
// In a window of 640 x 600 or more the glows are summed in a target of a half or a
// third of the window's size and the sum is added over the frame, stretched, where
// sparks are: the sparks are soft, and the adding clamps the same way (a full
// channel stays full).
class SparksEffect final : public SceneEffect {
public:
  SparksEffect();
  ~SparksEffect() override;
  // An empty rectangle draws straight into the frame, at any size.
  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect = RECT{});
  // One step of the sparks' own clock, then the particles.
  void Draw();

  // Places the camera, then InitEffect and the colour scheme (SelectSparksEffect).
  bool Initialise(const SceneSetup& setup) override;
  void UpdateCamera(Camera& camera) override { camera.Update(false); }
  void Draw(double) override { Draw(); }
  void Release() override;
  // Everything the draw needs was created.
  bool Ready() const { return effect && texture && declaration; }
  // The glows' target for a window, or none (0 x 0) for a small one.
  static SIZE GlowTargetSize(int windowWidth, int windowHeight);
  // The glow target's tiles (kGlowTile pixels square) that the particle quads can
  // light, as runs along each row: the sum is laid over the frame there alone.
  // Quads reaching behind the eye light everything.
  static constexpr int kGlowTile = 8;
  static std::vector<RECT> LitRuns(const ParticleVertex* vertices, size_t quads, const D3DXMATRIX& worldViewProjection,
                                   SIZE target);

  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  Camera* camera = nullptr;            // null: not initialised
  Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
  std::unique_ptr<gfx::Effect> effect;
  Microsoft::WRL::ComPtr<IDirect3DVertexDeclaration9> declaration;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> glowTarget;  // none: straight into the frame
  SIZE glowSize{};
  RECT clientRect{};

private:
  void DrawParticles(UINT count, const ParticleVertex* vertices, const uint16_t* indices);
  // A scene's sparks are its own (Initialise): one fountain per monitor, each
  // stepped once a frame by its own clock. The effect driven alone (InitEffect, as
  // the tests and benchmarks do) steps the process's shared fountain.
  std::unique_ptr<ParticleSystem> ownParticles_;
  float ownClock_ = 0.0f;
  ParticleSystem* particles_;
  float* clock_;
  void DrawIntoGlowTarget(UINT count, const ParticleVertex* vertices, const uint16_t* indices);

  int technique_ = -1;
  gfx::Effect::Param worldViewProjection_, particleTexture_;
};

// The shared fountain's simulation time: 0.001 per drawn frame.
float& SparksClock();

// The emitter values of the sparks scene, colour scheme 0 included.
void ConfigureSparksEmitter(ParticleSystem& particles);
// Where the emission point is at sparks time t.
D3DXVECTOR3 SparksEmitPoint(float t);
// One frame of simulation: wrap past 10, advance, update, move the emission point.
void StepSparks(ParticleSystem& particles, float& clock);
