#include "effects/BlobsEffect.h"

#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <cwchar>

#include "render/Camera.h"
#include "effects/ArchiveEntry.h"
#include "platform/Handles.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kSplatSize = 64;
constexpr float kBound = 1.8f;

// Corner signs and splat coordinates of the six vertices: two triangles.
constexpr float kQuadCorners[6][4] = {{-1, -1, 0, 0}, {1, -1, 1, 0}, {-1, 1, 0, 1},
                                      {-1, 1, 0, 1},  {1, -1, 1, 0}, {1, 1, 1, 1}};

// Below this half-size (window pixels) a splat at half the pixels would show its
// steps: a blob's visible disc is about 0.4 of the half-size across.
constexpr float kHalfSizeMinSplat = 24.0f;

constexpr float kBlobColours[4][3] = {{0.3f, 0, 0}, {0, 0.3f, 0}, {0, 0, 0.3f}, {0.3f, 0.3f, 0}};

}  // namespace

void BlobsEffect::FillTargetTable(int mode, TargetTable& t) {
  for (auto& group : t)
    for (auto& pass : group)
      for (TargetIndex& target : pass) target = kNoTarget;
  // Group 0 writes the B pair, group 1 the A pair.
  const TargetIndex normal[2] = {kNormalB, kNormalA}, colour[2] = {kColorB, kColorA};
  for (int g = 0; g < 2; ++g) {
    t[g][0][0] = normal[g];
    if (mode == 1)
      t[g][0][1] = colour[g];
    else
      t[g][1][0] = colour[g];
  }
}

BlobsEffect::Accumulation BlobsEffect::AccumulationFor(bool formatBlends, bool multipleTargetsBlend, int mode,
                                                      bool formatFilters, float splatHalfSize) {
  Accumulation a;
  a.additive = formatBlends && (mode != 1 || multipleTargetsBlend);
  a.divisor = formatFilters && splatHalfSize >= kHalfSizeMinSplat ? 2 : 1;  // false for NaN
  return a;
}

SIZE BlobsEffect::AccumulationSize(RECT rect, int32_t divisor) {
  const LONG d = std::max<LONG>(divisor, 1);
  return SIZE{std::max<LONG>((rect.right + d - 1) / d, 1), std::max<LONG>((rect.bottom + d - 1) / d, 1)};
}

void BlobsEffect::Bounce(float& c, float& v) {
  if (c > kBound || c < -kBound) v = -v;
  c = c + v;
}

float BlobsEffect::SplatTexel(int i, int j) {
  const float step = 2.0f * (1.0f / kSplatSize);
  const float x = static_cast<float>(i) * step - 1.0f;
  const float y = static_cast<float>(j) * step - 1.0f;
  return 2.0f * std::exp(-8.0f * (x * x + y * y));
}

float BlobsEffect::ClampSpeedDivisor(float divisor) {
  // BlobsSpeed 100 gives 1000, BlobsSpeed 1 gives 100000; 101 would give 0.
  return std::clamp(divisor, 1000.0f, 100000.0f);
}

float BlobsEffect::ClampSizeScale(float scale) { return std::clamp(scale, 0.01f, 1.0f); }

void BlobsEffect::BuildBlobQuad(const D3DXVECTOR3& p, const D3DXMATRIX& projection, float scale, float W, float H,
                                const BlobRecord& blob, BlobVertex (&out)[6], float reach) {
  D3DXVECTOR4 c, e;
  D3DXVec3Transform(&c, &p, &projection);
  c /= c.w;
  const D3DXVECTOR4 unit(1.0f, 1.0f, p.z, 1.0f);
  D3DXVec4Transform(&e, &unit, &projection);
  e /= e.w;  // the projected size of a unit offset at the blob's depth
  const float hx = e.x * scale * reach, hy = e.y * scale * reach;
  for (int k = 0; k < 6; ++k) {
    BlobVertex& v = out[k];
    v.x = W * (c.x + kQuadCorners[k][0] * hx) + W * 0.5f;
    v.y = H * (c.y + kQuadCorners[k][1] * hy) + H * 0.5f;
    v.z = c.z;
    v.rhw = 1.0f;
    v.u0 = 0.5f + (kQuadCorners[k][2] - 0.5f) * reach;
    v.v0 = 0.5f + (kQuadCorners[k][3] - 0.5f) * reach;
    v.u1 = (v.x + 0.5f) / W;
    v.v1 = (v.y + 0.5f) / H;
    v.w2 = blob.w;
    v.r = blob.r;
    v.g = blob.g;
    v.b = blob.b;
  }
}

