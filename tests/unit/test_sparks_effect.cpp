// The sparks scene: its clock and wrap, where sparks leave from, the shader's
// interface, and a drawn frame on a real device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

#include "render/Camera.h"
#include "effects/ArchiveEntry.h"
#include "effects/ParticleSystem.h"
#include "effects/SparksEffect.h"
#include "tests/unit/EffectProbe.h"
#include "render/Window.h"
#include "tests/unit/TestWindows.h"
#include "tests/unit/test_families_support.h"

namespace {
int g_draws = 0;
int CountedRand() {
  ++g_draws;
  return std::rand();
}
int LongLife() { return 32767; }  // every draw +1: life 4, fastest, largest
}  // namespace

TEST(SparksEffect, TheFirstFrameEmitsSixSparksAtTheOrigin) {
  ParticleSystem ps;
  ConfigureSparksEmitter(ps);
  ps.randomInt = LongLife;
  float clock = 0.0f;
  StepSparks(ps, clock);
  EXPECT_EQ(clock, 0.001f);
  ASSERT_EQ(ps.Count(), 6u);
  for (const Particle& p : ps.particles)
    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(p.position[c], p.velocity[c] * 0.001f);
  // Then the point moves onto its path.
  const D3DXVECTOR3 start = SparksEmitPoint(0.0f), next = SparksEmitPoint(0.001f);
  EXPECT_EQ(start, D3DXVECTOR3(0.0f, -100.0f, 50.0f));
  EXPECT_EQ(ps.emitPosition[0], next.x);
  EXPECT_EQ(ps.emitPosition[1], next.y);
  EXPECT_EQ(ps.emitPosition[2], next.z);
}

TEST(SparksEffect, TheClockWrapsAfterTenThousandFramesWithoutBurstOrGap) {
  ParticleSystem ps;
  ConfigureSparksEmitter(ps);
  ps.randomInt = CountedRand;
  ps.lifeBase = 0.0015f;  // every spark gone a frame later: the array stays small
  ps.lifeSpread = 0.0f;
  float clock = 0.0f;
  int wrappedAt = 0;
  for (int frame = 1; frame <= 10002; ++frame) {
    const int before = g_draws;
    const float previous = clock;
    StepSparks(ps, clock);
    const int emitted = (g_draws - before) / 5;
    ASSERT_GE(emitted, 5) << "frame " << frame;
    ASSERT_LE(emitted, 7) << "frame " << frame;
    if (clock < previous) {
      wrappedAt = frame;
      EXPECT_EQ(clock, 0.001f);
      EXPECT_EQ(emitted, 6);
    }
  }
  EXPECT_EQ(wrappedAt, 10001);
}

TEST(SparksEffect, ReleasingTwiceAndDrawingAfterwardsDoNothing) {
  SparksEffect sparks;
  sparks.Release();
  sparks.Draw(0.0);
  sparks.Release();
  EXPECT_FALSE(sparks.Ready());
}

TEST(SparksEffect, TheShaderProvidesItsNames) {
  ASSERT_TRUE(OpenTestArchive());
  TestWindow window(L"SparksShader", 64, 64);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  auto effect = CreateEffectFromArchive(w.device.Get(), L"Resource/ParticleShader.fx");
  ASSERT_TRUE(effect);
  EXPECT_TRUE(effect->SetTechnique("TechniqueNoInst"));
  EXPECT_TRUE(effect->SetMatrix("matWorldViewProjection", D3DXMATRIX()));
  EXPECT_TRUE(effect->SetTexture("texParticle", nullptr));
  effect.reset();
  w.ReleaseAll();
}

TEST(SparksEffect, AFrameShowsGlowingSparksOnBlack) {
  ASSERT_TRUE(OpenTestArchive());
  TestWindow window(L"SparksFrame", 320, 240);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  IDirect3DDevice9* device = w.device.Get();
  Camera camera;
  camera.Reset(320, 240, 1.0f, 1000.0f);
  camera.LookAt(0.0f, -10.0f, 300.0f);
  SparksEffect sparks;
  ASSERT_TRUE(sparks.Initialise({device, RECT{0, 0, 320, 240}, camera, SettingsStore{}, {}}));
  camera.Update(false);
  ASSERT_TRUE(sparks.Ready());
  EffectProbe::Step(sparks, 400);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  sparks.Draw(0.0);
  device->EndScene();
  const BackBufferImage image = ReadBackBuffer(device);
  ASSERT_EQ(image.width, 320);
  const size_t lit = image.CountLit(40);
  EXPECT_GT(lit, 20u);
  EXPECT_LT(lit, image.pixels.size() / 3);
  size_t warm = 0;  // the "Flame" ramp: red over green over blue
  for (uint32_t p : image.pixels)
    if (BackBufferImage::Brightest(p) > 40)
      warm += BackBufferImage::Red(p) >= BackBufferImage::Green(p) && BackBufferImage::Green(p) >= BackBufferImage::Blue(p);
  EXPECT_GT(warm, lit * 9 / 10);
  DWORD blending = TRUE;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
  EXPECT_EQ(blending, static_cast<DWORD>(FALSE));
  sparks.Release();
  sparks.Release();
  w.ReleaseAll();
}

