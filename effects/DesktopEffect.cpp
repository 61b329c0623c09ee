#include "effects/DesktopEffect.h"

#include <d3dx9.h>

#include <cmath>

#include "effects/ArchiveEntry.h"
#include "platform/Counters.h"
#include "render/Camera.h"

DesktopEffect::Size DesktopEffect::TextureSize(float halfW, float halfH) {
  return {2 * static_cast<int32_t>(halfW), 2 * static_cast<int32_t>(halfH)};
}

void DesktopEffect::BuildQuad(float halfW, float halfH, ScreenVertex (&quad)[4]) {
  FillScreenQuad({0.0f, 0.0f, 2.0f * halfW + 0.5f, 2.0f * halfH + 0.5f}, {0.0f, 0.0f, 1.0f, 1.0f}, quad);
}

void DesktopEffect::CirclingPoints(float s, D3DXVECTOR4& one, D3DXVECTOR4& two) {
  const float c = std::cos(s), n = std::sin(s);
  one = D3DXVECTOR4(c, n, 1.0f, 1.0f);
  two = D3DXVECTOR4(0.2f * c, 0.2f * n, 1.0f, 1.0f);
}

bool DesktopEffect::InitEffect(Camera* cameraIn, IDirect3DDevice9* deviceIn, RECT rect) {
  device = deviceIn;
  camera = cameraIn;
  left = rect.left;
  top = rect.top;
  right = rect.right;
  bottom = rect.bottom;
  halfWidth = static_cast<float>(right - left) * 0.5f;
  halfHeight = static_cast<float>(bottom - top) * 0.5f;
  screenScale = 1.21f;
  if (!device) return false;

  const Size size = TextureSize(halfWidth, halfHeight);
  // Pure black in the picture becomes transparent black.
  if (FAILED(D3DXCreateTextureFromFileExW(device, L"DesktopBitmap.bmp", size.width, size.height, 0, 0,
                                          D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_FILTER_NONE, D3DX_DEFAULT,
                                          D3DCOLOR_ARGB(255, 0, 0, 0), nullptr, nullptr,
                                          texture.ReleaseAndGetAddressOf())))
    texture.Reset();
  platform::counters::TagTexture(texture.Get());
  effect = CreateEffectFromArchive(device, L"Resource/DesktopShader.fx");
  if (!effect) return false;
  using gfx::ParamType;
  handles_.technique = effect->GetTechniqueByName("TechniqueDeskTop");
  handles_.worldViewProjection = effect->GetParameter("matWorldViewProjection", ParamType::Float4x4);
  handles_.screenScale = effect->GetParameter("ScreenWVSH", ParamType::Float);
  handles_.picture = effect->GetParameter("texFone", ParamType::Texture);
  handles_.posOne = effect->GetParameter("PosOne", ParamType::Float4);
  handles_.posTwo = effect->GetParameter("PosTwo", ParamType::Float4);
  return true;
}

bool DesktopEffect::Initialise(const SceneSetup& setup) {
  return InitEffect(&setup.camera, setup.device, setup.clientRect);
}

void DesktopEffect::Draw(double time) {
  if (!camera || !effect) return;  // no shader: nothing sensible to draw
  const float s = static_cast<float>(time);
  D3DXVECTOR4 one, two;
  CirclingPoints(s, one, two);
  D3DXMATRIX m;
  D3DXMatrixTranspose(&m, &camera->worldViewProjection);

  effect->SetTechnique(handles_.technique);
  effect->SetMatrix(handles_.worldViewProjection, m);
  effect->SetFloat(handles_.screenScale, screenScale);
  effect->SetTexture(handles_.picture, texture.Get());
  effect->SetVector(handles_.posOne, one);
  effect->SetVector(handles_.posTwo, two);
  effect->Begin();
  effect->BeginPass(0);
  effect->CommitChanges();
  ScreenVertex quad[4];
  BuildQuad(halfWidth, halfHeight, quad);
  DrawScreenQuad(device, quad);
  effect->EndPass();
  effect->End();
}

void DesktopEffect::Release() {
  camera = nullptr;
  texture.Reset();
  effect.reset();
}
