#pragma once
#include <cstdint>
#include <d3d9.h>

struct Camera;

// TODO: the metaball effect family.
class BlobsEffect {
public:
  bool Init(Camera* camera, IDirect3DDevice9* device, RECT clientRect);
  void Update();
  void Render();
  void ReleaseFrameSurfaces();
  void Release();

  float sizeScale = 1.0f;
  float speedDivisor = 0.01f;
  int32_t envMapIndex = 0;
};
