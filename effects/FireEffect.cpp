#include "effects/FireEffect.h"

#include <d3dx9.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "platform/Counters.h"
#include "render/MonitorLayout.h"
#include "render/ScreenQuad.h"

using gfx::ParamType;
using Microsoft::WRL::ComPtr;

namespace {
constexpr int kFlameShrink = 3;
constexpr int kFlameMinWidth = 256;
}  // namespace

SIZE FlameTargetSize(int windowWidth, int windowHeight) {
  const int width = std::max(1, windowWidth), height = std::max(1, windowHeight);
  const int across = std::min(width, std::max((width + kFlameShrink - 1) / kFlameShrink, kFlameMinWidth));
  // The window's shape, so the round styles stay round.
  const int up = std::max(1, static_cast<int>((static_cast<int64_t>(height) * across + width / 2) / width));
  return SIZE{across, up};
}

bool FireEffect::Initialise(const SceneSetup& setup) {
  // The style first: only its shader is prepared before the speed test.
  ApplyChoices(setup.settings);
  textureLimit = setup.textureLimit;
  return InitEffect(setup.device, setup.clientRect);
}

void FireEffect::ApplyChoices(const SettingsStore& settings) {
  style = settings.Choices().selectFireEffect;
  if (effect) FallBackFromRefusedStyle();
}

bool FireEffect::InitEffect(IDirect3DDevice9* deviceIn, RECT rect) {
  device = deviceIn;
  clientRect = rect;
  EntrySource& source = source_;

  // One style the device refuses leaves the others drawable.
  effect = CreateEffectFromEntry(device, source, L"Resource/FireEffect.fx", {true, shaderMaker_});
  if (!effect) return false;
  FindHandles();
  std::fill(std::begin(refusalSaid_), std::end(refusalSaid_), false);
  FallBackFromRefusedStyle();

  const WorkSpace::ArchiveBytes ramp = source.ReadEntry(L"Resource/Flame.tga");
  if (!ramp || ramp.size == 0) return false;
  if (FAILED(D3DXCreateTextureFromFileInMemoryEx(device, ramp.get(), ramp.size, 0, 0, 3, 0, D3DFMT_UNKNOWN,
                                                 D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                 flameTexture.ReleaseAndGetAddressOf()))) {
    OutputDebugStringW(L"Failed create texture. FireEffect::InitEffect() - Flame.tga\n");
    return false;
  }
  platform::counters::TagTexture(flameTexture.Get());

  const WorkSpace::ArchiveBytes noise = source.ReadEntry(L"Resource/NoiseVolume.dds");
  static const uint8_t kEmpty = 0;
  if (FAILED(D3DXCreateVolumeTextureFromFileInMemoryEx(device, noise ? noise.get() : &kEmpty, noise ? noise.size : 0,
                                                       0, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                                       D3DX_FILTER_NONE, D3DX_DEFAULT, 0xFF000000, nullptr, nullptr,
                                                       noiseVolume.ReleaseAndGetAddressOf()))) {
    OutputDebugStringW(L"Failed create texture. FireEffect::InitEffect() - Noise.tga\n");
    return false;
  }
  platform::counters::TagTexture(noiseVolume.Get());
  if (!CreateFlameTarget()) return false;
  PrepareShaders();
  return true;
}

bool FireEffect::CreateFlameTarget() {
  const SIZE wanted = FlameTargetSize(clientRect.right - clientRect.left, clientRect.bottom - clientRect.top);
  flameSize_ = FitWithinLimit(wanted, textureLimit);
  if (FAILED(device->CreateTexture(flameSize_.cx, flameSize_.cy, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, flameTarget.ReleaseAndGetAddressOf(), nullptr))) {
    // Slower, but the flames still show: each frame draws them at the window's size.
    OutputDebugStringW(L"Failed create texture. FireEffect::InitEffect() - flame target, drawn straight\n");
    flameTarget.Reset();
    return true;
  }
  platform::counters::TagTexture(flameTarget.Get());
  return true;
}

