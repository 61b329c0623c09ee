#pragma once
#include <d3d9.h>
#include <d3dx9math.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "effects/SceneEffect.h"
#include "gfx/Effect.h"

// Five coloured metaballs. Each frame their splats are accumulated into
// floating-point normal and colour buffers; then a screen quad lights the buffers
// with the environment cube map and blends them over the frame. Where the device
// blends and filters those buffers, the splats are added by blending, all five in
// one draw, into buffers of half the window's size (the field is smooth; the
// lighting reads it filtered, at full size). Elsewhere they are summed blob by blob,
// ping-ponging between two pairs (a target cannot be read while written), at the
// window's size.
class BlobsEffect final : public SceneEffect {
public:
  static constexpr int kBlobs = 5;

  struct BlobVertex {
    float x, y, z, rhw;
    float u0, v0;  // splat corner, or 0..1 across the screen
    float u1, v1;  // own screen position, or the neighbouring texel
    float w2;      // 1 on the splats, 0 on the screen quad
    float r, g, b; // blob colour
  };
  static constexpr DWORD kBlobFvf =
      D3DFVF_XYZRHW | D3DFVF_TEX4 | D3DFVF_TEXCOORDSIZE1(2) | D3DFVF_TEXCOORDSIZE3(3);
  struct BlobRecord {
    float x, y, z, w;
    float r, g, b;
  };
  struct Vec2 {
    float x, y;
  };
  // Accumulation textures in their field order; kNoTarget for an empty slot.
  enum TargetIndex : int8_t { kNormalA, kColorA, kNormalB, kColorB, kNoTarget = -1 };
  using TargetTable = TargetIndex[2][2][2];  // [group][pass][target]
  // How the splats are summed, and the buffers' size as a divisor of the window's.
  struct Accumulation {
    bool additive = false;
    int32_t divisor = 1;
    bool operator==(const Accumulation&) const = default;
  };

  // `accumulation` takes this recipe whatever the device offers (tests compare them).
  explicit BlobsEffect(std::optional<Accumulation> accumulation = std::nullopt)
      : accumulationOverride(accumulation) {}

  // Takes BlobsSpeed, BlobsSize and SelectCubeMap, places the camera, then makes the
  // blobs and, with a device, what they are drawn with.
  bool Initialise(const SceneSetup& setup) override;
  // The world turns a step each frame.
  void UpdateCamera(Camera& camera) override { camera.Update(true); }
  void Update() override;
  void Draw(double) override { Render(); }
  void Release() override;
  bool HoldsFrameSurfaces() const override { return true; }
  void ReleaseFrameSurfaces() override;
  // The effect, the vertex buffer and every target exist: the frame can be drawn.
  bool CanDraw() const;

  // Pure decisions, tested on their own.
  static int PassModeFor(DWORD simultaneousTargets) { return simultaneousTargets >= 2 ? 1 : 2; }
  static D3DFORMAT FieldFormatFor(bool r16fTargetUsable) { return r16fTargetUsable ? D3DFMT_R16F : D3DFMT_R32F; }
  static void FillTargetTable(int passMode, TargetTable& table);
  // Blending needs the buffers' format to blend (and both targets to, when both are
  // written in one pass); half size needs it filtered and a splat wide enough
  // (half-size in window pixels) to stay smooth at half the pixels.
  static Accumulation AccumulationFor(bool formatBlends, bool multipleTargetsBlend, int passMode, bool formatFilters,
                                      float splatHalfSize);
  static SIZE AccumulationSize(RECT clientRect, int32_t divisor);
  // One axis of a blob: turn past +-1.8 (tested before the step), then step.
  static void Bounce(float& c, float& v);
  // The blob's six splat corners from its view-space position and the projection.
  // reach < 1 keeps the middle of the splat alone (corners and splat coordinates).
  static void BuildBlobQuad(const D3DXVECTOR3& viewPos, const D3DXMATRIX& projection, float sizeScale, float W,
                            float H, const BlobRecord& blob, BlobVertex (&out)[6], float reach = 1.0f);
  static void BuildScreenQuad(float W, float H, BlobVertex (&quad)[4]);
  // Pixels within reach (a share of the splat's half-size) of its middle, clipped
  // to the screen (empty when off it).
  static RECT SplatRect(const BlobVertex (&quad)[6], float reach, LONG W, LONG H);
  // Beyond 0.62 of its half-size a splat is below 2 exp(-8 * 0.62^2) < 0.1, so five
  // of them stay under the lighting's threshold of 0.5 there.
  static constexpr float kSurfaceReach = 0.62f;
  // Beyond 0.75 a splat adds under 0.023, a twentieth of the surface threshold.
  static constexpr float kFieldReach = 0.75f;
  // Gaussian splat texel (i, j) of 64 x 64.
  static float SplatTexel(int i, int j);
  // Settings from an edited file can lie outside the trackbars' 1..100.
  static float ClampSpeedDivisor(float divisor);
  static float ClampSizeScale(float scale);

private:
  friend struct EffectProbe;  // the unit tests' look inside

  void Init(Camera* camera, IDirect3DDevice9* device, RECT clientRect);
  void Render();

  bool initialised = false;
  IDirect3DDevice9* device = nullptr;  // borrowed from the render window
  Camera* camera = nullptr;
  RECT clientRect{};
  std::unique_ptr<gfx::Effect> effect;
  Microsoft::WRL::ComPtr<IDirect3DVertexBuffer9> blobVertexBuffer;
  BlobRecord blobs[kBlobs]{};
  Microsoft::WRL::ComPtr<IDirect3DTexture9> accumulation[4];  // normalA, colorA, normalB, colorB
  Microsoft::WRL::ComPtr<IDirect3DTexture9> zeroTexture;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> blobTexture;
  D3DFORMAT fieldFormat = D3DFMT_R16F;
  Microsoft::WRL::ComPtr<IDirect3DCubeTexture9> envMap;
  int32_t passMode = 2;
  int32_t targetCount = 1;
  Accumulation accumulationMode;
  std::optional<Accumulation> accumulationOverride;
  SIZE accumulationSize{};
  Microsoft::WRL::ComPtr<IDirect3DSurface9> targetSurfaces[2][2][2];
  int blendTechnique = -1;
  BlobVertex screenQuad[4]{};
  Vec2 positions[kBlobs]{};
  Vec2 velocities[kBlobs]{};
  float sizeScale = 1.0f;
  float speedDivisor = 0.01f;
  int32_t envMapIndex = 0;
  Microsoft::WRL::ComPtr<IDirect3DSurface9> savedRenderTargets[2];
  Microsoft::WRL::ComPtr<IDirect3DSurface9> savedDepthStencil;
  Microsoft::WRL::ComPtr<IDirect3DSurface9> frameSurfaces[4];
  // Screen rectangles around each blob's splat: where it can lift the field over
  // the lighting's threshold, and where it adds anything worth adding.
  RECT blobRects[kBlobs]{};   // window pixels
  RECT fieldRects[kBlobs]{};  // buffer pixels

  struct Handles {
    int light = -1;
    gfx::Effect::Param worldViewProjection, sourceBlob, normalBuffer, colorBuffer, envMap;
  };
  Handles handles_;

  void ChooseTargetMode();
  void InitBlobs();
  void LoadEffect();
  void CreateBlobTextures();
  void CreateRenderTargets();
  void BuildBlobQuads();
  void Accumulate(int group, int firstVertex);
  void AccumulateAdditively();
  float SplatHalfSizeAtTheMiddle() const;
};
