// The flames on a real device with the packed archive: the quad's corners, the
// three styles by their pixels, style 3, and the failures of InitEffect.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

#include "app/SceneManager.h"
#include "render/FrameClock.h"
#include "effects/FireEffect.h"
#include "tests/unit/EffectProbe.h"
#include "gfx/Effect.h"
#include "platform/Counters.h"
#include "resources/Language.h"
#include "resources/ZipReader.h"
#include "tests/unit/FolderSource.h"
#include "tests/unit/TestWindows.h"

using Microsoft::WRL::ComPtr;

namespace {

// The archive's entries, some of them replaced or removed.
class PatchedArchive : public EntrySource {
public:
  std::map<std::wstring, std::optional<std::string>> replaced;

  WorkSpace::ArchiveBytes ReadEntry(const std::wstring& name) override {
    const auto it = replaced.find(name);
    if (it == replaced.end()) return WorkSpace::GetResourceArchive().ReadEntry(name);
    if (!it->second) return {};
    return OwnedBytes(*it->second);
  }
};

struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
  uint32_t At(int x, int y) const { return argb[y * width + x]; }
  // The columns [left, left + count), as a picture of their own.
  Pixels Columns(int left, int count) const {
    Pixels part;
    part.width = count;
    part.height = height;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < count; ++x) part.argb.push_back(At(left + x, y));
    return part;
  }
  static int Luma(uint32_t c) { return ((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF); }
  // Mean brightness (0..2550) over rows [top, bottom).
  double MeanLuma(int top, int bottom) const {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < width; ++x) sum += Luma(At(x, y));
    return sum / ((bottom - top) * width);
  }
  // Share of pixels that are lit and warm: red the strongest channel, blue the weakest.
  double WarmShare() const {
    int warm = 0;
    for (uint32_t c : argb) {
      const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      if (r > 60 && r >= g && g >= b) ++warm;
    }
    return static_cast<double>(warm) / argb.size();
  }
  int Differences(const Pixels& other) const {
    int n = 0;
    for (size_t i = 0; i < argb.size(); ++i) n += (argb[i] & 0xFFFFFF) != (other.argb[i] & 0xFFFFFF);
    return n;
  }
};

Pixels ReadBack(IDirect3DDevice9* device) {
  BackBufferImage image = ReadBackBuffer(device);
  Pixels p;
  p.width = image.width;
  p.height = image.height;
  p.argb = std::move(image.pixels);
  return p;
}

class Flames : public ::testing::Test {
protected:
  void SetUp() override {
    LoadLanguage();  // opens the archive beside the executable
    GetFrameClock().Start();
    ASSERT_TRUE(w.Create(window.hwnd));
    device = w.device.Get();
  }
  void TearDown() override {
    fire.Release();
    w.ReleaseAll();
  }
  // Made as a scene makes it, with the default choices.
  bool Init(FireEffect& f) {
    const SettingsStore defaults;
    return f.Initialise({device, w.clientRect, camera, defaults, {}});
  }
  Pixels Draw(int style) { return DrawWith(fire, style); }
  Pixels DrawWith(FireEffect& f, int style) {
    EffectProbe::style(f) = style;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    f.Draw(GetFrameClock().Time());
    device->EndScene();
    return ReadBack(device);
  }

  TestWindow window{L"Flames", 320, 240};
  Window w;
  IDirect3DDevice9* device = nullptr;
  Camera camera;
  FireEffect fire;
};

}  // namespace