TEST(SparksEffect, TheGlowTargetIsAHalfOrAThirdOfLargeWindows) {
  for (const auto& [w, h, tw, th] : {std::tuple{320, 240, 0, 0}, {152, 112, 0, 0}, {640, 480, 0, 0}, {800, 600, 400, 300},
                                     {801, 601, 401, 301}, {1024, 768, 512, 384}, {1920, 1080, 640, 360},
                                     {3840, 2160, 1280, 720}}) {
    const SIZE size = SparksEffect::GlowTargetSize(w, h);
    EXPECT_EQ(size.cx, tw) << w << "x" << h;
    EXPECT_EQ(size.cy, th) << w << "x" << h;
  }
}

namespace {
// A square quad of particle corners around (x, y) at depth z, half-size r.
void PutQuad(ParticleVertex* v, float x, float y, float z, float r) {
  const float corners[4][2] = {{-r, -r}, {r, -r}, {r, r}, {-r, r}};
  for (int k = 0; k < 4; ++k) v[k] = ParticleVertex{{x + corners[k][0], y + corners[k][1], z}, {0, 0}, {1, 1, 1, 1}};
}
}  // namespace

TEST(SparksEffect, TheSumIsLaidOverOnlyWhereSparksCanLight) {
  // Clip w = z, as a projection gives: z 1 lies on the screen as x and y say.
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._34 = 1.0f;
  m._44 = 0.0f;
  const SIZE target{160, 160};
  constexpr LONG T = SparksEffect::kGlowTile;
  ParticleVertex v[12];
  PutQuad(v, 0.0f, 0.0f, 1.0f, 0.05f);  // pixels 76..84 each way, 75..85 with the margin
  std::vector<RECT> runs = SparksEffect::LitRuns(v, 1, m, target);
  ASSERT_EQ(runs.size(), static_cast<size_t>(85 / T - 75 / T + 1));  // one run a row of tiles
  EXPECT_EQ(runs.front().left, 75 / T * T);
  EXPECT_EQ(runs.front().right, (85 / T + 1) * T);
  EXPECT_EQ(runs.front().top, 75 / T * T);
  EXPECT_EQ(runs.back().bottom, (85 / T + 1) * T);

  // A spark at the right edge: its run ends at the target's edge; one off the
  // target lights nothing, nor one wholly behind the near plane.
  PutQuad(v, 0.99f, -0.99f, 1.0f, 0.05f);
  PutQuad(v + 4, 3.0f, 0.0f, 1.0f, 0.05f);
  PutQuad(v + 8, 0.0f, 0.0f, -1.0f, 0.05f);
  runs = SparksEffect::LitRuns(v, 3, m, target);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].right, 160);
  EXPECT_EQ(runs[0].bottom, 160);
  EXPECT_GE(runs[0].left, 144);

  // A quad across the eye's plane can reach anywhere: all of the target.
  PutQuad(v, 0.0f, 0.0f, 1.0f, 0.05f);
  v[2].position[2] = v[3].position[2] = -1.0f;
  runs = SparksEffect::LitRuns(v, 1, m, target);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].right - runs[0].left, 160);
  EXPECT_EQ(runs[0].bottom - runs[0].top, 160);
  EXPECT_TRUE(SparksEffect::LitRuns(v, 0, m, target).empty());
}

TEST(SparksEffect, SummedSmallTheSparksKeepTheirLightAndPlace) {
  // The same sparks (a step apart) drawn straight into an 800 x 600 frame and
  // through the glow target.
  ASSERT_TRUE(OpenTestArchive());
  TestWindow window(L"SparksGlow", 800, 600);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  IDirect3DDevice9* device = w.device.Get();
  Camera camera;
  camera.Reset(800, 600, 1.0f, 1000.0f);
  camera.LookAt(0.0f, -10.0f, 300.0f);
  struct Light {
    double total = 0, x = 0, y = 0;
  };
  // Two fountains run the same 1500 frames from the same start of the generator: one
  // draws straight, the other sums its glows.
  auto frame = [&](bool sumGlows) {
    SparksEffect sparks(sumGlows);
    EXPECT_TRUE(sparks.Initialise({device, RECT{0, 0, 800, 600}, camera, SettingsStore{}, {}}));
    camera.Update(false);
    EXPECT_EQ(EffectProbe::glowTarget(sparks) != nullptr, sumGlows);
    std::srand(1);
    EffectProbe::Step(sparks, 1500);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    sparks.Draw(0.0);
    device->EndScene();
    sparks.Release();
    const BackBufferImage image = ReadBackBuffer(device);
    Light light;
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const uint32_t p = image.At(x, y);
        const double v = BackBufferImage::Red(p) + BackBufferImage::Green(p) + BackBufferImage::Blue(p);
        light.total += v;
        light.x += v * x;
        light.y += v * y;
      }
    return light;
  };
  const Light straight = frame(false);
  const Light summed = frame(true);
  ASSERT_GT(straight.total, 800.0 * 600.0);  // on average over one level a pixel
  EXPECT_NEAR(summed.total / straight.total, 1.0, 0.08);
  // The half-size sum moves the light's middle by about 5 of 800 pixels here (a known
  // bias of the stretch, measured on identical fountains); more would be a fault.
  EXPECT_NEAR(summed.x / summed.total, straight.x / straight.total, 6.0);
  EXPECT_NEAR(summed.y / summed.total, straight.y / straight.total, 6.0);
  w.ReleaseAll();
}
