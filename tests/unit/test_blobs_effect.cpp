// The metaballs: bounce rule, target tables and format choice, the random start
// under the settings, splat quads and texels, and whole frames on a real device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/Camera.h"
#include "effects/ArchiveEntry.h"
#include "effects/BlobsEffect.h"
#include "tests/unit/EffectProbe.h"
#include "render/Window.h"
#include "tests/unit/TestWindows.h"
#include "tests/unit/test_families_support.h"

using B = BlobsEffect;

TEST(BlobsEffect, BlobsTurnOnlyPastTheBoundAndAfterTheStep) {
  float c = 1.79f, v = 0.05f;
  B::Bounce(c, v);
  EXPECT_FLOAT_EQ(c, 1.84f);  // may pass the bound by one step
  EXPECT_FLOAT_EQ(v, 0.05f);
  B::Bounce(c, v);
  EXPECT_FLOAT_EQ(v, -0.05f);
  EXPECT_FLOAT_EQ(c, 1.79f);

  float edge = 1.8f, ve = 0.01f;  // exactly on the bound: no turn
  B::Bounce(edge, ve);
  EXPECT_FLOAT_EQ(ve, 0.01f);
  float low = -1.85f, vl = -0.02f;
  B::Bounce(low, vl);
  EXPECT_FLOAT_EQ(vl, 0.02f);
  EXPECT_FLOAT_EQ(low, -1.83f);
}

TEST(BlobsEffect, OnePassAndTwoPassTargetTables) {
  B::TargetTable one, two;
  B::FillTargetTable(1, one);
  B::FillTargetTable(2, two);
  // [group][pass][target]; group 0 writes the B pair, group 1 the A pair.
  EXPECT_EQ(one[0][0][0], B::kNormalB);
  EXPECT_EQ(one[0][0][1], B::kColorB);
  EXPECT_EQ(one[1][0][0], B::kNormalA);
  EXPECT_EQ(one[1][0][1], B::kColorA);
  for (int g = 0; g < 2; ++g)
    for (int k = 0; k < 2; ++k) EXPECT_EQ(one[g][1][k], B::kNoTarget);

  EXPECT_EQ(two[0][0][0], B::kNormalB);
  EXPECT_EQ(two[0][1][0], B::kColorB);
  EXPECT_EQ(two[1][0][0], B::kNormalA);
  EXPECT_EQ(two[1][1][0], B::kColorA);
  for (int g = 0; g < 2; ++g)
    for (int p = 0; p < 2; ++p) EXPECT_EQ(two[g][p][1], B::kNoTarget);

  EXPECT_EQ(B::PassModeFor(1), 2);
  EXPECT_EQ(B::PassModeFor(2), 1);
  EXPECT_EQ(B::PassModeFor(4), 1);
  EXPECT_EQ(B::FieldFormatFor(true), D3DFMT_R16F);
  EXPECT_EQ(B::FieldFormatFor(false), D3DFMT_R32F);  // R16F refused as a target
}

TEST(BlobsEffect, TheBuffersAreBlendedAndHalvedOnlyWhereTheDeviceAllows) {
  using A = B::Accumulation;
  EXPECT_EQ(B::AccumulationFor(true, true, 1, true, 100.0f), (A{true, 2}));
  EXPECT_EQ(B::AccumulationFor(true, false, 1, true, 100.0f), (A{false, 2}));  // one pass writes both targets
  EXPECT_EQ(B::AccumulationFor(true, false, 2, true, 100.0f), (A{true, 2}));   // one target a pass
  EXPECT_EQ(B::AccumulationFor(false, true, 1, true, 100.0f), (A{false, 2}));
  EXPECT_EQ(B::AccumulationFor(true, true, 1, false, 100.0f), (A{true, 1}));   // unfiltered: full size
  EXPECT_EQ(B::AccumulationFor(true, true, 1, true, 10.0f), (A{true, 1}));     // small splats keep every pixel
  EXPECT_EQ(B::AccumulationFor(true, true, 1, true, std::nanf("")), (A{true, 1}));
  // Odd sizes round up; never empty.
  EXPECT_EQ(B::AccumulationSize(RECT{0, 0, 1920, 1080}, 2).cx, 960);
  EXPECT_EQ(B::AccumulationSize(RECT{0, 0, 801, 601}, 2).cy, 301);
  EXPECT_EQ(B::AccumulationSize(RECT{0, 0, 801, 601}, 1).cx, 801);
  EXPECT_EQ(B::AccumulationSize(RECT{0, 0, 0, 0}, 2).cx, 1);
}

