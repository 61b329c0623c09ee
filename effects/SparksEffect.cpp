#include "effects/SparksEffect.h"

#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/Counters.h"
#include "render/Camera.h"
#include "render/ScreenQuad.h"
#include "effects/ArchiveEntry.h"
#include "effects/ParticleSystem.h"

void ConfigureSparksEmitter(ParticleSystem& particles) {
  particles.emitRate = 6000.0f;
  particles.speedBase = 200.0f;
  particles.speedSpread = 50.0f;
  particles.sizeBase = 5.0f;
  particles.sizeSpread = 2.0f;
  particles.lifeBase = 1.0f;  // with spread 3 some lives start negative: those die at once
  particles.lifeSpread = 3.0f;
  particles.velocityRetention = 1.0f;
  // The glow sprite holds under 0.3 % of its light beyond 0.85 of its half-size
  // (3 levels at most, before the colour): 28 % less to fill for each spark.
  particles.spriteReach = 0.85f;
  particles.SetColorScheme(0);
}

D3DXVECTOR3 SparksEmitPoint(float t) {
  return D3DXVECTOR3(300.0f * std::cos(3.314f * t) * std::sin(1.321f * t),
                     100.0f * std::sin(1.31f * t) * std::cos(1.714f * t) - 100.0f,
                     300.0f * std::sin(2.312f * t) * std::cos(2.8142f * t) + 50.0f);
}

void StepSparks(ParticleSystem& particles, float& clock) {
  if (clock > 10.0f) {  // wrap with the emitter's time, so no negative step occurs
    clock = 0.0f;
    particles.lastTime = 0.0f;
  }
  clock += 0.001f;
  particles.Update(clock);  // new sparks leave from last frame's point
  const D3DXVECTOR3 p = SparksEmitPoint(clock);
  particles.emitPosition[0] = p.x;
  particles.emitPosition[1] = p.y;
  particles.emitPosition[2] = p.z;
}

SparksEffect::SparksEffect(bool sumGlows) : sumGlows_(sumGlows), particles_(std::make_unique<ParticleSystem>()) {}

SparksEffect::~SparksEffect() = default;

bool SparksEffect::Initialise(const SceneSetup& setup) {
  setup.camera.LookAt(0.0f, -10.0f, 300.0f);
  const bool ready = InitEffect(&setup.camera, setup.device, setup.clientRect);
  particles_->SetColorScheme(setup.settings.Choices().selectSparksEffect);
  return ready;
}

SIZE SparksEffect::GlowTargetSize(int windowWidth, int windowHeight) {
  // Smaller windows (the preview) have few pixels to save and sparks of a pixel or two.
  if (windowWidth < 640 || windowHeight < 600) return SIZE{0, 0};
  // A spark spans a share of the window's height: summed at 300 rows or more it is
  // still a round glow of several pixels. A third at most, so that large screens
  // keep their sparks' cores.
  const int divisor = std::clamp(windowHeight / 300, 2, 3);
  return SIZE{(windowWidth + divisor - 1) / divisor, (windowHeight + divisor - 1) / divisor};
}

bool SparksEffect::InitEffect(Camera* cameraIn, IDirect3DDevice9* deviceIn, RECT rect) {
  device = deviceIn;
  camera = cameraIn;
  clientRect = rect;
  ConfigureSparksEmitter(*particles_);
  if (!device) return false;

  const D3DVERTEXELEMENT9 elements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      {0, 20, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
      D3DDECL_END()};
  device->CreateVertexDeclaration(elements, declaration.ReleaseAndGetAddressOf());

  effect = CreateEffectFromArchive(device, L"Resource/ParticleShader.fx");
  if (effect) {
    technique_ = effect->GetTechniqueByName("TechniqueNoInst");
    worldViewProjection_ = effect->GetParameter("matWorldViewProjection", gfx::ParamType::Float4x4);
    particleTexture_ = effect->GetParameter("texParticle", gfx::ParamType::Texture);
  }

  const WorkSpace::ArchiveBytes sprite = ResourceArchiveSource().ReadEntry(L"Resource/Particle.tga");
  if (sprite &&
      FAILED(D3DXCreateTextureFromFileInMemoryEx(device, sprite.get(), sprite.size, 0, 0, 3, 0, D3DFMT_UNKNOWN,
                                                 D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                 texture.ReleaseAndGetAddressOf())))
    texture.Reset();
  platform::counters::TagTexture(texture.Get());

  glowTarget.Reset();
  glowSize = sumGlows_ ? GlowTargetSize(rect.right - rect.left, rect.bottom - rect.top) : SIZE{0, 0};
  // Without the target (it could not be made) the sparks go straight into the frame.
  if (glowSize.cx > 0 && SUCCEEDED(device->CreateTexture(glowSize.cx, glowSize.cy, 1, D3DUSAGE_RENDERTARGET,
                                                         D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, glowTarget.GetAddressOf(),
                                                         nullptr)))
    platform::counters::TagTexture(glowTarget.Get());
  else
    glowTarget.Reset();
  return Ready();
}

