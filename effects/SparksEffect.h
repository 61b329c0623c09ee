#pragma once
#include <d3d9.h>

struct Camera;

// TODO: the sparks effect family.
class SparksEffect {
public:
  bool InitEffect(Camera* camera, IDirect3DDevice9* device);
  void Draw();
  void Release();
};