// Draws the chosen style (into the whole flame target, then one pixel of the
// window) and waits until the device has done so.
// The driver builds a shader when it is first drawn with, and that must not
// happen inside the start-up speed test that follows initialisation. A software
// renderer takes a good part of a second per shader, so the other styles are
// built when first drawn (only the dialog's preview switches styles).
void FireEffect::PrepareShaders() {
  const RECT full = clientRect;
  clientRect = RECT{0, 0, 1, 1};
  if (SUCCEEDED(device->BeginScene())) {
    Draw(0.0);
    device->EndScene();
  }
  clientRect = full;
  Microsoft::WRL::ComPtr<IDirect3DQuery9> done;
  if (SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_EVENT, &done)) && SUCCEEDED(done->Issue(D3DISSUE_END))) {
    for (int i = 0; i < 2000 && done->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE; ++i) Sleep(1);
  }
}

void FireEffect::FindHandles() {
  handles_ = {};
  handles_.fire = effect->GetTechniqueByName("FireEffectTechnique");
  handles_.fireBall = effect->GetTechniqueByName("FireBallEffectTechnique");
  handles_.detonation = effect->GetTechniqueByName("FireDetonationEffectTechnique");
  auto param = [this](const char* name, ParamType type = ParamType::Float) { return effect->GetParameter(name, type); };
  handles_.time = param("time_0_X");
  handles_.noise = param("texNoise", ParamType::Texture);
  handles_.flame = param("texFlame", ParamType::Texture);
  handles_.sideFade = param("sideFade");
  handles_.sideFadeSharpness = param("sideFadeSharpness");
  handles_.wobbleScale = param("wobbleScale");
  handles_.burnSpeed = param("burnSpeed");
  handles_.randomnessRate = param("randomnessRate");
  handles_.yFade = param("yFade");
  handles_.xScale = param("xScale");
  handles_.yScale = param("yScale");
  handles_.colorDistribution = param("colorDistribution");
  handles_.fade = param("fade");
  handles_.flameSpeed = param("flameSpeed");
  handles_.spread = param("spread");
  handles_.flamability = param("flamability");
  handles_.timeSampleDist = param("timeSampleDist");
  handles_.pressure = param("pressure");
  handles_.powerBoost = param("powerBoost");
  handles_.intensity = param("intensity");
  handles_.speed = param("speed");
  handles_.noisiness = param("noisiness");
  handles_.explositivity = param("explositivity");
}

int FireEffect::TechniqueOf(int32_t styleIn) const {
  switch (styleIn) {
    case 0: return handles_.fire;
    case 1: return handles_.fireBall;
    case 2: return handles_.detonation;
    default: return -1;
  }
}

void FireEffect::FallBackFromRefusedStyle() {
  if (style < 0 || style > 2 || effect->TechniqueUsable(TechniqueOf(style))) return;
  if (!refusalSaid_[style]) {
    refusalSaid_[style] = true;
    static constexpr const wchar_t* kNames[] = {L"FireEffectTechnique", L"FireBallEffectTechnique",
                                                L"FireDetonationEffectTechnique"};
    OutputDebugStringW((std::wstring(L"Failed create shader. FireEffect::InitEffect() - ") + kNames[style] +
                        (style == 0 ? L"\n" : L", Fire drawn instead\n"))
                           .c_str());
  }
  style = 0;
}

