#pragma once
#include <cstdint>
#include <d3d9.h>

struct Camera;

// TODO: flames (FireEffect.fx through the effect layer).
class FireEffect {
public:
  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect);
  void Render();
  void Release();

  int32_t style = 0;

private:
  Camera* camera_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  RECT clientRect_{};
};