// The flames' quad, as FinishStyle builds it: the texture runs from the bottom-right.
TEST(FireQuad, TopLeftGetsOneOneAndVRunsUpFromTheBottom) {
  ScreenVertex q[4];
  FillScreenQuad({0.0f, 0.0f, 800.5f, 600.5f}, {1.0f, 1.0f, 0.0f, 0.0f}, q);
  const float expected[4][6] = {{0, 0, 0, 1, 1, 1}, {800.5f, 0, 0, 1, 0, 1}, {800.5f, 600.5f, 0, 1, 0, 0},
                                {0, 600.5f, 0, 1, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    const float got[6] = {q[i].x, q[i].y, q[i].z, q[i].rhw, q[i].u, q[i].v};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(got[k], expected[i][k]) << "vertex " << i << " field " << k;
  }
  static_assert(sizeof(ScreenVertex) == 24);
}

// A third of the width, never under 320 pixels across nor over the window, in the
// window's shape.
TEST(FireTarget, AThirdOfTheWindowInItsShape) {
  const auto size = [](int w, int h) {
    const SIZE s = FlameTargetSize(w, h);
    return std::pair<LONG, LONG>(s.cx, s.cy);
  };
  EXPECT_EQ(size(1920, 1080), (std::pair<LONG, LONG>(640, 360)));
  EXPECT_EQ(size(3840, 2160), (std::pair<LONG, LONG>(1280, 720)));
  EXPECT_EQ(size(800, 600), (std::pair<LONG, LONG>(267, 200)));
  EXPECT_EQ(size(640, 480), (std::pair<LONG, LONG>(256, 192)));  // never under 256 across
  EXPECT_EQ(size(1280, 1024), (std::pair<LONG, LONG>(427, 342)));
  EXPECT_EQ(size(152, 112), (std::pair<LONG, LONG>(152, 112)));  // the display settings' preview
  EXPECT_EQ(size(1080, 1920), (std::pair<LONG, LONG>(360, 640)));  // a portrait screen
  EXPECT_EQ(size(0, 0), (std::pair<LONG, LONG>(1, 1)));
  EXPECT_EQ(size(5000, 1), (std::pair<LONG, LONG>(1667, 1)));
}

TEST(FireDefaults, ConstructorValues) {
  FireEffect f;
  EXPECT_EQ(f.Style(), SettingsValues{}.selectFireEffect);  // one default, the settings'
  EXPECT_EQ(EffectProbe::effect(f), nullptr);
  EXPECT_EQ(EffectProbe::colorDistribution(f), 2.76f);
  EXPECT_EQ(EffectProbe::flamability(f), 1.53f);
  EXPECT_EQ(EffectProbe::sideFadeSharpness(f), 0.04f);
  EXPECT_EQ(EffectProbe::yScale(f), 0.6f);
}

TEST_F(Flames, EachStyleDrawsWarmFlamesOfItsOwnShape) {
  ASSERT_TRUE(Init(fire));
  ASSERT_TRUE(EffectProbe::effect(fire) && EffectProbe::flameTexture(fire) && EffectProbe::noiseVolume(fire));
  for (const char* name : {"FireEffectTechnique", "FireBallEffectTechnique", "FireDetonationEffectTechnique"})
    EXPECT_GE(EffectProbe::effect(fire)->GetTechniqueByName(name), 0) << name;

  const Pixels flames = Draw(0);
  EXPECT_GT(flames.WarmShare(), 0.3);
  // Hot at the bottom, fading towards the top.
  EXPECT_GT(flames.MeanLuma(180, 240), 2.0 * flames.MeanLuma(0, 60));
  EXPECT_GT(flames.MeanLuma(200, 240), 1000.0);

  const Pixels ball = Draw(1);
  EXPECT_GT(ball.WarmShare(), 0.1);
  // A ball: bright in the middle, dark in the corners.
  EXPECT_GT(Pixels::Luma(ball.At(160, 120)), 1500);
  for (auto [x, y] : {std::pair{2, 2}, {317, 2}, {2, 237}, {317, 237}}) EXPECT_LT(Pixels::Luma(ball.At(x, y)), 100);

  const Pixels blast = Draw(2);
  EXPECT_GT(blast.WarmShare(), 0.2);
  EXPECT_GT(blast.MeanLuma(90, 150), blast.MeanLuma(0, 30));

  // Switching the style between frames switches the technique.
  EXPECT_GT(flames.Differences(ball), 320 * 240 / 3);
  EXPECT_GT(ball.Differences(blast), 320 * 240 / 3);
}

TEST_F(Flames, ParametersChangeTheLookAsTheirNamesSay) {
  ASSERT_TRUE(Init(fire));
  const Pixels normal = Draw(0);
  EffectProbe::yFade(fire) = 1.2f;  // the heat dies sooner: lower flames
  const Pixels lower = Draw(0);
  EXPECT_LT(lower.MeanLuma(0, 120), 0.6 * normal.MeanLuma(0, 120));
  EffectProbe::yFade(fire) = 0.6f;
  EffectProbe::sideFadeSharpness(fire) = 0.3f;  // a wide cold margin at each side
  const Pixels narrow = Draw(0);
  EXPECT_LT(Pixels::Luma(narrow.At(20, 230)), 30);
  EXPECT_LT(Pixels::Luma(narrow.At(300, 230)), 30);
  EffectProbe::sideFadeSharpness(fire) = 0.04f;

  const auto litShare = [](const Pixels& p) {
    int lit = 0;
    for (uint32_t c : p.argb) lit += Pixels::Luma(c) > 300;
    return static_cast<double>(lit) / p.argb.size();
  };
  const double ball = litShare(Draw(1));
  EffectProbe::spread(fire) = 0.8f;  // a smaller ball
  EXPECT_LT(litShare(Draw(1)), 0.6 * ball);
  EffectProbe::spread(fire) = 1.5f;
  const double hot = Draw(1).MeanLuma(90, 150);
  EffectProbe::colorDistribution(fire) = 1.2f;  // less heat per unit: a cooler, redder ball
  EXPECT_LT(Draw(1).MeanLuma(90, 150), 0.7 * hot);
  EffectProbe::colorDistribution(fire) = 2.76f;
}

TEST_F(Flames, FramesHalfASecondApartDiffer) {
  ASSERT_TRUE(Init(fire));
  for (int style = 0; style < 3; ++style) {
    const Pixels first = Draw(style);
    Sleep(500);
    const Pixels second = Draw(style);
    EXPECT_GT(first.Differences(second), 320 * 240 / 10) << "style " << style;
  }
}

TEST_F(Flames, OtherStylesDrawNothingAndTheBlendStatesAreLeftAsSpecified) {
  ASSERT_TRUE(Init(fire));
  for (int style : {3, -1}) {
    const Pixels none = Draw(style);
    EXPECT_EQ(none.WarmShare(), 0.0);
    EXPECT_EQ(none.MeanLuma(0, 240), 0.0);
  }
  Draw(0);
  DWORD value = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(FALSE));
  device->GetRenderState(D3DRS_SRCBLEND, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_SRCALPHA));
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
  device->GetTextureStageState(0, D3DTSS_ALPHAARG1, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTA_DIFFUSE));
  // The effect gives back its shader and samplers when it ends.
  ComPtr<IDirect3DPixelShader9> shader;
  device->GetPixelShader(&shader);
  EXPECT_FALSE(shader);
  ComPtr<IDirect3DBaseTexture9> texture;
  device->GetTexture(0, &texture);
  EXPECT_FALSE(texture);
}

