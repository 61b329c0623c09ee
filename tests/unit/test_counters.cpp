// The live-object counts the soak check reads (counters build only): each owner
// counts what it holds, and a texture's count follows the texture itself.
#include "platform/Counters.h"

#ifdef VARNELLE_COUNTERS
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Handles.h"
#include "render/Window.h"
#include "tests/unit/TestWindows.h"

using Microsoft::WRL::ComPtr;
using namespace platform::counters;

TEST(Counters, HandleOwnersCountWhatTheyHold) {
  const long kernel = Live(kKernelHandles);
  {
    platform::UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    EXPECT_EQ(Live(kKernelHandles), kernel + 1);
    platform::UniqueKernelHandle moved(std::move(event));
    EXPECT_EQ(Live(kKernelHandles), kernel + 1);
    moved.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));  // one closed, one taken
    EXPECT_EQ(Live(kKernelHandles), kernel + 1);
    CloseHandle(moved.release());
    EXPECT_EQ(Live(kKernelHandles), kernel);
    moved.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    platform::UniqueKernelHandle empty;
    empty.reset();
    EXPECT_EQ(Live(kKernelHandles), kernel + 1);
  }
  EXPECT_EQ(Live(kKernelHandles), kernel);

  const long gdi = Live(kGdiObjects);
  {
    const platform::WindowDC screen(nullptr);
    ASSERT_TRUE(screen);
    EXPECT_EQ(Live(kGdiObjects), gdi + 1);
  }
  EXPECT_EQ(Live(kGdiObjects), gdi);
}

TEST(Counters, TextureCountFollowsTheTextureAndLateReleasesShowAsLeaks) {
  TestWindow window(L"Counters", 320, 240);
  Window w;
  const long com = Live(kComObjects), textures = Live(kTextures);
  ASSERT_TRUE(w.Create(window.hwnd));
  const long created = w.font ? 3 : 2;  // Direct3D, the device and (where Wine has it) the font
  EXPECT_EQ(Live(kComObjects), com + created);

  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(w.device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  TagTexture(texture.Get());
  EXPECT_EQ(Live(kTextures), textures + 1);
  ComPtr<IDirect3DTexture9> other = texture;
  texture.Reset();
  EXPECT_EQ(Live(kTextures), textures + 1) << "the texture is still held";

  // The texture holds the device and the device holds Direct3D: the window's
  // releases are not the last ones, so both stay counted.
  w.ReleaseAll();
  EXPECT_EQ(Live(kComObjects), com + 2);
  other.Reset();
  EXPECT_EQ(Live(kTextures), textures) << "Direct3D freed the texture and its tag with it";

  // Released in order, everything counts out.
  ASSERT_TRUE(w.Create(window.hwnd));
  ASSERT_EQ(w.device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  TagTexture(texture.Get());
  texture.Reset();
  EXPECT_EQ(Live(kTextures), textures);
  w.ReleaseAll();
  EXPECT_EQ(Live(kComObjects), com + 2);
}

TEST(Counters, FiguresLineCarriesMemoryAndEveryCount) {
  const std::string line = FiguresLine(1.5);
  EXPECT_EQ(line.rfind("seconds=1.5 ", 0), 0u) << line;
  for (const char* key : {" kernel=", " gdi=", " user=", " modules=", " textures=", " com=", " frames=", " private="})
    EXPECT_NE(line.find(key), std::string::npos) << key << " in " << line;
  const size_t at = line.find("workingset=");
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(std::strtoull(line.c_str() + at + 11, nullptr, 10), 1000000ull) << "a process uses more than a megabyte";
}
#endif
