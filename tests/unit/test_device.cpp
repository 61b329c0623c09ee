// The device on a real window under Wine: the preview path on a child window
// (whose frames never reach an X screenshot) is checked by reading the back buffer.
#include <gtest/gtest.h>

#include "app/SceneManager.h"
#include "effects/UserTextures.h"
#include "tests/unit/TestWindows.h"

using Microsoft::WRL::ComPtr;

TEST(Device, CreatesOnAPreviewSizedChildWithItsClientSize) {
  TestWindow parent(L"DeviceParent", 300, 200);
  TestWindow child(parent.hwnd, 152, 112);
  Window w;
  ASSERT_TRUE(w.Create(child.hwnd));
  EXPECT_EQ(w.clientRect.right, 152);
  EXPECT_EQ(w.clientRect.bottom, 112);
  ComPtr<IDirect3DSurface9> back;
  ASSERT_EQ(w.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc{};
  back->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 152u);
  EXPECT_EQ(desc.Height, 112u);
  DWORD value = 1;
  w.device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, 0u);
  w.device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE));
  w.ReleaseAll();
  EXPECT_EQ(w.device, nullptr);
}

TEST(Device, SecondCreateReleasesTheFirstDeviceAndDirect3D) {
  TestWindow window(L"DeviceTwice", 320, 240);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  IDirect3DDevice9* first = w.device.Get();
  IDirect3D9* firstDirect3D = w.direct3D.Get();
  first->AddRef();
  firstDirect3D->AddRef();
  ASSERT_TRUE(w.Create(window.hwnd));
  EXPECT_EQ(first->Release(), 0u);  // ours was the last reference
  // Each preview and each start makes a new one: a reference left over leaks it.
  EXPECT_EQ(firstDirect3D->Release(), 0u);
  w.ReleaseAll();
}

TEST(Device, RefusesANullOrDeadWindow) {
  Window w;
  EXPECT_FALSE(w.Create(nullptr));
  HWND dead;
  {
    TestWindow t(L"DeviceDead", 64, 64);
    dead = t.hwnd;
  }
  EXPECT_FALSE(w.Create(dead));
  EXPECT_EQ(w.device, nullptr);
}

namespace {
// A solid white logo of 100 x 40 in place of the archive's picture.
void UseWhiteLogo(Window& w) {
  ASSERT_EQ(w.device->CreateTexture(100, 40, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                    w.logoTexture.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(w.logoTexture->LockRect(0, &lr, nullptr, 0), D3D_OK);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) static_cast<uint32_t*>(lr.pBits)[y * (lr.Pitch / 4) + x] = 0xFFFFFFFF;
  w.logoTexture->UnlockRect(0);
  w.logoInfo.Width = 100;
  w.logoInfo.Height = 40;
}
}  // namespace

TEST(Device, LogoIsDrawnBottomLeftAndBlankedFramesHideIt) {
  TestWindow window(L"DeviceBlank", 640, 480);
  SceneManager scenes;
  Scene& scene = scenes.GetScene();
  Window& w = scene.window;
  ASSERT_TRUE(w.Create(window.hwnd));
  UseWhiteLogo(w);
  scene.settings.Choices().showImages = 0;
  scenes.DrawFrame(false);
  scenes.DrawFrame(false);  // the back buffer may hold the frame before last
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 50, 455) & 0xFFFFFF, 0xFFFFFFu);  // inside the logo
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 3, 455) & 0xFFFFFF, 0u);         // left of it
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 50, 430) & 0xFFFFFF, 0u);        // above it
  scenes.DrawFrame(true);
  scenes.DrawFrame(true);
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 50, 455) & 0xFFFFFF, 0u);
  w.ReleaseAll();
}

TEST(Device, NoLogoInASmallWindow) {
  TestWindow window(L"DeviceSmall", 639, 480);
  SceneManager scenes;
  Window& w = scenes.GetScene().window;
  ASSERT_TRUE(w.Create(window.hwnd));
  UseWhiteLogo(w);
  scenes.DrawFrame(false);
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 50, 455) & 0xFFFFFF, 0u);
  w.ReleaseAll();
}

namespace {
// A 24-bit BMP of one colour, written for the picture loader.
std::wstring WriteSolidBmp(const wchar_t* name, uint8_t r, uint8_t g, uint8_t b) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + name;
  const int w = 8, h = 8, row = w * 3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + row * h;
  ih.biSize = sizeof(ih);
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  WriteFile(f, &fh, sizeof(fh), &n, nullptr);
  WriteFile(f, &ih, sizeof(ih), &n, nullptr);
  for (int i = 0; i < w * h; ++i) {
    const uint8_t px[3] = {b, g, r};
    WriteFile(f, px, 3, &n, nullptr);
  }
  CloseHandle(f);
  return path;
}
}  // namespace

TEST(FrameOrder, BackdropFirstThenTheLogoOverIt) {
  TestWindow window(L"FrameOrder", 640, 480);
  SceneManager scenes;
  Scene& scene = scenes.GetScene();
  Window& w = scene.window;
  ASSERT_TRUE(w.Create(window.hwnd));
  UseWhiteLogo(w);
  UserTextures& pictures = scene.pictures;
  pictures.Clear();
  pictures.SetDevice(w.device.Get());
  const std::wstring red = WriteSolidBmp(L"varnelle-frame-order.bmp", 255, 0, 0);
  pictures.SetPictures({red}, 640, 480);
  // The family's effect was never initialised on this device: it draws nothing,
  // so only the backdrop and the logo remain.
  scene.settings.Choices().showImages = 1;
  // The picture is decoded off this thread: frames go on until it is in.
  for (int i = 0; i < 500 && pictures.Count() == 0; ++i) {
    scenes.DrawFrame(false);
    Sleep(10);
  }
  ASSERT_EQ(pictures.Count(), 1);
  Sleep(1100);  // the first picture fades in over a second
  scenes.DrawFrame(false);
  scenes.DrawFrame(false);  // the back buffer may hold the frame before last
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 320, 240) & 0xFFFFFF, 0xFF0000u);  // backdrop
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 50, 455) & 0xFFFFFF, 0xFFFFFFu);   // logo over it
  scene.settings.Choices().showImages = 0;
  scenes.DrawFrame(false);
  scenes.DrawFrame(false);
  EXPECT_EQ(ReadBackPixel(w.device.Get(), 320, 240) & 0xFFFFFF, 0u);  // only the clear below
  pictures.Detach();
  w.ReleaseAll();
  DeleteFileW(red.c_str());
}
