#include "effects/UserTextures.h"

#include <d3dx9shader.h>

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

// The fade's blend in one pass: the outgoing picture's colour times its weight,
// squared, then scaled by what the incoming one leaves, plus the incoming colour
// times its weight, squared. It is what drawing the two pictures one after the
// other over black with the blend factors (source colour, inverse source alpha)
// gives, read from both textures at once instead of twice from the frame.
constexpr char kFadeShader[] =
    "ps_2_0\n"
    "dcl t0.xy\n"
    "dcl_2d s0\n"
    "dcl_2d s1\n"
    "texld r0, t0, s0\n"
    "texld r1, t0, s1\n"
    "mul r0, r0, c0\n"       // outgoing colour x its weight
    "mul r0, r0, r0\n"
    "mul r0, r0, c2\n"       // x (1 - incoming weight)
    "mul r1, r1, c1\n"       // incoming colour x its weight
    "mad r0, r1, r1, r0\n"
    "mov oC0, r0\n";

Microsoft::WRL::ComPtr<IDirect3DPixelShader9> MakeFadeShader(IDirect3DDevice9* device) {
  Microsoft::WRL::ComPtr<ID3DXBuffer> code;
  Microsoft::WRL::ComPtr<IDirect3DPixelShader9> shader;
  if (SUCCEEDED(D3DXAssembleShader(kFadeShader, sizeof(kFadeShader) - 1, nullptr, nullptr, 0, &code, nullptr)))
    device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader);
  return shader;
}

void DrawFadeInOnePass(IDirect3DDevice9* device, IDirect3DPixelShader9* shader, IDirect3DTexture9* outgoing,
                       IDirect3DTexture9* incoming, const RECT& area, FadeWeights weights) {
  const float out = weights.outgoing / 255.0f, in = weights.incoming / 255.0f;
  const float constants[3][4] = {{out, out, out, out}, {in, in, in, in}, {1.0f - in, 1.0f - in, 1.0f - in, 1.0f - in}};
  // The second picture is read the way the first is.
  constexpr D3DSAMPLERSTATETYPE kSampling[] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
                                               D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};
  for (D3DSAMPLERSTATETYPE state : kSampling) {
    DWORD value = 0;
    device->GetSamplerState(0, state, &value);
    device->SetSamplerState(1, state, value);
  }
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);  // the backdrop is the frame's first drawing
  device->SetPixelShader(shader);
  device->SetPixelShaderConstantF(0, &constants[0][0], 3);
  device->SetTexture(1, incoming);
  DrawQuad(device, outgoing, area, Grey(255));
  device->SetTexture(1, nullptr);
  device->SetPixelShader(nullptr);
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

void UserTextures::SetDevice(IDirect3DDevice9* device) {
  device_ = device;
  fadeShader_ = device ? MakeFadeShader(device) : nullptr;
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

void UserTextures::Detach() {
  Clear();
  SetDevice(nullptr);
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
  const FadeWeights weights = WeightsAt(textures.incoming_ ? textures.slideFade : 0.0f);
  if (textures.fadeShader_) {
    // Before the next picture is in, the shown one alone, as at the fade's start.
    IDirect3DTexture9* incoming = textures.incoming_ ? textures.incoming_.Get() : textures.current_.Get();
    DrawFadeInOnePass(device, textures.fadeShader_.Get(), textures.current_.Get(), incoming, area, weights);
    return;
  }
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  DrawQuad(device, textures.current_.Get(), area, Grey(weights.outgoing));
  if (textures.incoming_) DrawQuad(device, textures.incoming_.Get(), area, Grey(weights.incoming));
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}
