// The desktop scene: the texture size rule, the quad, the circling points, and the
// picture drawn through its shader on a real device.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "render/Camera.h"
#include "render/FrameClock.h"
#include "effects/ArchiveEntry.h"
#include "effects/DesktopEffect.h"
#include "tests/unit/EffectProbe.h"
#include "render/Window.h"
#include "tests/unit/TestWindows.h"
#include "tests/unit/test_families_support.h"

namespace {
// A one-colour 24-bit bottom-up BMP.
void WriteBmp(const wchar_t* path, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  const int stride = (w * 3 + 3) & ~3;
  const uint32_t imageSize = static_cast<uint32_t>(stride * h);
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + imageSize;
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = imageSize;
  std::string row(stride, '\0');
  for (int x = 0; x < w; ++x) {
    row[x * 3] = static_cast<char>(b);
    row[x * 3 + 1] = static_cast<char>(g);
    row[x * 3 + 2] = static_cast<char>(r);
  }
  FILE* f = _wfopen(path, L"wb");
  ASSERT_NE(f, nullptr);
  fwrite(&fh, sizeof fh, 1, f);
  fwrite(&ih, sizeof ih, 1, f);
  for (int y = 0; y < h; ++y) fwrite(row.data(), 1, row.size(), f);
  fclose(f);
}
}  // namespace

TEST(DesktopEffect, AnOddWindowAsksForAnEvenTextureAndAQuadHalfAPixelPast) {
  const DesktopEffect::Size size = DesktopEffect::TextureSize(801 * 0.5f, 601 * 0.5f);
  EXPECT_EQ(size.width, 800);
  EXPECT_EQ(size.height, 600);
  ScreenVertex quad[4];
  DesktopEffect::BuildQuad(400.5f, 300.5f, quad);
  EXPECT_FLOAT_EQ(quad[2].x, 801.5f);
  EXPECT_FLOAT_EQ(quad[2].y, 601.5f);
  EXPECT_FLOAT_EQ(quad[0].x, 0.0f);
  EXPECT_FLOAT_EQ(quad[3].v, 1.0f);
  EXPECT_FLOAT_EQ(quad[1].u, 1.0f);
  EXPECT_FLOAT_EQ(quad[1].rhw, 1.0f);
}

TEST(DesktopEffect, ThePointsAtTimeZeroAndAQuarterTurnLater) {
  D3DXVECTOR4 one, two;
  DesktopEffect::CirclingPoints(0.0f, one, two);
  EXPECT_EQ(one, D3DXVECTOR4(1.0f, 0.0f, 1.0f, 1.0f));
  EXPECT_EQ(two, D3DXVECTOR4(0.2f, 0.0f, 1.0f, 1.0f));
  DesktopEffect::CirclingPoints(1.5707964f, one, two);
  EXPECT_NEAR(one.y, 1.0f, 1e-6f);
  EXPECT_NEAR(two.y, 0.2f, 1e-6f);
  EXPECT_NEAR(two.x, 0.0f, 1e-6f);
}

TEST(DesktopEffect, DrawingBeforeInitAndReleasingTwiceDoNothing) {
  DesktopEffect desktop;
  desktop.Draw(GetFrameClock().Time());
  desktop.Release();
  desktop.Release();
  EXPECT_EQ(EffectProbe::camera(desktop), nullptr);
}

TEST(DesktopEffect, ThePictureIsDrawnThroughTheShader) {
  ASSERT_TRUE(OpenTestArchive());
  wchar_t oldDir[MAX_PATH], temp[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, oldDir);
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = std::wstring(temp) + L"varnelle-desktop-test";
  CreateDirectoryW(dir.c_str(), nullptr);
  ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
  WriteBmp(L"DesktopBitmap.bmp", 160, 120, 200, 40, 40);  // the picture is screen-size: no scaling

  TestWindow window(L"DesktopFrame", 160, 120);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  IDirect3DDevice9* device = w.device.Get();
  Camera camera;
  GetFrameClock().Start();
  DesktopEffect desktop;
  EXPECT_TRUE(desktop.Initialise({device, RECT{0, 0, 161, 121}, camera, SettingsStore{}, {}}));
  ASSERT_TRUE(EffectProbe::texture(desktop));
  D3DSURFACE_DESC desc{};
  EffectProbe::texture(desktop)->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 160u);
  EXPECT_EQ(desc.Height, 120u);
  EXPECT_EQ(EffectProbe::effect(desktop)->GetTechniqueByName("TechniqueDeskTop"), 0);

  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  desktop.Draw(GetFrameClock().Time());
  device->EndScene();
  const BackBufferImage image = ReadBackBuffer(device);
  ASSERT_EQ(image.width, 160);
  size_t red = 0;  // the picture's red, brightened or darkened a little by the ripples
  for (uint32_t p : image.pixels)
    red += BackBufferImage::Red(p) > 150 && BackBufferImage::Green(p) < 70 && BackBufferImage::Blue(p) < 70;
  EXPECT_GT(red, image.pixels.size() * 9 / 10);

  desktop.Release();
  w.ReleaseAll();
  SetCurrentDirectoryW(oldDir);
  DeleteFileW((dir + L"\\DesktopBitmap.bmp").c_str());
  RemoveDirectoryW(dir.c_str());
}

TEST(DesktopEffect, WithoutItsShaderNothingIsDrawn) {
  TestWindow window(L"DesktopNoShader", 64, 64);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  Camera camera;
  DesktopEffect desktop;
  EffectProbe::device(desktop) = w.device.Get();
  EffectProbe::camera(desktop) = &camera;  // initialised by hand, without an effect
  w.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  w.device->BeginScene();
  desktop.Draw(GetFrameClock().Time());
  w.device->EndScene();
  EXPECT_EQ(ReadBackBuffer(w.device.Get()).CountLit(0), 0u);
  w.ReleaseAll();
}

TEST(DesktopEffect, AMissingPictureLeavesTheTextureEmptyAndStillDraws) {
  ASSERT_TRUE(OpenTestArchive());
  wchar_t oldDir[MAX_PATH], temp[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, oldDir);
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = std::wstring(temp) + L"varnelle-desktop-none";
  CreateDirectoryW(dir.c_str(), nullptr);
  ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
  TestWindow window(L"DesktopNoPicture", 64, 64);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  Camera camera;
  DesktopEffect desktop;
  desktop.Initialise({w.device.Get(), RECT{0, 0, 64, 64}, camera, SettingsStore{}, {}});
  EXPECT_FALSE(EffectProbe::texture(desktop));
  EXPECT_TRUE(EffectProbe::effect(desktop));
  w.device->BeginScene();
  desktop.Draw(GetFrameClock().Time());  // an empty sampler: nothing to show, nothing to fail
  w.device->EndScene();
  desktop.Release();
  w.ReleaseAll();
  SetCurrentDirectoryW(oldDir);
  RemoveDirectoryW(dir.c_str());
}