void SparksEffect::Draw(double) {
  if (!camera) return;
  D3DXMATRIX m;
  D3DXMatrixTranspose(&m, &camera->worldViewProjection);
  ParticleSystem& particles = *particles_;
  StepSparks(particles, clock_);
  if (!Ready()) return;  // something failed to load: nothing to draw with

  const ParticleVertex* vertices = particles.BuildVertices();
  const uint16_t* indices = particles.BuildIndices();
  const UINT n = static_cast<UINT>(particles.DrawnCount());

  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);  // purely additive: overlaps brighten
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  effect->SetTechnique(technique_);
  effect->SetMatrix(worldViewProjection_, m);
  effect->SetTexture(particleTexture_, texture.Get());
  if (glowTarget)
    DrawIntoGlowTarget(n, vertices, indices);
  else
    DrawParticles(n, vertices, indices);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

std::vector<RECT> SparksEffect::LitRuns(const ParticleVertex* vertices, size_t quads, const D3DXMATRIX& m,
                                        SIZE target) {
  const int cols = (target.cx + kGlowTile - 1) / kGlowTile, rows = (target.cy + kGlowTile - 1) / kGlowTile;
  if (cols <= 0 || rows <= 0) return {};
  std::vector<uint8_t> lit(static_cast<size_t>(cols) * rows, 0);
  const float w = static_cast<float>(target.cx), h = static_cast<float>(target.cy);
  for (size_t q = 0; q < quads; ++q) {
    constexpr float kFar = std::numeric_limits<float>::max();
    float left = kFar, right = -kFar, top = kFar, bottom = -kFar;
    int nearer = 0;  // corners on the eye's side of the near plane
    bool behindEye = false;
    for (int k = 0; k < 4; ++k) {
      const float* p = vertices[q * 4 + k].position;
      const float cx = p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41;
      const float cy = p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42;
      const float cz = p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43;
      const float cw = p[0] * m._14 + p[1] * m._24 + p[2] * m._34 + m._44;
      nearer += !(cz >= 0.0f);
      if (!(cw > 1e-4f)) {
        behindEye = true;
        continue;
      }
      const float x = (cx / cw * 0.5f + 0.5f) * w, y = (0.5f - cy / cw * 0.5f) * h;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
    if (nearer == 4) continue;  // wholly clipped away by the near plane
    if (behindEye) return {RECT{0, 0, target.cx, target.cy}};  // across the eye's plane: anywhere
    // One pixel more each way: the stretched read blends a texel with its neighbours.
    left = std::max(left - 1.0f, 0.0f);
    top = std::max(top - 1.0f, 0.0f);
    right = std::min(right + 1.0f, w - 1.0f);
    bottom = std::min(bottom + 1.0f, h - 1.0f);
    if (left > right || top > bottom) continue;  // off the target
    const int c0 = static_cast<int>(left) / kGlowTile, c1 = static_cast<int>(right) / kGlowTile;
    const int r0 = static_cast<int>(top) / kGlowTile, r1 = static_cast<int>(bottom) / kGlowTile;
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) lit[static_cast<size_t>(r) * cols + c] = 1;
  }
  std::vector<RECT> runs;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      if (!lit[static_cast<size_t>(r) * cols + c]) continue;
      const int start = c;
      while (c + 1 < cols && lit[static_cast<size_t>(r) * cols + c + 1]) ++c;
      runs.push_back(RECT{start * kGlowTile, r * kGlowTile, std::min<LONG>((c + 1) * kGlowTile, target.cx),
                          std::min<LONG>((r + 1) * kGlowTile, target.cy)});
    }
  return runs;
}

void SparksEffect::DrawParticles(UINT n, const ParticleVertex* vertices, const uint16_t* indices) {
  effect->Begin();
  effect->BeginPass(0);
  effect->CommitChanges();
  device->SetVertexDeclaration(declaration.Get());
  if (n > 0)
    device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, n * 4, n * 2, indices, D3DFMT_INDEX16, vertices,
                                   sizeof(ParticleVertex));
  effect->EndPass();
  effect->End();
}

void SparksEffect::DrawIntoGlowTarget(UINT n, const ParticleVertex* vertices, const uint16_t* indices) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IDirect3DSurface9> window, glow;
  if (FAILED(device->GetRenderTarget(0, &window)) || FAILED(glowTarget->GetSurfaceLevel(0, &glow))) return;
  D3DVIEWPORT9 viewport{};
  device->GetViewport(&viewport);
  device->SetRenderTarget(0, glow.Get());  // its own viewport: the same projection over fewer pixels
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  DrawParticles(n, vertices, indices);
  device->SetRenderTarget(0, window.Get());
  device->SetViewport(&viewport);
  // Most of the window is dark: the sum is laid over only where sparks are.
  const std::vector<RECT> runs = LitRuns(vertices, n, camera->worldViewProjection, glowSize);
  if (!runs.empty())
    LayTextureOver(device, glowTarget.Get(), static_cast<float>(clientRect.right - clientRect.left),
                   static_cast<float>(clientRect.bottom - clientRect.top), D3DBLEND_ONE, D3DBLEND_ONE, runs);
}

void SparksEffect::Release() {
  camera = nullptr;
  declaration.Reset();
  texture.Reset();
  glowTarget.Reset();
  effect.reset();
}