TEST(BlobsEffect, SpeedAndSizeFollowTheSettingsWithinTheirRange) {
  struct Case {
    int speed, size;
    float maxVelocity, scale;
  };
  // As the scene applies them: divisor (101 - speed) * 1000, scale size / 100.
  const Case cases[] = {{100, 100, 0.099f, 1.0f},  {1, 1, 0.00099f, 0.01f},  {40, 80, 99.0f / 61000, 0.8f},
                        {101, 0, 0.099f, 0.01f},   {250, 500, 0.099f, 1.0f}, {-5, -3, 0.00099f, 0.01f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    float largest = 0.0f;
    for (int run = 0; run < 20; ++run) {
      BlobsEffect blobs;
      Camera camera;
      SettingsStore settings;
      settings.Choices().blobsSpeed = c.speed;
      settings.Choices().blobsSize = c.size;
      blobs.Initialise({nullptr, RECT{0, 0, 64, 64}, camera, settings, {}});
      EXPECT_FLOAT_EQ(EffectProbe::sizeScale(blobs), c.scale);
      for (int i = 0; i < B::kBlobs; ++i) {
        const B::Vec2 v = EffectProbe::velocities(blobs)[i];
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
        EXPECT_GE(v.x, 0.0f);
        EXPECT_GE(v.y, 0.0f);
        EXPECT_LE(v.x, c.maxVelocity * 1.0001f);
        largest = std::max({largest, v.x, v.y});
      }
    }
    EXPECT_GT(largest, c.maxVelocity * 0.5f);
  }
}

TEST(BlobsEffect, TheRandomStartUsesTheGridAndTheFourColours) {
  BlobsEffect blobs;
  Camera camera;
  blobs.Initialise({nullptr, RECT{0, 0, 64, 64}, camera, SettingsStore{}, {}});
  const float colours[5][3] = {{0.3f, 0, 0}, {0, 0.3f, 0}, {0, 0, 0.3f}, {0.3f, 0.3f, 0}, {0.3f, 0, 0}};
  for (int i = 0; i < B::kBlobs; ++i) {
    const B::BlobRecord& b = EffectProbe::blobs(blobs)[i];
    EXPECT_TRUE(b.x == -1.0f || b.x == 0.0f || b.x == 1.0f);
    EXPECT_TRUE(b.y == -1.0f || b.y == 0.0f || b.y == 1.0f);
    EXPECT_EQ(b.x, EffectProbe::positions(blobs)[i].x);
    EXPECT_EQ(b.z, 0.0f);
    EXPECT_EQ(b.w, 1.0f);
    EXPECT_EQ(b.r, colours[i][0]);
    EXPECT_EQ(b.g, colours[i][1]);
    EXPECT_EQ(b.b, colours[i][2]);
  }
  // Nothing to draw with: no device, no effect.
  EXPECT_TRUE(EffectProbe::initialised(blobs));
  EXPECT_FALSE(blobs.CanDraw());
  blobs.Update();
  blobs.Draw(0.0);
  blobs.ReleaseFrameSurfaces();
}

TEST(BlobsEffect, SplatQuadsAndTheScreenQuad) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  const B::BlobRecord blob{0.1f, 0.2f, 0.0f, 1.0f, 0.0f, 0.3f, 0.0f};
  B::BlobVertex quad[6];
  B::BuildBlobQuad(D3DXVECTOR3(0.1f, 0.2f, 0.5f), identity, 0.5f, 800.0f, 600.0f, blob, quad);
  EXPECT_FLOAT_EQ(quad[0].x, 800.0f * (0.1f - 0.5f) + 400.0f);
  EXPECT_FLOAT_EQ(quad[0].y, 600.0f * (0.2f - 0.5f) + 300.0f);
  EXPECT_FLOAT_EQ(quad[5].x, 800.0f * (0.1f + 0.5f) + 400.0f);
  EXPECT_FLOAT_EQ(quad[5].u0, 1.0f);
  EXPECT_FLOAT_EQ(quad[2].v0, 1.0f);
  EXPECT_FLOAT_EQ(quad[0].z, 0.5f);
  EXPECT_FLOAT_EQ(quad[0].u1, (quad[0].x + 0.5f) / 800.0f);
  EXPECT_FLOAT_EQ(quad[0].w2, 1.0f);
  EXPECT_FLOAT_EQ(quad[3].g, 0.3f);
  // BlobsSize 1: a hundredth of the full projected size.
  B::BlobVertex small[6];
  B::BuildBlobQuad(D3DXVECTOR3(0.1f, 0.2f, 0.5f), identity, 0.01f, 800.0f, 600.0f, blob, small);
  EXPECT_NEAR(small[5].x - small[0].x, (quad[5].x - quad[0].x) / 50.0f, 1e-3f);
  // A splat held to its middle keeps each screen point's splat coordinate.
  B::BlobVertex middle[6];
  B::BuildBlobQuad(D3DXVECTOR3(0.1f, 0.2f, 0.5f), identity, 0.5f, 800.0f, 600.0f, blob, middle, 0.75f);
  for (const B::BlobVertex& v : middle) {
    EXPECT_FLOAT_EQ(quad[0].u0 + (v.x - quad[0].x) / (quad[5].x - quad[0].x), v.u0);
    EXPECT_FLOAT_EQ(quad[0].v0 + (v.y - quad[0].y) / (quad[5].y - quad[0].y), v.v0);
  }
  EXPECT_FLOAT_EQ(middle[5].x - middle[0].x, 0.75f * (quad[5].x - quad[0].x));

  B::BlobVertex screen[4];
  B::BuildScreenQuad(800.0f, 600.0f, screen);
  EXPECT_FLOAT_EQ(screen[3].x, 799.5f);
  EXPECT_FLOAT_EQ(screen[3].y, 599.5f);
  EXPECT_FLOAT_EQ(screen[1].u1, 1.0f + 1.0f / 800.0f);
  EXPECT_FLOAT_EQ(screen[2].v1, 1.0f + 1.0f / 600.0f);
  EXPECT_FLOAT_EQ(screen[0].w2, 0.0f);
  EXPECT_EQ(B::kBlobFvf, 0x700404u);
  EXPECT_EQ(sizeof(B::BlobVertex), 48u);
}

