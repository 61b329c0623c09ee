#pragma once
#include <cstdint>
#include <d3d9.h>
#include <d3dx9.h>
#include <windows.h>
#include <wrl/client.h>

#include "render/ScreenQuad.h"

// Binds the scene to a window: the Direct3D device on it, the fixed states the
// effects count on, and the logo.
class Window {
public:
  bool Create(HWND window);
  // Draws with another window's device, into an area of `area`'s size (one monitor
  // of several): the owner's window, device and Direct3D object, held until
  // ReleaseAll, which leaves their last release to the owner.
  void Borrow(const Window& owner, RECT area);
  bool Init();
  void DrawLogo();
  void ReleaseAll();

  HWND hwnd = nullptr;
  RECT clientRect{};
  Microsoft::WRL::ComPtr<IDirect3D9> direct3D;
  Microsoft::WRL::ComPtr<IDirect3DDevice9> device;
  Microsoft::WRL::ComPtr<ID3DXFont> font;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> logoTexture;
  D3DXIMAGE_INFO logoInfo{};
  bool borrowed = false;
};

// The logo's quad for a client rectangle, 5 pixels from the bottom-left corner, or
// false when the window is too small for a logo (under 640 x 480).
bool LogoQuad(const RECT& clientRect, uint32_t logoWidth, uint32_t logoHeight, ScreenVertex (&quad)[4]);