TEST_F(Flames, ADayOfRunningTimeStillGivesFlames) {
  // The time is never wrapped: after a day t is about 43200. The shader reduces
  // its offsets itself, so the picture is still fire and still moves.
  ASSERT_TRUE(Init(fire));
  gfx::Effect& effect = *EffectProbe::effect(fire);
  const auto drawAt = [&](float t) {
    effect.SetTechnique("FireEffectTechnique");
    effect.SetFloat("time_0_X", t);
    effect.SetTexture("texNoise", EffectProbe::noiseVolume(fire).Get());
    effect.SetTexture("texFlame", EffectProbe::flameTexture(fire).Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);  // the shaders premultiply
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    effect.Begin();
    effect.BeginPass(0);
    ScreenVertex quad[4];
    FillScreenQuad({0, 0, 320.5f, 240.5f}, {1, 1, 0, 0}, quad);
    DrawScreenQuad(device, quad);
    effect.EndPass();
    effect.End();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->EndScene();
    return ReadBack(device);
  };
  const Pixels late = drawAt(43200.0f);
  const Pixels later = drawAt(43200.25f);
  EXPECT_GT(late.WarmShare(), 0.3);
  EXPECT_GT(late.MeanLuma(180, 240), 2.0 * late.MeanLuma(0, 60));
  EXPECT_GT(late.Differences(later), 320 * 240 / 10);
}

