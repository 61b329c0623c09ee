#pragma once
#include <d3d9.h>

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
