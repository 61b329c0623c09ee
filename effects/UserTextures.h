#pragma once
#include <d3d9.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/PictureLoader.h"
#include "effects/PictureSequence.h"

// The user's pictures behind the scene's effect: drawn by DrawUserImages as a
// full-screen backdrop, one picture alone or an endless cross-fade in list order.
// Pictures are decoded on a thread of their own, at the size they are shown at,
// as the slideshow reaches them: at most the one shown, the one fading in and the
// one being decoded are held at any time.
class UserTextures {
public:
  // The device the textures are created on; Clear keeps it.
  void SetDevice(IDirect3DDevice9* device);
  // The entries to show (picture files and folders, as stored) in a width x height
  // area. Nothing is read yet: decoding begins with StartLoading.
  void SetPictures(std::vector<std::wstring> entries, int width, int height);
  // Decoding begins; called with the first frame after the start-up speed test.
  void StartLoading();
  // Stops decoding and releases the textures. Where the slideshow stands is kept,
  // so a rebuilt scene goes on from the picture it showed.
  void Clear();
  // Clear, and the fade shader and the device let go: after it the device's owner
  // holds the last reference of this side.
  void Detach();

  // Textures held now: 0 before the first picture arrives, 1 while one is shown
  // alone, 2 during a cross-fade.
  int Count() const { return (current_ ? 1 : 0) + (incoming_ ? 1 : 0); }
  IDirect3DTexture9* Texture(int index) const { return index == 0 ? current_.Get() : incoming_.Get(); }
  // The list holds exactly one readable picture: it is shown opaque, never faded.
  bool Single() const { return single_; }
  // No picture of the list could be read.
  bool Exhausted() const { return loader_ && loader_->Exhausted(); }

  // The cross-fade position: 0 shows only the outgoing picture, 1 only the incoming.
  float slideFade = 0.0f;

private:
  friend void DrawUserImages(UserTextures&, IDirect3DDevice9*, const RECT&);
  // Turns a decoded picture, if one is waiting, into the texture it is needed as.
  void Receive();
  Microsoft::WRL::ComPtr<IDirect3DTexture9> MakeTexture(const LoadedPicture& picture) const;

  IDirect3DDevice9* device_ = nullptr;
  std::vector<std::wstring> entries_;
  int width_ = 0, height_ = 0;
  std::unique_ptr<PictureLoader> loader_;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> current_, incoming_;
  // Both pictures of a fade in one pass (made with the device; two passes without it).
  Microsoft::WRL::ComPtr<IDirect3DPixelShader9> fadeShader_;
  SlidePosition shown_;     // the picture shown (outgoing during a fade)
  SlidePosition incomingAt_;
  bool single_ = false;
};

// One frame of the backdrop over the area: the waiting picture becomes a texture,
// then the shown one is drawn, with the incoming one faded over it.
void DrawUserImages(UserTextures& textures, IDirect3DDevice9* device, const RECT& area);

// One frame of the fade: +0.001 in true single precision, so that a fade lasts
// 1001 frames; true (and back to 0) on the frame that completes it.
bool AdvanceFade(float& fade);
// The colour byte each picture is drawn with at a fade position.
struct FadeWeights {
  uint8_t outgoing, incoming;
};
FadeWeights WeightsAt(float fade);