TEST_F(Flames, InitFailuresLeaveWhatWasCreatedForRelease) {
  PatchedArchive missingEffect;
  missingEffect.replaced[L"Resource/FireEffect.fx"] = std::nullopt;
  FireEffect noEffect(missingEffect);
  EXPECT_FALSE(Init(noEffect));
  EXPECT_EQ(EffectProbe::effect(noEffect), nullptr);
  EXPECT_EQ(EffectProbe::device(noEffect), device);
  EXPECT_EQ(DrawWith(noEffect, 0).MeanLuma(0, 240), 0.0);  // nothing drawn without the effect

  PatchedArchive brokenEffect;
  brokenEffect.replaced[L"Resource/FireEffect.fx"] = std::string("technique T { pass P { Bogus = 1; } }");
  FireEffect broken(brokenEffect);
  EXPECT_FALSE(Init(broken));
  EXPECT_EQ(EffectProbe::effect(broken), nullptr);

  PatchedArchive emptyRamp;
  emptyRamp.replaced[L"Resource/Flame.tga"] = std::string();
  FireEffect noRamp(emptyRamp);
  EXPECT_FALSE(Init(noRamp));
  EXPECT_NE(EffectProbe::effect(noRamp), nullptr);
  EXPECT_EQ(EffectProbe::flameTexture(noRamp), nullptr);

  PatchedArchive badNoise;
  badNoise.replaced[L"Resource/NoiseVolume.dds"] = std::string("DDS garbage");
  FireEffect noisy(badNoise);
  EXPECT_FALSE(Init(noisy));
  EXPECT_NE(EffectProbe::flameTexture(noisy), nullptr);
  EXPECT_EQ(EffectProbe::noiseVolume(noisy), nullptr);
  // Only the noise is missing: the technique still runs (with the sampler unbound).
  DrawWith(noisy, 0);

  PatchedArchive noNoise;
  noNoise.replaced[L"Resource/NoiseVolume.dds"] = std::nullopt;
  FireEffect silent(noNoise);
  EXPECT_FALSE(Init(silent));

  for (FireEffect* f : {&noEffect, &broken, &noRamp, &noisy}) f->Release();
  silent.Release();
  silent.Release();  // harmless
  EXPECT_EQ(EffectProbe::effect(silent), nullptr);
  EXPECT_EQ(EffectProbe::flameTexture(silent), nullptr);
  EXPECT_EQ(EffectProbe::noiseVolume(silent), nullptr);
}

// An adapter whose driver refuses one style's shader: that style is drawn as Fire,
// the others as themselves; without the flame target the flames are drawn straight.
TEST_F(Flames, ARefusedStyleFallsBackToFireAndAMissingTargetDrawsStraight) {
  struct RefuseSecondPixelShader : gfx::ShaderMaker {
    int made = 0;
    HRESULT CreatePixelShader(IDirect3DDevice9* d, const DWORD* tokens, IDirect3DPixelShader9** shader) override {
      return ++made == 2 ? D3DERR_INVALIDCALL : ShaderMaker::CreatePixelShader(d, tokens, shader);
    }
  } refuseFireBall;  // the file's second technique
  FireEffect refusing(ResourceArchiveSource(), &refuseFireBall);
  SettingsStore settings;
  settings.SetValue(L"SelectFireEffect", 1);
  ASSERT_TRUE(refusing.Initialise({device, w.clientRect, camera, settings, {}}));
  EXPECT_EQ(refusing.Style(), 0);
  const Pixels fireDrawn = DrawWith(refusing, 0);
  EXPECT_GT(fireDrawn.WarmShare(), 0.3);
  refusing.ApplyChoices(settings);  // the dialog's preview switches to it again
  EXPECT_EQ(refusing.Style(), 0);
  settings.SetValue(L"SelectFireEffect", 2);
  refusing.ApplyChoices(settings);
  EXPECT_EQ(refusing.Style(), 2);
  EXPECT_GT(DrawWith(refusing, 2).WarmShare(), 0.2);

  EffectProbe::flameTarget(refusing).Reset();
  const Pixels straight = DrawWith(refusing, 0);
  EXPECT_GT(straight.WarmShare(), 0.3);
  EXPECT_GT(straight.MeanLuma(180, 240), 2.0 * straight.MeanLuma(0, 60));
}

