#pragma once
#include <d3d9.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

// The user's pictures as textures, in list order; drawn as a full-screen
// backdrop behind the scene's effect by DrawUserImages.
class UserTextures {
public:
  // The device the next AddTexture creates on; Clear keeps it.
  void SetDevice(IDirect3DDevice9* device) { device_ = device; }
  // Appends the picture at the path exactly as stored; false (with a debug
  // message) when the file cannot be made into a texture.
  bool AddTexture(const std::wstring& path);
  void Clear();

  int Count() const { return static_cast<int>(textures_.size()); }
  IDirect3DTexture9* Texture(int index) const { return textures_[index].Get(); }

  // The cross-fade: which picture goes, which comes, and how far; kept across
  // scene rebuilds (Clear leaves it).
  int32_t slideIndex = 0;
  int32_t nextSlideIndex = 1;
  float slideFade = 0.0f;

private:
  IDirect3DDevice9* device_ = nullptr;
  std::vector<Microsoft::WRL::ComPtr<IDirect3DTexture9>> textures_;
};

// One frame of the backdrop over the client area: one picture opaque, two or more
// cross-fading in list order.
void DrawUserImages(UserTextures& textures, IDirect3DDevice9* device, const RECT& area);

// The cross-fade, kept across scene rebuilds.
struct SlideState {
  int32_t& slideIndex;
  int32_t& nextSlideIndex;
  float& slideFade;
};

// What one cross-fade frame draws: the outgoing picture with all four colour bytes
// at outWeight, then the incoming one at inWeight.
struct SlideFrame {
  int outgoing, incoming;
  uint8_t outWeight, inWeight;
};

// Advances the cross-fade among `count` (>= 2) pictures by one frame. Indices left
// over from a list of another length are first brought back below `count`, the
// incoming picture following the outgoing one.
SlideFrame AdvanceSlides(SlideState state, int count);
