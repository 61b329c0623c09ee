#include "effects/DesktopEffect.h"

#include <d3dx9.h>

#include <cmath>

#include "app/Camera.h"
#include "app/FrameClock.h"
#include "effects/ArchiveEntry.h"

DesktopEffect::Size DesktopEffect::TextureSize(float halfW, float halfH) {
  return {2 * static_cast<int32_t>(halfW), 2 * static_cast<int32_t>(halfH)};
}

void DesktopEffect::BuildQuad(float halfW, float halfH, QuadVertex (&quad)[4]) {
  const float w = 2.0f * halfW + 0.5f;
  const float h = 2.0f * halfH + 0.5f;
  quad[0] = {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  quad[1] = {w, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f};
  quad[2] = {w, h, 0.0f, 1.0f, 1.0f, 1.0f};
  quad[3] = {0.0f, h, 0.0f, 1.0f, 0.0f, 1.0f};
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
  effect = CreateEffectFromArchive(device, L"Resource/DesktopShader.fx");
  return effect != nullptr;
}

void DesktopEffect::Draw() {
  if (!camera || !effect) return;  // no shader: nothing sensible to draw
  const float s = static_cast<float>(GetFrameClock().Time());
  D3DXVECTOR4 one, two;
  CirclingPoints(s, one, two);
  D3DXMATRIX m;
  D3DXMatrixTranspose(&m, &camera->worldViewProjection);

  effect->SetTechnique("TechniqueDeskTop");
  effect->SetMatrix("matWorldViewProjection", m);
  effect->SetFloat("ScreenWVSH", screenScale);
  effect->SetTexture("texFone", texture.Get());
  effect->SetVector("PosOne", one);
  effect->SetVector("PosTwo", two);
  effect->Begin();
  effect->BeginPass(0);
  effect->CommitChanges();
  QuadVertex quad[4];
  BuildQuad(halfWidth, halfHeight, quad);
  device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));
  effect->EndPass();
  effect->End();
}

void DesktopEffect::Release() {
  camera = nullptr;
  texture.Reset();
  effect.reset();
}
