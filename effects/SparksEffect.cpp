#include "effects/SparksEffect.h"

#include <d3dx9.h>

#include <cmath>

#include "platform/Counters.h"
#include "render/Camera.h"
#include "effects/ArchiveEntry.h"
#include "effects/ParticleSystem.h"

float& SparksClock() {
  static float clock = 0.0f;
  return clock;
}

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

bool SparksEffect::Initialise(const SceneSetup& setup) {
  setup.camera.LookAt(0.0f, -10.0f, 300.0f);
  const bool ready = InitEffect(&setup.camera, setup.device);
  GetParticleSystem().SetColorScheme(setup.settings.GetValue(L"SelectSparksEffect"));
  return ready;
}

bool SparksEffect::InitEffect(Camera* cameraIn, IDirect3DDevice9* deviceIn) {
  device = deviceIn;
  camera = cameraIn;
  ConfigureSparksEmitter(GetParticleSystem());
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

  ArchiveEntry sprite(L"Resource/Particle.tga");
  if (sprite.data &&
      FAILED(D3DXCreateTextureFromFileInMemoryEx(device, sprite.data, sprite.size, 0, 0, 3, 0, D3DFMT_UNKNOWN,
                                                 D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                 texture.ReleaseAndGetAddressOf())))
    texture.Reset();
  platform::counters::TagTexture(texture.Get());
  return Ready();
}

void SparksEffect::Draw() {
  if (!camera) return;
  D3DXMATRIX m;
  D3DXMatrixTranspose(&m, &camera->worldViewProjection);
  ParticleSystem& particles = GetParticleSystem();
  StepSparks(particles, SparksClock());
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
  effect->Begin();
  effect->BeginPass(0);
  effect->CommitChanges();
  device->SetVertexDeclaration(declaration.Get());
  if (n > 0)
    device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, n * 4, n * 2, indices, D3DFMT_INDEX16, vertices,
                                   sizeof(ParticleVertex));
  effect->EndPass();
  effect->End();
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void SparksEffect::Release() {
  camera = nullptr;
  declaration.Reset();
  texture.Reset();
  effect.reset();
}