// The preview: a 152 x 112 child window, as the display settings give it. Its
// frames never reach an X screenshot, so the scene is composed in-process and
// the back buffer read: flames, and no logo at that size.
TEST(FlamesPreview, PreviewSizedChildShowsFlamesAndNoLogo) {
  LoadLanguage();
  TestWindow parent(L"FlamesPreviewParent", 300, 200);
  TestWindow child(parent.hwnd, 152, 112);
  SceneManager scenes;
  Scene& scene = scenes.GetScene();
  Window& w = scene.window;
  ASSERT_EQ(scenes.Init(child.hwnd, {}, SettingsStore{}), SceneStart::Built);
  auto* fire = dynamic_cast<FireEffect*>(scene.effect.get());
  ASSERT_TRUE(fire && EffectProbe::effect(*fire));
  ASSERT_TRUE(w.logoTexture) << "the logo is loaded, and must still not be drawn";
  // Two frames each: after Present the back buffer may hold either of the last two.
  EffectProbe::style(*fire) = 0;
  scenes.Update();
  scenes.DrawFrame(false);
  scenes.DrawFrame(false);
  const Pixels flames = ReadBack(w.device.Get());
  EXPECT_EQ(flames.width, 152);
  EXPECT_EQ(flames.height, 112);
  EXPECT_GT(flames.WarmShare(), 0.3);
  EXPECT_GT(flames.MeanLuma(84, 112), 2.0 * flames.MeanLuma(0, 28));

  // With the flames off the frame is black all over: nothing else (no logo) is drawn.
  EffectProbe::style(*fire) = 3;
  scenes.DrawFrame(false);
  scenes.DrawFrame(false);
  const Pixels nothing = ReadBack(w.device.Get());
  EXPECT_EQ(nothing.MeanLuma(0, 112), 0.0);

  // The scene's release is the device's last one: a reference left would keep
  // Direct3D's own thread alive until the process ends.
  IDirect3DDevice9* device = w.device.Get();
  device->AddRef();
  scenes.Teardown();
  EXPECT_EQ(device->Release(), 0u);
}

namespace {
// Wine never loses a windowed device: the tests choose what Present and the state
// query answer.
// The flames alone: style 0, no pictures.
SettingsStore NoPictures() {
  SettingsStore settings;
  settings.Choices().showImages = 0;
  return settings;
}

// A monitor at (left, 0) of the window's client area, `width` x `height`.
MonitorArea MonitorIn(HWND window, int left, int width, int height, bool primary) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return MonitorArea{{origin.x + left, origin.y, origin.x + left + width, origin.y + height}, primary};
}

struct ChosenGate : DeviceGate {
  HRESULT present = D3D_OK, state = D3D_OK;
  HRESULT Present(IDirect3DDevice9* device) override {
    return present == D3D_OK ? DeviceGate::Present(device) : present;
  }
  HRESULT TestCooperativeLevel(IDirect3DDevice9*) override { return state; }
};

// The live counts of the counters build (0 in others), to be the same after each round.
std::vector<long> LiveCounts() {
  using namespace platform::counters;
  return {Live(kComObjects), Live(kTextures)};
}

// The device is held for the duration of `rebuild`; true when ours was then its
// last reference, as it must be once the scene moved to a new device. The counters
// build counts a device as gone only at its owner's last release, which the
// reference held here would take away; its flat counts check the same there.
template <typename Rebuild>
bool OldDeviceLetGo(Window& w, Rebuild rebuild) {
  if constexpr (platform::counters::kEnabled) {
    rebuild();
    return true;
  }
  IDirect3DDevice9* old = w.device.Get();
  if (!old) return false;
  old->AddRef();
  rebuild();
  return old->Release() == 0;
}
}  // namespace

