#pragma once
#include <cstdint>
#include <d3d9.h>
#include <d3dx9.h>
#include <windows.h>
#include <wrl/client.h>

#include "app/Camera.h"
#include "effects/BlobsEffect.h"
#include "effects/DesktopEffect.h"
#include "effects/FireEffect.h"
#include "effects/SparksEffect.h"

// Binds the scene to a window: the Direct3D device on it, the fixed states the
// effects count on, the logo, and the four effect objects.
class Window {
public:
  bool Create(HWND window);
  bool Init();
  void DrawLogo();
  void ReleaseAll();

  HWND hwnd = nullptr;
  RECT clientRect{};
  Camera camera;
  Microsoft::WRL::ComPtr<IDirect3D9> direct3D;
  Microsoft::WRL::ComPtr<IDirect3DDevice9> device;
  Microsoft::WRL::ComPtr<ID3DXFont> font;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> logoTexture;
  D3DXIMAGE_INFO logoInfo{};
  int32_t ShowImages = 0;
  SparksEffect sparks;
  BlobsEffect blobs;
  DesktopEffect desktop;
  FireEffect fire;
};

// The logo's quad for a client rectangle, or false when the window is too small
// for a logo (under 640 x 480). Vertices are x, y, z, rhw, u, v.
struct LogoVertex {
  float x, y, z, rhw, u, v;
};
bool LogoQuad(const RECT& clientRect, uint32_t logoWidth, uint32_t logoHeight, LogoVertex (&quad)[4]);