RECT BlobsEffect::SplatRect(const BlobVertex (&quad)[6], float reach, LONG W, LONG H) {
  float left = quad[0].x, right = quad[0].x, top = quad[0].y, bottom = quad[0].y;
  for (const BlobVertex& v : quad) {
    left = std::min(left, v.x);
    right = std::max(right, v.x);
    top = std::min(top, v.y);
    bottom = std::max(bottom, v.y);
  }
  const float cx = (left + right) * 0.5f, cy = (top + bottom) * 0.5f;
  const float rx = (right - left) * 0.5f * reach, ry = (bottom - top) * 0.5f * reach;
  // Whole pixels around it; the clamp happens in float, so far-off blobs cannot overflow.
  auto clampTo = [](float value, LONG limit) {
    return static_cast<LONG>(std::clamp(value, 0.0f, static_cast<float>(limit)));
  };
  return RECT{clampTo(std::floor(cx - rx), W), clampTo(std::floor(cy - ry), H), clampTo(std::ceil(cx + rx) + 1.0f, W),
              clampTo(std::ceil(cy + ry) + 1.0f, H)};
}

void BlobsEffect::BuildScreenQuad(float W, float H, BlobVertex (&quad)[4]) {
  const float corners[4][4] = {{-0.5f, -0.5f, 0, 0}, {W - 0.5f, -0.5f, 1, 0}, {-0.5f, H - 0.5f, 0, 1},
                               {W - 0.5f, H - 0.5f, 1, 1}};
  for (int k = 0; k < 4; ++k) {
    const float u = corners[k][2], v = corners[k][3];
    quad[k] = {corners[k][0], corners[k][1], 1.0f, 1.0f, u, v, u + 1.0f / W, v + 1.0f / H, 0.0f, 0, 0, 0};
  }
}

bool BlobsEffect::Initialise(const SceneSetup& setup) {
  const SettingsStore& s = setup.settings;
  speedDivisor = static_cast<float>(101 - s.Choices().blobsSpeed) * 1000.0f;
  sizeScale = static_cast<float>(s.Choices().blobsSize) / 100.0f;
  envMapIndex = s.Choices().selectCubeMap;
  setup.camera.LookAt(0.0f, -1.8f, -5.0f);
  Init(&setup.camera, setup.device, setup.clientRect);
  return CanDraw();
}

void BlobsEffect::Init(Camera* cameraIn, IDirect3DDevice9* deviceIn, RECT rect) {
  camera = cameraIn;
  device = deviceIn;
  clientRect = rect;
  speedDivisor = ClampSpeedDivisor(speedDivisor);
  sizeScale = ClampSizeScale(sizeScale);
  InitBlobs();
  accumulationMode = accumulationOverride.value_or(Accumulation{});
  if (device) ChooseTargetMode();
  accumulationSize = AccumulationSize(clientRect, accumulationMode.divisor);
  if (device) {
    LoadEffect();
    CreateBlobTextures();
    CreateRenderTargets();
  }
  BuildScreenQuad(static_cast<float>(clientRect.right), static_cast<float>(clientRect.bottom), screenQuad);
  initialised = true;
}

void BlobsEffect::ChooseTargetMode() {
  D3DCAPS9 caps{};
  device->GetDeviceCaps(&caps);
  passMode = PassModeFor(caps.NumSimultaneousRTs);
  targetCount = passMode == 1 ? 2 : 1;
  ComPtr<IDirect3D9> d3d;
  D3DDISPLAYMODE mode{};
  device->GetDirect3D(&d3d);
  device->GetDisplayMode(0, &mode);
  const bool r16f = d3d && SUCCEEDED(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format,
                                                            D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_R16F));
  fieldFormat = FieldFormatFor(r16f);
  const auto buffersAllow = [&](DWORD usage) {
    return d3d && SUCCEEDED(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, usage,
                                                   D3DRTYPE_TEXTURE, D3DFMT_A16B16G16R16F));
  };
  accumulationMode = accumulationOverride
                         ? *accumulationOverride
                         : AccumulationFor(buffersAllow(D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING),
                                           (caps.PrimitiveMiscCaps & D3DPMISCCAPS_MRTPOSTPIXELSHADERBLENDING) != 0,
                                           passMode, buffersAllow(D3DUSAGE_QUERY_FILTER), SplatHalfSizeAtTheMiddle());
}