// Each loss: the frame says so, the wait goes on while the device stays lost, then
// the rebuilt scene draws flames again on a new device and nothing is left over.
TEST(FlamesPreview, LostDeviceIsRebuiltAndDrawsFlamesAgain) {
  LoadLanguage();
  TestWindow parent(L"LostDeviceParent", 300, 200);
  TestWindow child(parent.hwnd, 152, 112);
  SceneManager scenes;
  ASSERT_EQ(scenes.Init(child.hwnd, {}, NoPictures()), SceneStart::Built);
  ChosenGate gate;
  scenes.SetDeviceGate(&gate);
  Window& w = scenes.GetScene().window;
  std::vector<long> counts;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    gate.present = gate.state = D3DERR_DEVICELOST;
    EXPECT_FALSE(scenes.DrawFrame(false));
    EXPECT_FALSE(scenes.DeviceCanBeMade());
    gate.present = D3D_OK;
    gate.state = D3DERR_DEVICENOTRESET;
    ASSERT_TRUE(scenes.DeviceCanBeMade());
    bool rebuilt = false;
    EXPECT_TRUE(OldDeviceLetGo(w, [&] { rebuilt = scenes.Rebuild(); }));
    ASSERT_TRUE(rebuilt);
    gate.state = D3D_OK;
    scenes.Update();
    EXPECT_TRUE(scenes.DrawFrame(false));
    EXPECT_TRUE(scenes.DrawFrame(false));
    EXPECT_GT(ReadBack(w.device.Get()).WarmShare(), 0.3);
    if (round == 0) counts = LiveCounts();
    EXPECT_EQ(LiveCounts(), counts);
  }
}

// Monitors come and go under a window already moved over the new desktop: two,
// then one, then none (nothing drawn, no device), then two again; each layout on a
// new device with the old one let go.
TEST(FlamesPreview, DisplayChangeLaysTheScenesOutAnew) {
  LoadLanguage();
  TestWindow window(L"DisplayChange", 640, 240);
  const std::vector<MonitorArea> two = {MonitorIn(window.hwnd, 0, 320, 240, true),
                                        MonitorIn(window.hwnd, 320, 320, 200, false)};
  const std::vector<MonitorArea> one = {MonitorIn(window.hwnd, 0, 640, 240, true)};
  SceneManager scenes;
  ASSERT_EQ(scenes.Init(window.hwnd, two, SettingsStore{}), SceneStart::Built);
  Window& w = scenes.GetScene().window;
  std::vector<long> counts = LiveCounts();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    bool ok = false;
    EXPECT_TRUE(OldDeviceLetGo(w, [&] { ok = scenes.Relayout(one); }));
    ASSERT_TRUE(ok);
    EXPECT_EQ(scenes.DrawAreas().size(), 1u);
    EXPECT_TRUE(scenes.DrawFrame(false));

    EXPECT_TRUE(OldDeviceLetGo(w, [&] { ok = scenes.Relayout({}); }));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(scenes.DrawAreas().empty());
    EXPECT_FALSE(scenes.DrawFrame(false));
    EXPECT_FALSE(scenes.Rebuild());  // a lost-device poll keeps waiting for a monitor

    ASSERT_TRUE(scenes.Relayout(two));
    const std::vector<RECT> areas = scenes.DrawAreas();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[1].left, 320);
    EXPECT_EQ(areas[1].bottom, 200);
    EXPECT_TRUE(scenes.DrawFrame(false));
    EXPECT_EQ(LiveCounts(), counts);
  }
}

namespace {
struct LimitedGate : DeviceGate {
  SIZE limit{};
  SIZE TextureLimit(IDirect3DDevice9*) override { return limit; }
};
struct FailingEffect : SceneEffect {
  int draws = 0;
  bool Initialise(const SceneSetup&) override { return false; }
  void Draw(double) override { ++draws; }
  void Release() override {}
};
}  // namespace

