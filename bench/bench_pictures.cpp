// Picture backdrop benchmark on the software renderer: frames per second of the
// bare frame (clear, present), one opaque picture, and the two-picture cross-fade,
// at 800 x 600 and 1920 x 1080 when the screen allows, filling the screen and (with
// portrait pictures) whole, each with its frame time as a ratio to the bare frame
// measured in the same run; then the loader's time for one 12-megapixel photo in
// either fit. Run through scripts/bench.sh.
#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "render/Window.h"
#include "bench/BenchSupport.h"
#include "effects/PictureFit.h"
#include "effects/UserTextures.h"
#include "resources/PictureDecoder.h"

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

// Frames of the backdrop with this many of the pictures: none (the bare frame),
// one (opaque), two (always fading, one into the other and back).
struct Backdrop {
  UserTextures textures;
  int pictures = 0;

  void Frame(IDirect3DDevice9* device, const RECT& area) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    DrawUserImages(textures, device, area, bench::Now());
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  // The pictures are decoded on the loader's thread: waits until they are all in
  // (one shown, or one shown and one fading in).
  bool Load(Window& window, const std::wstring (&paths)[2], int count, PictureShow show) {
    pictures = count;
    textures.SetDevice(window.device.Get());
    const RECT area = window.clientRect;
    textures.SetPictures(std::vector<std::wstring>(paths, paths + count), area.right, area.bottom, show);
    textures.StartLoading();
    for (const double until = bench::Now() + 20.0; textures.Count() < count && bench::Now() < until;) {
      Frame(window.device.Get(), area);
      bench::Pump();
    }
    return textures.Count() >= count;
  }
};

void Run(int width, int height, const std::wstring (&paths)[2], double seconds, PictureShow show) {
  HWND hwnd = bench::MakeWindow(L"VarnellePicturesBench", width, height);
  Window window;
  if (!window.Create(hwnd)) {
    std::printf("device creation failed at %dx%d\n", width, height);
    return;
  }
  Backdrop backdrops[3];
  for (int k = 0; k < 3; ++k)
    if (!backdrops[k].Load(window, paths, k, show)) std::printf("%dx%d: %d pictures did not load\n", width, height, k);
  // Short turns, round robin, and each kind's median: a busy moment of a shared
  // machine hits all three alike.
  constexpr int kRounds = 9;
  std::vector<double> fps[3];
  for (int round = 0; round < kRounds; ++round)
    for (int k = 0; k < 3; ++k)
      fps[k].push_back(bench::FramesPerSecond([&] { backdrops[k].Frame(window.device.Get(), window.clientRect); },
                                              seconds / kRounds));
  const double bare = bench::Median(fps[0]), one = bench::Median(fps[1]), fade = bench::Median(fps[2]);
  const char* fit = show.fit == PictureFitMode::Whole ? "whole" : "fill";
  std::printf("%dx%d %s fps: bare %.1f  one_picture %.1f  cross_fade %.1f\n", width, height, fit, bare, one, fade);
  std::printf("%dx%d %s frame time / bare: one_picture %.2f  cross_fade %.2f\n", width, height, fit, bare / one,
              bare / fade);
  std::printf("%dx%d %s cross_fade frame time / one_picture %.2f\n", width, height, fit, one / fade);
  for (Backdrop& b : backdrops) b.textures.Detach();
  window.ReleaseAll();
  DestroyWindow(hwnd);
}
// The loader's work for one 12-megapixel photo (decode, turn, fit to 1920 x 1080),
// filling the screen and whole with its blurred bars, in turns; the medians.
void DecodeTimes(const std::wstring& photo) {
  const ComApartment com;
  std::vector<double> times[2];
  for (int round = 0; round < 5; ++round)
    for (int k = 0; k < 2; ++k) {
      const double start = bench::Now();
      DecodedPicture decoded;
      if (!DecodePictureFile(photo, decoded)) {
        std::printf("the 12 MP photo could not be decoded\n");
        return;
      }
      FitPicture(decoded, 1920, 1080, k == 0 ? PictureFitMode::Fill : PictureFitMode::Whole);
      times[k].push_back(bench::Now() - start);
    }
  const double fill = bench::Median(times[0]), whole = bench::Median(times[1]);
  std::printf("decode_12mp_to_1920x1080 s: fill %.3f  whole %.3f  whole / fill %.2f\n", fill, whole, whole / fill);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const double seconds = argc > 1 ? _wtof(argv[1]) : 3.0;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring paths[2] = {WritePicture(std::wstring(temp) + L"varnelle-bench-a.bmp", 1600, 1200, 40),
                                 WritePicture(std::wstring(temp) + L"varnelle-bench-b.bmp", 1600, 1200, 200)};
  // Portrait pictures on a landscape screen: the whole fit has bars to fill.
  const std::wstring tall[2] = {WritePicture(std::wstring(temp) + L"varnelle-bench-c.bmp", 1200, 1600, 40),
                                WritePicture(std::wstring(temp) + L"varnelle-bench-d.bmp", 1200, 1600, 200)};
  const PictureShow fill{}, whole{PictureFitMode::Whole};
  Run(800, 600, paths, seconds, fill);
  Run(800, 600, tall, seconds, whole);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w >= 1920 && h >= 1080) {
    Run(1920, 1080, paths, seconds, fill);
    Run(1920, 1080, tall, seconds, whole);
  } else {
    std::printf("screen %dx%d is too small for the 1920x1080 figures\n", w, h);
  }
  const std::wstring photo = WritePicture(std::wstring(temp) + L"varnelle-bench-12mp.bmp", 4000, 3000, 120);
  DecodeTimes(photo);
  for (const std::wstring& p : {paths[0], paths[1], tall[0], tall[1], photo}) DeleteFileW(p.c_str());
  return 0;
}
