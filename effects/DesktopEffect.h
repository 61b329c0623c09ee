#pragma once
#include <d3d9.h>

struct Camera;

// TODO: the desktop effect family.
class DesktopEffect {
public:
  bool InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect);
  void Draw();
  void Release();
};