float BlobsEffect::SplatHalfSizeAtTheMiddle() const {
  if (!camera) return 0.0f;
  // The blobs wander around the world's middle; its depth stands for theirs.
  const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
  D3DXVECTOR4 t;
  D3DXVec3Transform(&t, &origin, &camera->view);
  BlobVertex quad[6];
  BuildBlobQuad(D3DXVECTOR3(t.x, t.y, t.z), camera->projection, sizeScale, static_cast<float>(clientRect.right),
                static_cast<float>(clientRect.bottom), BlobRecord{}, quad);
  return std::min(std::fabs(quad[5].x - quad[0].x), std::fabs(quad[5].y - quad[0].y)) * 0.5f;
}

void BlobsEffect::InitBlobs() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  for (int i = 0; i < kBlobs; ++i) {
    const float x = static_cast<float>(std::rand() % 3 - 1);
    const float y = static_cast<float>(std::rand() % 3 - 1);
    const float* colour = kBlobColours[i % 4];
    blobs[i] = {x, y, 0.0f, 1.0f, colour[0], colour[1], colour[2]};
    positions[i] = {x, y};
    const float vx = static_cast<float>(std::rand() % 100) / speedDivisor;
    const float vy = static_cast<float>(std::rand() % 100) / speedDivisor;
    velocities[i] = {vx, vy};
  }
}

void BlobsEffect::LoadEffect() {
  effect = CreateEffectFromArchive(device, L"Resource/Effect.efc");
  const char* blend = accumulationMode.additive ? (passMode == 1 ? "BlobAdd" : "BlobAddTwoPasses")
                                                : (passMode == 1 ? "BlobBlend" : "BlobBlendTwoPasses");
  blendTechnique = effect ? effect->GetTechniqueByName(blend) : -1;
  handles_ = {};
  if (!effect) return;
  handles_.light = effect->GetTechniqueByName("BlobLight");
  handles_.worldViewProjection = effect->GetParameter("g_mWorldViewProjection", gfx::ParamType::Float4x4);
  handles_.sourceBlob = effect->GetParameter("g_tSourceBlob", gfx::ParamType::Texture);
  handles_.normalBuffer = effect->GetParameter("g_tNormalBuffer", gfx::ParamType::Texture);
  handles_.colorBuffer = effect->GetParameter("g_tColorBuffer", gfx::ParamType::Texture);
  handles_.envMap = effect->GetParameter("g_tEnvMap", gfx::ParamType::Texture);
}

void BlobsEffect::CreateBlobTextures() {
  ComPtr<IDirect3DTexture9> scratch;
  device->CreateTexture(kSplatSize, kSplatSize, 1, D3DUSAGE_DYNAMIC, D3DFMT_R32F, D3DPOOL_DEFAULT, &scratch, nullptr);
  device->CreateTexture(kSplatSize, kSplatSize, 1, D3DUSAGE_DYNAMIC, fieldFormat, D3DPOOL_DEFAULT,
                        blobTexture.ReleaseAndGetAddressOf(), nullptr);
  platform::counters::TagTexture(scratch.Get());
  platform::counters::TagTexture(blobTexture.Get());

  wchar_t name[64];
  std::swprintf(name, 64, L"Resource/Blobs_%d.blb", envMapIndex);
  {
    const WorkSpace::ArchiveBytes entry = ResourceArchiveSource().ReadEntry(name);
    if (!entry ||
        FAILED(D3DXCreateCubeTextureFromFileInMemory(device, entry.get(), entry.size, envMap.ReleaseAndGetAddressOf())))
      envMap.Reset();
    platform::counters::TagTexture(envMap.Get());
  }

  {
    const platform::LockedRect locked(scratch.Get(), 0);
    if (!locked) return;
    for (int j = 0; j < kSplatSize; ++j) {
      float* row = reinterpret_cast<float*>(locked.Row(j));
      for (int i = 0; i < kSplatSize; ++i) row[i] = SplatTexel(i, j);
    }
  }
  ComPtr<IDirect3DSurface9> from, to;
  scratch->GetSurfaceLevel(0, &from);
  if (blobTexture) blobTexture->GetSurfaceLevel(0, &to);
  if (from && to) D3DXLoadSurfaceFromSurface(to.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr, D3DX_FILTER_NONE, 0);
}

