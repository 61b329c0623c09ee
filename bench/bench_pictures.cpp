// Picture backdrop benchmark on the software renderer: frames per second of the
// bare frame (clear, present), one opaque picture, and the two-picture cross-fade,
// at 800 x 600 and 1920 x 1080 when the screen allows, each with its frame time as
// a ratio to the bare frame measured in the same run. Run through scripts/bench.sh.
#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "render/Window.h"
#include "bench/BenchSupport.h"
#include "effects/UserTextures.h"

namespace {
template <typename T>
void Put(std::ofstream& out, T value) {
  out.write(reinterpret_cast<const char*>(&value), sizeof(T));
}

// A photo-sized 24-bit bitmap with a colour gradient.
std::wstring WritePicture(const std::wstring& path, int w, int h, int tint) {
  std::ofstream out(path.c_str(), std::ios::binary);
  const int row = (w * 3 + 3) & ~3;
  out.write("BM", 2);
  Put<uint32_t>(out, 54 + row * h);
  Put<uint32_t>(out, 0);
  Put<uint32_t>(out, 54);
  Put<uint32_t>(out, 40);
  Put<int32_t>(out, w);
  Put<int32_t>(out, h);
  Put<uint16_t>(out, 1);
  Put<uint16_t>(out, 24);
  for (int i = 0; i < 6; ++i) Put<uint32_t>(out, 0);
  std::string line(row, '\0');
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      line[x * 3 + 0] = static_cast<char>(x * 255 / w);
      line[x * 3 + 1] = static_cast<char>(y * 255 / h);
      line[x * 3 + 2] = static_cast<char>(tint);
    }
    out.write(line.data(), row);
  }
  return path;
}

double Measure(Window& window, UserTextures& textures, int pictures, const std::wstring (&paths)[2],
               double seconds) {
  IDirect3DDevice9* device = window.device.Get();
  const RECT area = window.clientRect;
  textures.SetPictures(std::vector<std::wstring>(paths, paths + pictures), area.right, area.bottom);
  textures.StartLoading();
  auto frame = [&] {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    DrawUserImages(textures, device, area);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  };
  // The pictures are decoded on the loader's thread: wait until they are all in
  // (one shown, or one shown and one fading in) before timing.
  for (const double until = bench::Now() + 20.0; textures.Count() < pictures && bench::Now() < until;) {
    frame();
    bench::Pump();
  }
  int frames = 0;
  const double start = bench::Now();
  double elapsed = 0.0;
  while ((elapsed = bench::Now() - start) < seconds) {
    frame();
    if ((++frames & 15) == 0) bench::Pump();
  }
  return frames / elapsed;
}

void Run(int width, int height, const std::wstring (&paths)[2], double seconds) {
  HWND hwnd = bench::MakeWindow(L"VarnellePicturesBench", width, height);
  Window window;
  if (!window.Create(hwnd)) {
    std::printf("device creation failed at %dx%d\n", width, height);
    return;
  }
  UserTextures textures;
  textures.SetDevice(window.device.Get());
  const double bare = Measure(window, textures, 0, paths, seconds);
  const double one = Measure(window, textures, 1, paths, seconds);
  const double fade = Measure(window, textures, 2, paths, seconds);
  std::printf("%dx%d fps: bare %.1f  one_picture %.1f  cross_fade %.1f\n", width, height, bare, one, fade);
  std::printf("%dx%d frame time / bare: one_picture %.2f  cross_fade %.2f\n", width, height, bare / one,
              bare / fade);
  textures.Clear();
  window.ReleaseAll();
  DestroyWindow(hwnd);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const double seconds = argc > 1 ? _wtof(argv[1]) : 3.0;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring paths[2] = {WritePicture(std::wstring(temp) + L"varnelle-bench-a.bmp", 1600, 1200, 40),
                                 WritePicture(std::wstring(temp) + L"varnelle-bench-b.bmp", 1600, 1200, 200)};
  Run(800, 600, paths, seconds);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w >= 1920 && h >= 1080)
    Run(1920, 1080, paths, seconds);
  else
    std::printf("screen %dx%d is too small for the 1920x1080 figures\n", w, h);
  for (const std::wstring& p : paths) DeleteFileW(p.c_str());
  return 0;
}
