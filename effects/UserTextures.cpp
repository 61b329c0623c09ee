#include "effects/UserTextures.h"

#include <cstring>

#include "platform/Handles.h"
#include "render/ScreenQuad.h"

namespace {
// Pre-transformed: x, y, z, rhw, diffuse, u, v (28 bytes).
struct BackdropVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kBackdropFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(BackdropVertex) == 28);

// Every colour byte, alpha included, set to the same weight.
constexpr uint32_t Grey(uint8_t g) { return D3DCOLOR_ARGB(g, g, g, g); }

void DrawQuad(IDirect3DDevice9* device, IDirect3DTexture9* texture, const RECT& area, uint32_t diffuse) {
  BackdropVertex quad[4];
  FillScreenQuad({0.0f, 0.0f, static_cast<float>(area.right), static_cast<float>(area.bottom)},
                 {0.0f, 0.0f, 1.0f, 1.0f}, quad);
  for (BackdropVertex& v : quad) v.diffuse = diffuse;
  device->SetTexture(0, texture);
  device->SetFVF(kBackdropFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(BackdropVertex));
}

// x87 registers hold more than a float; the fade steps in true single precision
// so that it reaches 1 at the 1001st frame.
float Single(float value) {
  volatile float stored = value;
  return stored;
}

bool SamePosition(const SlidePosition& a, const SlidePosition& b) {
  return a.entry == b.entry && a.picture == b.picture;
}
}  // namespace

bool AdvanceFade(float& fade) {
  fade = Single(fade + 0.001f);
  if (fade < 1.0f) return false;
  fade = 0.0f;
  return true;
}

FadeWeights WeightsAt(float fade) {
  return {static_cast<uint8_t>(Single(Single(1.0f - fade) * 255.0f)), static_cast<uint8_t>(Single(fade * 255.0f))};
}

void UserTextures::SetPictures(std::vector<std::wstring> entries, int width, int height) {
  Clear();
  entries_ = std::move(entries);
  width_ = width;
  height_ = height;
  // One file in the list is the single-picture case from the start; a folder may
  // hold any number, which only its walk tells.
  single_ = entries_.size() == 1 && !PictureSequence::IsFolder(entries_[0]);
}

void UserTextures::StartLoading() {
  if (entries_.empty() || width_ <= 0 || height_ <= 0) return;
  if (!loader_) loader_ = std::make_unique<PictureLoader>(entries_, shown_, width_, height_);
  loader_->Start();
}

void UserTextures::Clear() {
  loader_.reset();
  current_.Reset();
  incoming_.Reset();
  slideFade = 0.0f;
}

Microsoft::WRL::ComPtr<IDirect3DTexture9> UserTextures::MakeTexture(const LoadedPicture& picture) const {
  Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
  if (!device_ || FAILED(device_->CreateTexture(picture.width, picture.height, 1, 0, D3DFMT_A8R8G8B8,
                                                D3DPOOL_MANAGED, &texture, nullptr)))
    return nullptr;
  platform::counters::TagTexture(texture.Get());
  const platform::LockedRect locked(texture.Get(), 0);
  if (!locked) return nullptr;
  const size_t row = static_cast<size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(locked.Row(y), picture.pixels.data() + static_cast<size_t>(y) * picture.width, row);
  return texture;
}

void UserTextures::Receive() {
  if (!loader_ || incoming_ || (current_ && single_)) return;
  std::optional<LoadedPicture> picture = loader_->Take();
  if (!picture) return;
  auto texture = MakeTexture(*picture);
  if (!texture) return;  // no room on the device: the next picture tries again
  if (!current_) {
    current_ = std::move(texture);
    shown_ = picture->position;
  } else if (SamePosition(picture->position, shown_)) {
    single_ = true;  // the walk came round to the shown picture: it is the only readable one
  } else {
    incoming_ = std::move(texture);
    incomingAt_ = picture->position;
    slideFade = 0.0f;
  }
}

void DrawUserImages(UserTextures& textures, IDirect3DDevice9* device, const RECT& area) {
  if (!device) return;
  textures.Receive();
  if (!textures.current_) return;

  // One picture: opaque, with whatever blending the previous frame left (off).
  if (textures.single_) {
    DrawQuad(device, textures.current_.Get(), area, Grey(255));
    return;
  }

  if (textures.incoming_ && AdvanceFade(textures.slideFade)) {
    // The incoming picture has come in: it is the shown one now, and the next
    // one, if already decoded, starts fading in on this very frame.
    // (Not a move: mingw's ComPtr copies on move assignment.)
    textures.current_ = textures.incoming_;
    textures.incoming_.Reset();
    textures.shown_ = textures.incomingAt_;
    textures.Receive();
  }
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  const FadeWeights weights = WeightsAt(textures.incoming_ ? textures.slideFade : 0.0f);
  DrawQuad(device, textures.current_.Get(), area, Grey(weights.outgoing));
  if (textures.incoming_) DrawQuad(device, textures.incoming_.Get(), area, Grey(weights.incoming));
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}