void BlobsEffect::CreateRenderTargets() {
  device->CreateVertexBuffer(sizeof(BlobVertex) * 6 * kBlobs, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, kBlobFvf,
                             D3DPOOL_DEFAULT, blobVertexBuffer.ReleaseAndGetAddressOf(), nullptr);
  // Blending sums into the A pair alone: no B pair, no zero splat.
  const bool pingPong = !accumulationMode.additive;
  zeroTexture.Reset();
  if (pingPong) {
    device->CreateTexture(1, 1, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT,
                          zeroTexture.ReleaseAndGetAddressOf(), nullptr);
    platform::counters::TagTexture(zeroTexture.Get());
  }
  for (int t = 0; t < 4; ++t) {
    accumulation[t].Reset();
    if (!pingPong && (t == kNormalB || t == kColorB)) continue;
    device->CreateTexture(accumulationSize.cx, accumulationSize.cy, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT,
                          accumulation[t].GetAddressOf(), nullptr);
    platform::counters::TagTexture(accumulation[t].Get());
  }
  TargetTable table;
  FillTargetTable(passMode, table);
  for (int g = 0; g < 2; ++g)
    for (int p = 0; p < 2; ++p)
      for (int k = 0; k < 2; ++k) {
        targetSurfaces[g][p][k].Reset();
        const TargetIndex index = table[g][p][k];
        if (index != kNoTarget && accumulation[index])
          accumulation[index]->GetSurfaceLevel(0, targetSurfaces[g][p][k].GetAddressOf());
      }
}

bool BlobsEffect::CanDraw() const {
  if (!initialised || !camera || !device || !effect || blendTechnique < 0 || !blobVertexBuffer || !blobTexture ||
      !accumulation[kNormalA] || !accumulation[kColorA])
    return false;
  return accumulationMode.additive || (zeroTexture && accumulation[kNormalB] && accumulation[kColorB]);
}

void BlobsEffect::Update() {
  if (!initialised || !CanDraw()) return;
  for (int i = 0; i < kBlobs; ++i) {
    Bounce(positions[i].x, velocities[i].x);
    Bounce(positions[i].y, velocities[i].y);
    blobs[i].x = positions[i].x;
    blobs[i].y = positions[i].y;
  }
  BuildBlobQuads();
  effect->SetMatrix(handles_.worldViewProjection, camera->worldViewProjection);
}

void BlobsEffect::BuildBlobQuads() {
  D3DXVECTOR3 viewPos[kBlobs];
  for (int i = 0; i < kBlobs; ++i) {
    const D3DXVECTOR3 p(blobs[i].x, blobs[i].y, 0.0f);
    D3DXVECTOR4 t;
    D3DXVec3Transform(&t, &p, &camera->worldView);
    viewPos[i] = D3DXVECTOR3(t.x, t.y, t.z);
  }
  void* data = nullptr;
  if (FAILED(blobVertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) return;
  D3DXMATRIX projection;
  device->GetTransform(D3DTS_PROJECTION, &projection);
  auto* quads = static_cast<BlobVertex(*)[6]>(data);
  const float W = static_cast<float>(clientRect.right), H = static_cast<float>(clientRect.bottom);
  const float bufferW = static_cast<float>(accumulationSize.cx), bufferH = static_cast<float>(accumulationSize.cy);
  // Added by blending, a splat is drawn within its field's reach alone (no scissor
  // per blob); summed in turns, whole, and held to its field rectangle.
  const float reach = accumulationMode.additive ? kFieldReach : 1.0f;
  for (int i = 0; i < kBlobs; ++i) {
    BlobVertex onScreen[6];
    BuildBlobQuad(viewPos[i], projection, sizeScale, W, H, blobs[i], onScreen);
    blobRects[i] = SplatRect(onScreen, kSurfaceReach, clientRect.right, clientRect.bottom);
    BuildBlobQuad(viewPos[i], projection, sizeScale, bufferW, bufferH, blobs[i], quads[i], reach);
    fieldRects[i] = SplatRect(quads[i], kFieldReach / reach, accumulationSize.cx, accumulationSize.cy);
  }
  blobVertexBuffer->Unlock();
}

void BlobsEffect::Accumulate(int group, int firstVertex) {
  // Group 0 copies the A pair into the B pair under the quad (zero splat); group 1
  // adds the blob's splat to the B pair and writes the A pair.
  IDirect3DTexture9* source = group == 0 ? zeroTexture.Get() : blobTexture.Get();
  IDirect3DTexture9* normals = group == 0 ? accumulation[kNormalA].Get() : accumulation[kNormalB].Get();
  IDirect3DTexture9* colours = group == 0 ? accumulation[kColorA].Get() : accumulation[kColorB].Get();
  effect->SetTexture(handles_.sourceBlob, source);
  effect->SetTexture(handles_.normalBuffer, normals);
  effect->SetTexture(handles_.colorBuffer, colours);
  const UINT passes = effect->Begin();
  if (passes == 0) {
    effect->End();
    return;
  }
  for (UINT p = 0; p < passes && p < 2; ++p) {
    for (int k = 0; k < targetCount; ++k) device->SetRenderTarget(k, targetSurfaces[group][p][k].Get());
    device->SetScissorRect(&fieldRects[firstVertex / 6]);  // a new target resets the scissor
    effect->BeginPass(p);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, firstVertex, 2);
    effect->EndPass();
  }
  effect->End();
}