TEST(BlobsEffect, TheSplatPeaksInTheMiddle) {
  EXPECT_FLOAT_EQ(B::SplatTexel(32, 32), 2.0f);
  EXPECT_FLOAT_EQ(B::SplatTexel(0, 32), 2.0f * std::exp(-8.0f));
  EXPECT_FLOAT_EQ(B::SplatTexel(63, 32), 2.0f * std::exp(-8.0f * 0.96875f * 0.96875f));
}

TEST(BlobsEffect, LightingRectanglesHoldTheSurfaceAndStayOnScreen) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  const B::BlobRecord blob{0, 0, 0, 1, 0.3f, 0, 0};
  B::BlobVertex quad[6];
  B::BuildBlobQuad(D3DXVECTOR3(0.0f, 0.0f, 1.0f), identity, 0.1f, 800.0f, 600.0f, blob, quad);  // 160 x 120
  const RECT r = B::SplatRect(quad, B::kSurfaceReach, 800, 600);
  EXPECT_LE(r.left, 400 - 49);  // 0.62 of the half-size around the middle
  EXPECT_GE(r.right, 400 + 49);
  EXPECT_LE(r.top, 300 - 37);
  EXPECT_GE(r.bottom, 300 + 37);
  EXPECT_GT(r.left, 320);  // but not the whole splat
  B::BuildBlobQuad(D3DXVECTOR3(1e9f, -1e9f, 1.0f), identity, 1.0f, 800.0f, 600.0f, blob, quad);
  const RECT off = B::SplatRect(quad, B::kFieldReach, 800, 600);
  EXPECT_GE(off.left, 0);
  EXPECT_LE(off.right, 800);
  EXPECT_GE(off.top, 0);
  EXPECT_LE(off.bottom, 600);
}

