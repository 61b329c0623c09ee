#include "effects/FireEffect.h"

#include <d3dx9.h>

#include "app/FrameClock.h"
#include "resources/Strings.h"
#include "resources/ZipReader.h"

namespace {

class ArchiveSource : public FireEntrySource {
public:
  const uint8_t* ReadEntry(const std::wstring& name, uint32_t& size) override {
    return WorkSpace::GetResourceArchive().ReadEntry(name, size);
  }
  void FreeEntry() override { WorkSpace::GetResourceArchive().FreeEntry(); }
};

constexpr DWORD kQuadFvf = D3DFVF_XYZRHW | D3DFVF_TEX1;

}  // namespace

bool FireEffect::InitEffect(Camera* cameraIn, IDirect3DDevice9* deviceIn, RECT rect) {
  ArchiveSource archive;
  return InitEffect(cameraIn, deviceIn, rect, archive);
}

bool FireEffect::InitEffect(Camera* cameraIn, IDirect3DDevice9* deviceIn, RECT rect, FireEntrySource& source) {
  device = deviceIn;
  camera = cameraIn;
  clientRect = rect;

  uint32_t size = 0;
  const uint8_t* data = source.ReadEntry(L"Resource/FireEffect.fx", size);
  if (!data || size == 0) return false;
  std::string errors;
  effect = gfx::Effect::CreateFromMemory(device, data, size, &errors, "Resource/FireEffect.fx");
  if (!effect) {
    if (!errors.empty()) OutputDebugStringW((FromAnsi(errors) + L"\n").c_str());
    source.FreeEntry();
    return false;
  }
  source.FreeEntry();

  data = source.ReadEntry(L"Resource/Flame.tga", size);
  if (!data || size == 0) return false;
  if (FAILED(D3DXCreateTextureFromFileInMemoryEx(device, data, size, 0, 0, 3, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                                 D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                 flameTexture.ReleaseAndGetAddressOf()))) {
    OutputDebugStringW(L"Failed create texture. FireEffect::InitEffect() - Flame.tga\n");
    source.FreeEntry();
    return false;
  }
  source.FreeEntry();

  data = source.ReadEntry(L"Resource/NoiseVolume.dds", size);
  static const uint8_t kEmpty = 0;
  if (!data) size = 0;
  if (FAILED(D3DXCreateVolumeTextureFromFileInMemoryEx(device, data ? data : &kEmpty, size, 0, 0, 0, 0, 0,
                                                       D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_FILTER_NONE,
                                                       D3DX_DEFAULT, 0xFF000000, nullptr, nullptr,
                                                       noiseVolume.ReleaseAndGetAddressOf()))) {
    OutputDebugStringW(L"Failed create texture. FireEffect::InitEffect() - Noise.tga\n");
    source.FreeEntry();
    return false;
  }
  source.FreeEntry();
  PrepareShaders();
  return true;
}

// Draws one pixel of each style and waits until the device has done so. The
// driver builds a shader when it is first drawn with, and that must not happen
// inside the start-up speed test that follows initialisation.
void FireEffect::PrepareShaders() {
  const int32_t chosen = style;
  const RECT full = clientRect;
  clientRect = RECT{0, 0, 1, 1};
  if (SUCCEEDED(device->BeginScene())) {
    for (int32_t s = 0; s < 3; ++s) {
      style = s;
      Render();
    }
    device->EndScene();
  }
  style = chosen;
  clientRect = full;
  Microsoft::WRL::ComPtr<IDirect3DQuery9> done;
  if (SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_EVENT, &done)) && SUCCEEDED(done->Issue(D3DISSUE_END))) {
    for (int i = 0; i < 2000 && done->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE; ++i) Sleep(1);
  }
}

void FireEffect::Render() {
  if (!effect) return;
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  switch (style) {
    case 0: RenderFire(); break;
    case 1: RenderFireBall(); break;
    case 2: RenderDetonation(); break;
    default: break;
  }
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void FireEffect::Release() {
  camera = nullptr;
  flameTexture.Reset();
  noiseVolume.Reset();
  effect.reset();
}

float FireEffect::StyleTime() const {
  const double elapsed = GetFrameClock().Time();
  return static_cast<float>(static_cast<float>(elapsed) * 0.5f);
}

void FireEffect::BeginStyle(const char* technique) { effect->SetTechnique(technique); }

void FireEffect::FinishStyle() {
  effect->SetTexture("texNoise", noiseVolume.Get());
  effect->SetTexture("texFlame", flameTexture.Get());
  effect->Begin();
  effect->BeginPass(0);
  effect->CommitChanges();
  const float W = static_cast<float>(clientRect.right);
  const float H = static_cast<float>(clientRect.bottom);
  DrawScreenQuad({1.0f, 1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, W + 0.5f, H + 0.5f});
  effect->EndPass();
  effect->End();
}

void FireEffect::RenderFire() {
  const float t = StyleTime();
  BeginStyle("FireEffectTechnique");
  effect->SetFloat("time_0_X", t);
  effect->SetFloat("sideFade", sideFade);
  effect->SetFloat("sideFadeSharpness", sideFadeSharpness);
  effect->SetFloat("wobbleScale", wobbleScale);
  effect->SetFloat("burnSpeed", burnSpeed);
  effect->SetFloat("randomnessRate", randomnessRate);
  effect->SetFloat("yFade", yFade);
  effect->SetFloat("xScale", xScale);
  effect->SetFloat("yScale", yScale);
  FinishStyle();
}

void FireEffect::RenderFireBall() {
  const float t = StyleTime();
  BeginStyle("FireBallEffectTechnique");
  effect->SetFloat("time_0_X", t);
  effect->SetFloat("colorDistribution", colorDistribution);
  effect->SetFloat("fade", fade);
  effect->SetFloat("flameSpeed", flameSpeed);
  effect->SetFloat("spread", spread);
  effect->SetFloat("flamability", flamability);
  effect->SetFloat("timeSampleDist", timeSampleDist);
  FinishStyle();
}

void FireEffect::RenderDetonation() {
  const float t = StyleTime();
  BeginStyle("FireDetonationEffectTechnique");
  effect->SetFloat("time_0_X", t);
  effect->SetFloat("flamability", 0.34f);
  effect->SetFloat("pressure", 0.6f);
  effect->SetFloat("powerBoost", 0.16f);
  effect->SetFloat("intensity", 1.0f);
  effect->SetFloat("speed", 0.15f);
  effect->SetFloat("noisiness", 0.5f);
  effect->SetFloat("explositivity", 0.44955f);
  FinishStyle();
}

void FireEffect::BuildScreenQuad(const UvRect& uv, const ScreenRect& s, QuadVertex (&quad)[4]) {
  quad[0] = {s.left, s.top, 0.0f, 1.0f, uv.left, uv.top};
  quad[1] = {s.right, s.top, 0.0f, 1.0f, uv.right, uv.top};
  quad[2] = {s.right, s.bottom, 0.0f, 1.0f, uv.right, uv.bottom};
  quad[3] = {s.left, s.bottom, 0.0f, 1.0f, uv.left, uv.bottom};
}

void FireEffect::DrawScreenQuad(const UvRect& uv, const ScreenRect& screen) {
  QuadVertex quad[4];
  BuildScreenQuad(uv, screen, quad);
  device->SetFVF(kQuadFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));
}
