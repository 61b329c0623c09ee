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
  // Without `sumGlows` the sparks go straight into the frame at any size.
  explicit SparksEffect(bool sumGlows = true);
  ~SparksEffect() override;

  // Places the camera, makes what the sparks are drawn with and takes the colour
  // scheme (SelectSparksEffect).
  bool Initialise(const SceneSetup& setup) override;
  void UpdateCamera(Camera& camera) override { camera.Update(false); }
  // One step of the fountain's own clock, then the particles.
  void Draw(double) override;
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

private:
  friend struct EffectProbe;  // the unit tests' look inside

  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect);

  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  Camera* camera = nullptr;            // null: not initialised
  Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
  std::unique_ptr<gfx::Effect> effect;
  Microsoft::WRL::ComPtr<IDirect3DVertexDeclaration9> declaration;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> glowTarget;  // none: straight into the frame
  SIZE glowSize{};
  RECT clientRect{};
  bool sumGlows_;

  void DrawParticles(UINT count, const ParticleVertex* vertices, const uint16_t* indices);
  // Each scene's fountain is its own (one per monitor), stepped once a frame by its
  // own clock.
  std::unique_ptr<ParticleSystem> particles_;
  float clock_ = 0.0f;
  void DrawIntoGlowTarget(UINT count, const ParticleVertex* vertices, const uint16_t* indices);

  int technique_ = -1;
  gfx::Effect::Param worldViewProjection_, particleTexture_;
};

// The emitter values of the sparks scene, colour scheme 0 included.
void ConfigureSparksEmitter(ParticleSystem& particles);
// Where the emission point is at sparks time t.
D3DXVECTOR3 SparksEmitPoint(float t);
// One frame of simulation: wrap past 10, advance, update, move the emission point.
void StepSparks(ParticleSystem& particles, float& clock);