TEST(BlobsEffect, TheEffectFileProvidesItsTechniquesAndParameters) {
  ASSERT_TRUE(OpenTestArchive());
  TestWindow window(L"BlobsShader", 64, 64);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  auto effect = CreateEffectFromArchive(w.device.Get(), L"Resource/Effect.efc");
  ASSERT_TRUE(effect);
  const auto& techniques = effect->Desc().techniques;
  const int blend = effect->GetTechniqueByName("BlobBlend");
  const int twoPasses = effect->GetTechniqueByName("BlobBlendTwoPasses");
  const int light = effect->GetTechniqueByName("BlobLight");
  ASSERT_GE(blend, 0);
  ASSERT_GE(twoPasses, 0);
  ASSERT_GE(light, 0);
  EXPECT_EQ(techniques[blend].passes.size(), 1u);
  EXPECT_EQ(techniques[twoPasses].passes.size(), 2u);
  EXPECT_GE(techniques[light].passes.size(), 1u);
  for (const char* name : {"g_tSourceBlob", "g_tNormalBuffer", "g_tColorBuffer", "g_tEnvMap"})
    EXPECT_TRUE(effect->SetTexture(name, nullptr)) << name;
  EXPECT_TRUE(effect->SetMatrix("g_mWorldViewProjection", D3DXMATRIX()));
  effect.reset();
  w.ReleaseAll();
}

class BlobsOnDevice : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(OpenTestArchive());
    ASSERT_TRUE(w.Create(window.hwnd));
    device = w.device.Get();
    camera.Reset(320, 240, 1.0f, 1000.0f);
    camera.LookAt(0.0f, -1.8f, -5.0f);
  }
  void TearDown() override {
    blobs.Release();
    w.ReleaseAll();
  }
  // One frame as the scene composes it.
  BackBufferImage Frame() {
    camera.Update(true);
    device->SetTransform(D3DTS_VIEW, &camera.view);
    device->SetTransform(D3DTS_PROJECTION, &camera.projection);
    blobs.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    blobs.Draw(0.0);
    device->EndScene();
    BackBufferImage image = ReadBackBuffer(device);
    blobs.ReleaseFrameSurfaces();
    return image;
  }

  // Made as a scene makes it, blobs of `size` (1..100), summed as `mode` says.
  void Make(std::optional<B::Accumulation> mode, int size) {
    blobs.Release();
    blobs = BlobsEffect(mode);
    SettingsStore settings;
    settings.Choices().blobsSize = size;
    blobs.Initialise({device, RECT{0, 0, 320, 240}, camera, settings, {}});
  }

  TestWindow window{L"BlobsFrame", 320, 240};
  Window w;
  IDirect3DDevice9* device = nullptr;
  Camera camera;
  BlobsEffect blobs;
};

TEST_F(BlobsOnDevice, InitBuildsEveryTargetOfItsMode) {
  for (const B::Accumulation mode : {B::Accumulation{false, 1}, B::Accumulation{true, 2}}) {
    SCOPED_TRACE(mode.additive);
    Make(mode, 80);
    ASSERT_TRUE(blobs.CanDraw());
    EXPECT_TRUE(EffectProbe::envMap(blobs));
    B::TargetTable table;
    B::FillTargetTable(EffectProbe::passMode(blobs), table);
    // Blending writes the A pair alone (the table's second group).
    for (int g = mode.additive ? 1 : 0; g < 2; ++g)
      for (int p = 0; p < 2; ++p)
        for (int k = 0; k < 2; ++k)
          EXPECT_EQ(EffectProbe::targetSurfaces(blobs)[g][p][k] != nullptr, table[g][p][k] != B::kNoTarget);
    EXPECT_EQ(EffectProbe::accumulation(blobs)[B::kColorB] != nullptr, !mode.additive);
    EXPECT_EQ(EffectProbe::zeroTexture(blobs) != nullptr, !mode.additive);
    D3DSURFACE_DESC desc{};
    EffectProbe::blobTexture(blobs)->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, EffectProbe::fieldFormat(blobs));
    EXPECT_EQ(desc.Width, 64u);
    EffectProbe::accumulation(blobs)[B::kColorA]->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A16B16G16R16F);
    EXPECT_EQ(desc.Width, 320u / mode.divisor);
    EXPECT_EQ(desc.Height, 240u / mode.divisor);
  }
}