void BlobsEffect::AccumulateAdditively() {
  effect->SetTexture(handles_.sourceBlob, blobTexture.Get());
  effect->SetTexture(handles_.normalBuffer, nullptr);  // the targets themselves
  effect->SetTexture(handles_.colorBuffer, nullptr);
  const UINT passes = effect->Begin();
  for (UINT p = 0; p < passes && p < 2; ++p) {
    for (int k = 0; k < targetCount; ++k) device->SetRenderTarget(k, targetSurfaces[1][p][k].Get());
    effect->BeginPass(p);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2 * kBlobs);
    effect->EndPass();
  }
  effect->End();
}

void BlobsEffect::Render() {
  if (!CanDraw()) return;
  device->GetRenderTarget(0, savedRenderTargets[0].ReleaseAndGetAddressOf());
  device->GetDepthStencilSurface(savedDepthStencil.ReleaseAndGetAddressOf());
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetDepthStencilSurface(nullptr);

  if (zeroTexture) {
    ComPtr<IDirect3DSurface9> zero;
    zeroTexture->GetSurfaceLevel(0, &zero);
    device->SetRenderTarget(0, zero.Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  }
  for (int t = 0; t < 4; ++t) {
    if (!accumulation[t]) continue;
    accumulation[t]->GetSurfaceLevel(0, frameSurfaces[t].ReleaseAndGetAddressOf());
    if (t == kNormalA || t == kColorA) {
      device->SetRenderTarget(0, frameSurfaces[t].Get());
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    }
  }

  // The splats' far corners add next to nothing but cost most of the fill: each
  // accumulation draw is held to its field rectangle, each lighting draw to the
  // rectangle where its blob's surface can be.
  device->SetStreamSource(0, blobVertexBuffer.Get(), 0, sizeof(BlobVertex));
  device->SetFVF(kBlobFvf);
  effect->SetTechnique(blendTechnique);
  if (accumulationMode.additive) {
    AccumulateAdditively();
  } else {
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    for (int i = 0; i < kBlobs; ++i) {
      Accumulate(0, 6 * i);
      Accumulate(1, 6 * i);
    }
  }

  device->SetDepthStencilSurface(savedDepthStencil.Get());
  for (int k = 0; k < targetCount; ++k) device->SetRenderTarget(k, savedRenderTargets[k].Get());

  device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  effect->SetTechnique(handles_.light);
  const UINT passes = effect->Begin();
  for (UINT p = 0; p < passes; ++p) {
    effect->BeginPass(p);
    for (int n = 0; n < kBlobs; ++n) {
      // Each of the five draws of the screen quad lights one blob's rectangle.
      device->SetScissorRect(&blobRects[n]);
      effect->SetTexture(handles_.sourceBlob, accumulation[kNormalA].Get());
      effect->SetTexture(handles_.colorBuffer, accumulation[kColorA].Get());
      effect->SetTexture(handles_.envMap, envMap.Get());
      effect->CommitChanges();
      device->SetFVF(kBlobFvf);
      device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, screenQuad, sizeof(BlobVertex));
    }
    effect->EndPass();
  }
  effect->End();
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
  const RECT whole{0, 0, clientRect.right, clientRect.bottom};
  device->SetScissorRect(&whole);
}

void BlobsEffect::ReleaseFrameSurfaces() {
  if (!initialised) return;
  for (int k = 0; k < targetCount && k < 2; ++k) savedRenderTargets[k].Reset();
  savedDepthStencil.Reset();
  for (ComPtr<IDirect3DSurface9>& s : frameSurfaces) s.Reset();
}

void BlobsEffect::Release() {
  camera = nullptr;
  effect.reset();
  blendTechnique = -1;
  blobVertexBuffer.Reset();
  for (ComPtr<IDirect3DTexture9>& t : accumulation) t.Reset();
  for (auto& group : targetSurfaces)
    for (auto& pass : group)
      for (ComPtr<IDirect3DSurface9>& s : pass) s.Reset();
  zeroTexture.Reset();
  blobTexture.Reset();
  envMap.Reset();
  for (ComPtr<IDirect3DSurface9>& s : savedRenderTargets) s.Reset();
  savedDepthStencil.Reset();
  for (ComPtr<IDirect3DSurface9>& s : frameSurfaces) s.Reset();
}