// Two monitors larger than the device's texture limit: each is drawn at a size
// within it and stretched over its place, flames on both. Then a rebuild whose
// effect cannot be made: it succeeds, and frames go on without the effect.
TEST(FlamesPreview, TextureLimitAndARebuildWithoutTheEffect) {
  LoadLanguage();
  TestWindow window(L"TextureLimit", 640, 240);
  LimitedGate gate;
  gate.limit = {200, 100};
  SceneManager scenes;
  scenes.SetDeviceGate(&gate);
  const std::vector<MonitorArea> two = {MonitorIn(window.hwnd, 0, 320, 240, true),
                                        MonitorIn(window.hwnd, 320, 320, 240, false)};
  ASSERT_EQ(scenes.Init(window.hwnd, two, NoPictures()), SceneStart::Built);
  Scene& main = scenes.GetScene();
  EXPECT_EQ(main.window.clientRect.right, 133);  // 320 x 240 in its shape within 200 x 100
  EXPECT_EQ(main.window.clientRect.bottom, 100);
  auto* fire = dynamic_cast<FireEffect*>(main.effect.get());
  ASSERT_TRUE(fire && EffectProbe::flameTarget(*fire));
  D3DSURFACE_DESC desc{};
  EffectProbe::flameTarget(*fire)->GetLevelDesc(0, &desc);
  EXPECT_LE(desc.Width, 200u);
  EXPECT_LE(desc.Height, 100u);
  scenes.Update();
  scenes.DrawFrame(false);
  scenes.DrawFrame(false);
  Pixels frame = ReadBack(main.window.device.Get());
  for (int left : {0, 320}) {
    const Pixels half = frame.Columns(left, 320);
    EXPECT_GT(half.WarmShare(), 0.3) << "monitor at " << left;
    EXPECT_GT(half.MeanLuma(180, 240), 2.0 * half.MeanLuma(0, 60)) << "monitor at " << left;
  }

  main.effect->Release();  // made on the device the rebuild lets go
  std::unique_ptr<SceneEffect> flames = std::move(main.effect);
  auto failing = std::make_unique<FailingEffect>();
  FailingEffect* effect = failing.get();
  main.effect = std::move(failing);
  EXPECT_TRUE(scenes.Rebuild());
  EXPECT_TRUE(scenes.DrawFrame(false));
  EXPECT_EQ(effect->draws, 1);
  main.effect = std::move(flames);
}

namespace {
// Video memory runs out: the targets of the monitors from `refusedFrom` on cannot be made.
struct TargetGate : DeviceGate {
  size_t made = 0, refusedFrom = 1;
  HRESULT CreateRenderTarget(IDirect3DDevice9* device, SIZE size, D3DFORMAT format,
                             IDirect3DSurface9** target) override {
    if (made++ % 2 >= refusedFrom) return D3DERR_OUTOFVIDEOMEMORY;
    return DeviceGate::CreateRenderTarget(device, size, format, target);
  }
};
}  // namespace

// A monitor without its target stays black while the others draw; a rebuild tries
// it again a few times first. No target on any monitor is a scene that cannot be made.
TEST(FlamesPreview, MonitorsWhoseTargetsCannotBeMade) {
  LoadLanguage();
  TestWindow window(L"NoTarget", 640, 240);
  const std::vector<MonitorArea> two = {MonitorIn(window.hwnd, 0, 320, 240, true),
                                        MonitorIn(window.hwnd, 320, 320, 240, false)};
  TargetGate gate;
  SceneManager scenes;
  scenes.SetDeviceGate(&gate);
  ASSERT_EQ(scenes.Init(window.hwnd, two, NoPictures()), SceneStart::Built);
  scenes.Update();
  scenes.DrawFrame(false);
  scenes.DrawFrame(false);
  const Pixels frame = ReadBack(scenes.GetScene().window.device.Get());
  EXPECT_GT(frame.Columns(0, 320).WarmShare(), 0.3);
  EXPECT_EQ(frame.Columns(320, 320).MeanLuma(0, 240), 0.0);

  for (int k = 1; k < SceneManager::kRebuildTargetTries; ++k) EXPECT_FALSE(scenes.Rebuild()) << k;
  EXPECT_TRUE(scenes.Rebuild());

  gate.refusedFrom = 0;
  EXPECT_EQ(scenes.Init(window.hwnd, two, NoPictures()), SceneStart::NoScene);
}
