#include "effects/UserTextures.h"

#include <d3dx9.h>

#include "render/ScreenQuad.h"

namespace {
// Pre-transformed: x, y, z, rhw, diffuse, u, v (28 bytes).
struct BackdropVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kBackdropFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(BackdropVertex) == 28);

// The whole picture stretched over the whole render area.
void BackdropQuad(float w, float h, uint32_t diffuse, BackdropVertex (&quad)[4]) {
  FillScreenQuad({0.0f, 0.0f, w, h}, {0.0f, 0.0f, 1.0f, 1.0f}, quad);
  for (BackdropVertex& v : quad) v.diffuse = diffuse;
}

// Every colour byte, alpha included, set to the same weight.
constexpr uint32_t Grey(uint8_t g) { return D3DCOLOR_ARGB(g, g, g, g); }

void DrawQuad(IDirect3DDevice9* device, IDirect3DTexture9* texture, const RECT& area, uint32_t diffuse) {
  BackdropVertex quad[4];
  BackdropQuad(static_cast<float>(area.right), static_cast<float>(area.bottom), diffuse, quad);
  device->SetTexture(0, texture);
  device->SetFVF(kBackdropFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(BackdropVertex));
}

// x87 registers hold more than a float; the fade steps in true single precision
// so that it reaches 1 at the 1001st frame.
float Single(float value) {
  volatile float stored = value;
  return stored;
}

// The incoming picture always follows the outgoing one in list order. A list that
// changed length between rebuilds can leave indices beyond its end, or a pair that
// no longer follows: the outgoing index is wrapped and the incoming one follows it.
void Repair(SlideState s, int count) {
  if (s.slideIndex >= 0 && s.slideIndex < count && s.nextSlideIndex == (s.slideIndex + 1) % count) return;
  s.slideIndex = ((s.slideIndex % count) + count) % count;
  s.nextSlideIndex = (s.slideIndex + 1) % count;
}
}  // namespace

bool UserTextures::AddTexture(const std::wstring& path) {
  Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
  const HRESULT hr = device_ ? D3DXCreateTextureFromFileExW(device_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                            D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                                            D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                            texture.GetAddressOf())
                             : E_POINTER;
  if (FAILED(hr) || !texture) {
    OutputDebugStringW(L"Failed to load texture. UserTextures::AddTexture ()\n");
    return false;
  }
  textures_.push_back(std::move(texture));
  return true;
}

void UserTextures::Clear() {
  for (auto& texture : textures_) texture.Reset();
  textures_.clear();
  textures_.shrink_to_fit();
}

SlideFrame AdvanceSlides(SlideState s, int count) {
  Repair(s, count);
  s.slideFade = Single(s.slideFade + 0.001f);
  if (s.slideFade >= 1.0f) {
    if (++s.slideIndex >= count) s.slideIndex = 0;
    s.slideFade = 0.0f;
    if (++s.nextSlideIndex >= count) s.nextSlideIndex = 0;
  }
  return {s.slideIndex, s.nextSlideIndex, static_cast<uint8_t>(Single(Single(1.0f - s.slideFade) * 255.0f)),
          static_cast<uint8_t>(Single(s.slideFade * 255.0f))};
}

void DrawUserImages(UserTextures& textures, IDirect3DDevice9* device, const RECT& area) {
  const int count = textures.Count();
  if (!device || count == 0) return;

  // One picture: opaque, with whatever blending the previous frame left (off).
  if (count == 1) {
    DrawQuad(device, textures.Texture(0), area, Grey(255));
    return;
  }

  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  const SlideFrame frame = AdvanceSlides({textures.slideIndex, textures.nextSlideIndex, textures.slideFade}, count);
  DrawQuad(device, textures.Texture(frame.outgoing), area, Grey(frame.outWeight));
  DrawQuad(device, textures.Texture(frame.incoming), area, Grey(frame.inWeight));
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}
