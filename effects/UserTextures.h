#pragma once
#include <d3d9.h>
#include <string>

// TODO: the user's pictures as a cross-fading backdrop.
class UserTextures {
public:
  void SetDevice(IDirect3DDevice9* device) { device_ = device; }
  bool AddTexture(const std::wstring& path);
  void Clear();

private:
  IDirect3DDevice9* device_ = nullptr;
};

UserTextures& GetUserTextures();
void DrawUserImages();
