// The sparks scene: its clock and wrap, where sparks leave from, the shader's
// interface, and a drawn frame on a real device.
#include <gtest/gtest.h>

#include <cstdlib>

#include "render/Camera.h"
#include "effects/ArchiveEntry.h"
#include "effects/ParticleSystem.h"
#include "effects/SparksEffect.h"
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
  sparks.Draw();
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
  camera.Update(false);
  SparksEffect sparks;
  ASSERT_TRUE(sparks.InitEffect(&camera, device));
  ASSERT_TRUE(sparks.Ready());
  for (int i = 0; i < 400; ++i) StepSparks(GetParticleSystem(), SparksClock());
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  sparks.Draw();
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
