#pragma once
#include <d3d9.h>

#include <iterator>
#include <span>
#include <vector>

// A pre-transformed full-screen (or part-screen) quad: the one vertex form and the
// one builder that every screen-space draw of the scene uses.
struct ScreenVertex {
  float x, y, z, rhw, u, v;
};
constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_TEX1;

struct ScreenRect {
  float left, top, right, bottom;
};
// Texture coordinates at the screen rectangle's left/top and right/bottom edges
// (a flipped picture has left > right or top > bottom).
struct UvRect {
  float left, top, right, bottom;
};

// The four corners in fan order, top-left first, clockwise. Any vertex type with
// x, y, z, rhw, u and v takes them; its other fields are left as they are.
template <typename Vertex>
void FillScreenQuad(const ScreenRect& s, const UvRect& uv, Vertex (&quad)[4]) {
  const float xs[4] = {s.left, s.right, s.right, s.left}, ys[4] = {s.top, s.top, s.bottom, s.bottom};
  const float us[4] = {uv.left, uv.right, uv.right, uv.left}, vs[4] = {uv.top, uv.top, uv.bottom, uv.bottom};
  for (int k = 0; k < 4; ++k) {
    quad[k].x = xs[k];
    quad[k].y = ys[k];
    quad[k].z = 0.0f;
    quad[k].rhw = 1.0f;
    quad[k].u = us[k];
    quad[k].v = vs[k];
  }
}

// Draws a quad of ScreenVertex with whatever texture and states are set.
inline void DrawScreenQuad(IDirect3DDevice9* device, const ScreenVertex (&quad)[4]) {
  device->SetFVF(kScreenVertexFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

// Lays a texture drawn at a smaller size over the whole width x height target:
// texel centres on its pixel grid, stretched with linear filtering, blended with
// the given factors (alpha blending is left on). Given parts (rectangles in the
// texture's pixels), those parts alone. What the logo and the backdrop find set on
// stage 0 stays as it was.
inline void LayTextureOver(IDirect3DDevice9* device, IDirect3DTexture9* texture, float width, float height,
                           D3DBLEND source, D3DBLEND destination, std::span<const RECT> parts = {}) {
  D3DSURFACE_DESC desc{};
  if (!texture || FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0) return;
  const RECT whole{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
  if (parts.empty()) parts = std::span<const RECT>(&whole, 1);
  const float tw = static_cast<float>(desc.Width), th = static_cast<float>(desc.Height);
  const float sx = width / tw, sy = height / th;
  std::vector<ScreenVertex> triangles;
  triangles.reserve(parts.size() * 6);
  for (const RECT& r : parts) {
    ScreenVertex quad[4];
    const auto l = static_cast<float>(r.left), t = static_cast<float>(r.top), ri = static_cast<float>(r.right),
               b = static_cast<float>(r.bottom);
    // Texel centres on the window's pixel grid, so neighbouring parts meet exactly.
    FillScreenQuad({l * sx - 0.5f, t * sy - 0.5f, ri * sx - 0.5f, b * sy - 0.5f}, {l / tw, t / th, ri / tw, b / th},
                   quad);
    triangles.insert(triangles.end(), {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]});
  }
  constexpr D3DSAMPLERSTATETYPE kSamplerStates[] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_ADDRESSU,
                                                    D3DSAMP_ADDRESSV};
  constexpr D3DTEXTURESTAGESTATETYPE kStageStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_ALPHAOP,
                                                       D3DTSS_ALPHAARG1};
  DWORD samplers[std::size(kSamplerStates)], stages[std::size(kStageStates)];
  for (size_t i = 0; i < std::size(kSamplerStates); ++i) device->GetSamplerState(0, kSamplerStates[i], &samplers[i]);
  for (size_t i = 0; i < std::size(kStageStates); ++i) device->GetTextureStageState(0, kStageStates[i], &stages[i]);

  device->SetTexture(0, texture);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, source);
  device->SetRenderState(D3DRS_DESTBLEND, destination);
  device->SetFVF(kScreenVertexFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(triangles.size() / 3), triangles.data(),
                          sizeof(ScreenVertex));
  device->SetTexture(0, nullptr);
  for (size_t i = 0; i < std::size(kSamplerStates); ++i) device->SetSamplerState(0, kSamplerStates[i], samplers[i]);
  for (size_t i = 0; i < std::size(kStageStates); ++i) device->SetTextureStageState(0, kStageStates[i], stages[i]);
}