TEST_F(BlobsOnDevice, BlendedHalfSizeBuffersDrawTheSameBallsAsTheFullSum) {
  // The same blobs, still, under the same camera: summed in turns at full size, and
  // added by blending into buffers of half the size.
  auto draw = [&](B::Accumulation mode) {
    Make(mode, 100);
    for (int i = 0; i < B::kBlobs; ++i) {
      EffectProbe::positions(blobs)[i] = {0.7f * static_cast<float>(i % 3 - 1), 0.6f * static_cast<float>(i / 3 - 0.5f)};
      EffectProbe::velocities(blobs)[i] = {0.0f, 0.0f};
    }
    camera.angle = 100.0f;
    return Frame();
  };
  const BackBufferImage full = draw({false, 1});
  const BackBufferImage half = draw({true, 2});
  ASSERT_EQ(full.pixels.size(), half.pixels.size());
  const double litFull = static_cast<double>(full.CountLit(40)), litHalf = static_cast<double>(half.CountLit(40));
  EXPECT_GT(litFull, full.pixels.size() / 20.0);
  EXPECT_NEAR(litHalf / litFull, 1.0, 0.03);
  double difference = 0.0;
  size_t distant = 0;
  for (size_t i = 0; i < full.pixels.size(); ++i) {
    const uint32_t a = full.pixels[i], b = half.pixels[i];
    const int d = std::max({std::abs(BackBufferImage::Red(a) - BackBufferImage::Red(b)), std::abs(BackBufferImage::Green(a) - BackBufferImage::Green(b)),
                            std::abs(BackBufferImage::Blue(a) - BackBufferImage::Blue(b))});
    difference += d;
    distant += d > 48;
  }
  // Alike everywhere but along the rims, where half the pixels move the edge a little.
  EXPECT_LT(difference / static_cast<double>(full.pixels.size()), 3.0);
  EXPECT_LT(static_cast<double>(distant), 0.02 * static_cast<double>(full.pixels.size()));
}

TEST_F(BlobsOnDevice, AFrameShowsShadedBallsInTheBlobColours) {
  Make(std::nullopt, 100);
  ASSERT_TRUE(blobs.CanDraw());
  const BackBufferImage image = Frame();
  ASSERT_EQ(image.width, 320);
  const size_t lit = image.CountLit(40);
  EXPECT_GT(lit, image.pixels.size() / 50);
  EXPECT_LT(lit, image.pixels.size() * 3 / 4);
  // The frame's surfaces are given back after the frame; the saved targets restored.
  for (const auto& s : EffectProbe::frameSurfaces(blobs)) EXPECT_EQ(s, nullptr);
  EXPECT_EQ(EffectProbe::savedDepthStencil(blobs), nullptr);
  Microsoft::WRL::ComPtr<IDirect3DSurface9> target, back;
  device->GetRenderTarget(0, &target);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  EXPECT_EQ(target.Get(), back.Get());
  blobs.Release();
  blobs.Release();
  EXPECT_FALSE(blobs.CanDraw());
}

TEST_F(BlobsOnDevice, AMissingEffectSkipsTheDrawing) {
  Make(std::nullopt, 80);
  EffectProbe::effect(blobs).reset();
  EXPECT_FALSE(blobs.CanDraw());
  EXPECT_EQ(Frame().CountLit(0), 0u);
}
