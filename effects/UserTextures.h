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
// full-screen backdrop, one picture alone or an endless cross-fade in list order,
// paced by the clock (every monitor's show takes the same time whatever its rate).
// The first picture fades in from black.
// Pictures are decoded on a thread of their own, at the size they are shown at,
// as the slideshow reaches them: at most the one shown, the one fading in and the
// one being decoded are held at any time.
class UserTextures {
public:
  // The device the textures are created on; Clear keeps it.
  void SetDevice(IDirect3DDevice9* device);
  // The entries to show (picture files and folders, as stored) in a width x height
  // area, shown as `show` says. Nothing is read yet: decoding begins with StartLoading.
  void SetPictures(std::vector<std::wstring> entries, int width, int height, PictureShow show = {});
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
  double slideFade = 0.0;

private:
  friend void DrawUserImages(UserTextures&, IDirect3DDevice9*, const RECT&, double);
  // Seconds since the frame before (0 on the first).
  double Step(double now);
  // Turns a decoded picture, if one is waiting, into the texture it is needed as.
  void Receive();
  Microsoft::WRL::ComPtr<IDirect3DTexture9> MakeTexture(const LoadedPicture& picture) const;

  IDirect3DDevice9* device_ = nullptr;
  std::vector<std::wstring> entries_;
  int width_ = 0, height_ = 0;
  PictureShow show_;
  bool placed_ = false;  // SetPictures has placed the show at its start
  std::unique_ptr<PictureLoader> loader_;
  Microsoft::WRL::ComPtr<IDirect3DTexture9> current_, incoming_;
  // Both pictures of a fade in one pass (made with the device; two passes without it).
  Microsoft::WRL::ComPtr<IDirect3DPixelShader9> fadeShader_;
  SlidePosition shown_;     // the picture shown (outgoing during a fade)
  SlidePosition incomingAt_;
  bool single_ = false;
  double lastTime_ = -1.0;  // clock time of the last frame drawn, -1 before the first
  double fadeIn_ = 0.0;     // the first picture's light, 0 (black) to 1
};

// One frame of the backdrop over the area at clock time `now` (seconds): the
// waiting picture becomes a texture, then the shown one is drawn, with the incoming
// one faded over it.
void DrawUserImages(UserTextures& textures, IDirect3DDevice9* device, const RECT& area, double now);

// A cross-fade's length: what 1001 frames at 60 Hz have always given it.
constexpr double kFadeSeconds = 1001.0 / 60.0;
// The first picture's fade in from black.
constexpr double kFadeInSeconds = 1.0;
// The fade moved on by `seconds`; true (and back to 0) when that completes it.
bool AdvanceFade(double& fade, double seconds);
// The colour byte each picture is drawn with at a fade position (where the device
// fades with its blending rather than a shader).
struct FadeWeights {
  uint8_t outgoing, incoming;
};
FadeWeights WeightsAt(double fade);