void FireEffect::Draw(double time) {
  if (!effect) return;
  // The styles run at half the frame clock's pace.
  const float t = static_cast<float>(static_cast<float>(time) * 0.5f);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  switch (style) {
    case 0: RenderFire(t); break;
    case 1: RenderFireBall(t); break;
    case 2: RenderDetonation(t); break;
    default: break;
  }
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void FireEffect::Release() {
  flameTarget.Reset();
  flameTexture.Reset();
  noiseVolume.Reset();
  effect.reset();
}

void FireEffect::FinishStyle() {
  if (!effect->TechniqueUsable(effect->CurrentTechnique())) return;
  if (!flameTarget) {
    // Without the smaller target: the quad over the whole window, its premultiplied
    // colour blended straight over the frame.
    DrawFlameQuad(SIZE{clientRect.right, clientRect.bottom}, true);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    return;
  }
  ComPtr<IDirect3DSurface9> window, flames;
  if (FAILED(device->GetRenderTarget(0, &window)) || FAILED(flameTarget->GetSurfaceLevel(0, &flames))) return;
  D3DVIEWPORT9 viewport{};
  device->GetViewport(&viewport);
  device->SetRenderTarget(0, flames.Get());
  // Every pixel of the target is written, colour and opacity, without blending.
  DrawFlameQuad(flameSize_, false);
  device->SetRenderTarget(0, window.Get());
  device->SetViewport(&viewport);
  DrawFlameTarget();
}

// The style's pass over a size x size quad of the current target.
void FireEffect::DrawFlameQuad(SIZE size, bool blendOver) {
  effect->SetTexture(handles_.noise, noiseVolume.Get());
  effect->SetTexture(handles_.flame, flameTexture.Get());
  effect->Begin();
  effect->BeginPass(0);
  effect->CommitChanges();
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, blendOver ? TRUE : FALSE);
  if (blendOver) {
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  // The ramp and the noise run from the bottom-right corner (u = v = 1 at the top-left).
  ScreenVertex quad[4];
  FillScreenQuad({0.0f, 0.0f, size.cx + 0.5f, size.cy + 0.5f}, {1.0f, 1.0f, 0.0f, 0.0f}, quad);
  DrawScreenQuad(device, quad);
  effect->EndPass();
  effect->End();
}

// The flames over the window, blended as premultiplied colour.
void FireEffect::DrawFlameTarget() {
  LayTextureOver(device, flameTarget.Get(), static_cast<float>(clientRect.right), static_cast<float>(clientRect.bottom),
                 D3DBLEND_ONE, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
}

void FireEffect::RenderFire(float t) {
  effect->SetTechnique(handles_.fire);
  effect->SetFloat(handles_.time, t);
  effect->SetFloat(handles_.sideFade, sideFade);
  effect->SetFloat(handles_.sideFadeSharpness, sideFadeSharpness);
  effect->SetFloat(handles_.wobbleScale, wobbleScale);
  effect->SetFloat(handles_.burnSpeed, burnSpeed);
  effect->SetFloat(handles_.randomnessRate, randomnessRate);
  effect->SetFloat(handles_.yFade, yFade);
  effect->SetFloat(handles_.xScale, xScale);
  effect->SetFloat(handles_.yScale, yScale);
  FinishStyle();
}

void FireEffect::RenderFireBall(float t) {
  effect->SetTechnique(handles_.fireBall);
  effect->SetFloat(handles_.time, t);
  effect->SetFloat(handles_.colorDistribution, colorDistribution);
  effect->SetFloat(handles_.fade, fade);
  effect->SetFloat(handles_.flameSpeed, flameSpeed);
  effect->SetFloat(handles_.spread, spread);
  effect->SetFloat(handles_.flamability, flamability);
  effect->SetFloat(handles_.timeSampleDist, timeSampleDist);
  FinishStyle();
}

void FireEffect::RenderDetonation(float t) {
  effect->SetTechnique(handles_.detonation);
  effect->SetFloat(handles_.time, t);
  effect->SetFloat(handles_.flamability, 0.34f);
  effect->SetFloat(handles_.pressure, 0.6f);
  effect->SetFloat(handles_.powerBoost, 0.16f);
  effect->SetFloat(handles_.intensity, 1.0f);
  effect->SetFloat(handles_.speed, 0.15f);
  effect->SetFloat(handles_.noisiness, 0.5f);
  effect->SetFloat(handles_.explositivity, 0.44955f);
  FinishStyle();
}
