#include "effects/UserTextures.h"

#include <d3dx9shader.h>

#include <algorithm>
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

// The fade's blend in one pass: outgoing x its weight + incoming x its weight, the
// weights summing to the light (1 once the first picture has faded in), so each
// picture keeps its own brightness at every moment of the fade.
constexpr char kFadeShader[] =
    "ps_2_0\n"
    "dcl t0.xy\n"
    "dcl_2d s0\n"
    "dcl_2d s1\n"
    "texld r0, t0, s0\n"
    "texld r1, t0, s1\n"
    "mul r0, r0, c0\n"       // outgoing colour x its weight
    "mad r0, r1, c1, r0\n"   // + incoming colour x its weight
    "mov oC0, r0\n";

Microsoft::WRL::ComPtr<IDirect3DPixelShader9> MakeFadeShader(IDirect3DDevice9* device) {
  Microsoft::WRL::ComPtr<ID3DXBuffer> code;
  Microsoft::WRL::ComPtr<IDirect3DPixelShader9> shader;
  if (SUCCEEDED(D3DXAssembleShader(kFadeShader, sizeof(kFadeShader) - 1, nullptr, nullptr, 0, &code, nullptr)))
    device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader);
  return shader;
}

void DrawFadeInOnePass(IDirect3DDevice9* device, IDirect3DPixelShader9* shader, IDirect3DTexture9* outgoing,
                       IDirect3DTexture9* incoming, const RECT& area, double fade, double light) {
  const auto out = static_cast<float>((1.0 - fade) * light), in = static_cast<float>(fade * light);
  const float constants[2][4] = {{out, out, out, out}, {in, in, in, in}};
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
  device->SetPixelShaderConstantF(0, &constants[0][0], 2);
  device->SetTexture(1, incoming);
  DrawQuad(device, outgoing, area, Grey(255));
  device->SetTexture(1, nullptr);
  device->SetPixelShader(nullptr);
}

// Shuffled, a position's entry is the picture itself and its picture count the step.
bool SamePicture(const SlidePosition& a, const SlidePosition& b, bool shuffled) {
  return a.entry == b.entry && (shuffled || a.picture == b.picture);
}
}  // namespace

bool AdvanceFade(double& fade, double seconds) {
  fade += seconds / kFadeSeconds;
  // A frame's rounding short of the end is the end.
  if (fade < 1.0 - 1e-9) return false;
  fade = 0.0;
  return true;
}

FadeWeights WeightsAt(double fade) {
  return {static_cast<uint8_t>((1.0 - fade) * 255.0), static_cast<uint8_t>(fade * 255.0)};
}

double UserTextures::Step(double now) {
  const double seconds = lastTime_ < 0.0 ? 0.0 : std::clamp(now - lastTime_, 0.0, 1.0);
  lastTime_ = now;
  return seconds;
}

void UserTextures::SetDevice(IDirect3DDevice9* device) {
  device_ = device;
  fadeShader_ = device ? MakeFadeShader(device) : nullptr;
}

void UserTextures::SetPictures(std::vector<std::wstring> entries, int width, int height, PictureShow show) {
  Clear();
  entries_ = std::move(entries);
  width_ = width;
  height_ = height;
  // Where the show begins, once; a rebuilt scene goes on from where it stood.
  if (!placed_ || show.shuffle != show_.shuffle)
    shown_ = show.shuffle ? SlidePosition{0, show.firstStep} : SlidePosition{};
  placed_ = true;
  show_ = show;
  // One file in the list is the single-picture case from the start; a folder may
  // hold any number, which only its walk tells.
  single_ = entries_.size() == 1 && !PictureSequence::IsFolder(entries_[0]);
}

void UserTextures::StartLoading() {
  if (entries_.empty() || width_ <= 0 || height_ <= 0) return;
  if (!loader_) loader_ = std::make_unique<PictureLoader>(entries_, shown_, width_, height_, show_);
  loader_->Start();
}

void UserTextures::Clear() {
  loader_.reset();
  current_.Reset();
  incoming_.Reset();
  slideFade = 0.0;
  fadeIn_ = 0.0;
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
  } else if (SamePicture(picture->position, shown_, show_.shuffle)) {
    single_ = true;  // the walk came round to the shown picture: it is the only readable one
  } else {
    incoming_ = std::move(texture);
    incomingAt_ = picture->position;
    slideFade = 0.0;
  }
}

void DrawUserImages(UserTextures& textures, IDirect3DDevice9* device, const RECT& area, double now) {
  const double seconds = textures.Step(now);
  if (!device) return;
  textures.Receive();
  if (!textures.current_) return;
  // Only once the first picture is in: its fade in starts with its first frame.
  const bool firstFrame = textures.fadeIn_ == 0.0;
  textures.fadeIn_ = firstFrame ? 1e-9 : std::min(1.0, textures.fadeIn_ + seconds / kFadeInSeconds);
  const double light = textures.fadeIn_;

  // One picture: opaque, with whatever blending the previous frame left (off).
  if (textures.single_) {
    DrawQuad(device, textures.current_.Get(), area, Grey(static_cast<uint8_t>(light * 255.0)));
    return;
  }

  if (textures.incoming_ && AdvanceFade(textures.slideFade, seconds)) {
    // The incoming picture has come in: it is the shown one now, and the next
    // one, if already decoded, starts fading in on this very frame.
    // (Not a move: mingw's ComPtr copies on move assignment.)
    textures.current_ = textures.incoming_;
    textures.incoming_.Reset();
    textures.shown_ = textures.incomingAt_;
    textures.Receive();
  }
  const double fade = textures.incoming_ ? textures.slideFade : 0.0;
  if (textures.fadeShader_) {
    // Before the next picture is in, the shown one alone, as at the fade's start.
    IDirect3DTexture9* incoming = textures.incoming_ ? textures.incoming_.Get() : textures.current_.Get();
    DrawFadeInOnePass(device, textures.fadeShader_.Get(), textures.current_.Get(), incoming, area, fade, light);
    return;
  }
  // Without the shader: the shown picture opaque, the incoming one over it with its
  // weight as opacity.
  const auto shade = static_cast<uint8_t>(light * 255.0);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  DrawQuad(device, textures.current_.Get(), area, Grey(shade));
  if (textures.incoming_) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawQuad(device, textures.incoming_.Get(), area, D3DCOLOR_ARGB(WeightsAt(fade).incoming, shade, shade, shade));
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }
}
