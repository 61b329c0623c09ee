// Flames on the software renderer: frames per second of each style beside the
// bare frame and one textured full-screen quad (linear filtering), measured in
// the same run at 800 x 600 and 1920 x 1080, with each style's frame time as a
// ratio to the textured quad's.
//   bench_fire [seconds per kind of frame] [resourceFolder...]
//   bench_fire shot <style> <width> <height> <seconds> <out.bmp> [resourceFolder...]
// Without folders the resources come from the archive beside the executable.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "render/Camera.h"
#include "render/FrameClock.h"
#include "bench/BenchSupport.h"
#include "effects/FireEffect.h"
#include "resources/Language.h"
#include "tests/unit/FolderSource.h"

using Microsoft::WRL::ComPtr;

namespace {
struct Scene {
  HWND hwnd = nullptr;
  ComPtr<IDirect3D9> d3d;
  ComPtr<IDirect3DDevice9> device;
  ComPtr<IDirect3DTexture9> quadTexture;
  Camera camera;
  std::unique_ptr<FolderSource> folderSource;
  std::unique_ptr<FireEffect> fire = std::make_unique<FireEffect>();
  SettingsStore choices;
  RECT rect{};

  bool Create(int width, int height, const std::vector<std::wstring>& folders) {
    hwnd = bench::MakeWindow(L"VarnelleFireBench", width, height);
    if (!bench::CreateDevice(hwnd, d3d, device)) return false;
    rect = RECT{0, 0, width, height};
    if (!folders.empty()) {
      folderSource = std::make_unique<FolderSource>(folders);
      fire = std::make_unique<FireEffect>(*folderSource);
    }
    const bool ok = fire->Initialise({device.Get(), rect, camera, choices, {}});
    if (!ok) std::printf("FireEffect::Initialise failed\n");
    bench::CreateQuadTexture(device.Get(), quadTexture);
    return ok;
  }

  ~Scene() {
    fire->Release();
    quadTexture.Reset();
    device.Reset();
    d3d.Reset();
    if (hwnd) DestroyWindow(hwnd);
  }

  // what: -2 bare frame, -1 textured quad, 0..2 a flame style; the flames at the
  // frame clock's time unless one is given.
  void Frame(int what, double time = -1.0) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    if (what == -1)
      bench::DrawTexturedQuad(device.Get(), quadTexture.Get(), static_cast<float>(rect.right),
                              static_cast<float>(rect.bottom));
    if (what >= 0) {
      choices.Choices().selectFireEffect = what;
      fire->ApplyChoices(choices);
      fire->Draw(time >= 0.0 ? time : GetFrameClock().Time());
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }

  double Fps(int what, double seconds) {
    return bench::FramesPerSecond([&] { Frame(what); }, seconds);
  }
};

void Measure(int width, int height, double seconds, const std::vector<std::wstring>& folders) {
  Scene scene;
  if (!scene.Create(width, height, folders)) return;
  // The first frames: the device's first presentation, then each style's first
  // frame (its shader was built by Initialise).
  for (int style = -2; style < 3; ++style) {
    const double start = bench::Now();
    scene.Frame(style);
    const double first = bench::Now() - start;
    const double second = bench::Now();
    scene.Frame(style);
    std::printf("%dx%d style %d first_frame_ms %.1f second_frame_ms %.1f\n", width, height, style, first * 1000,
                (bench::Now() - second) * 1000);
  }
  // The machine is shared: every kind of frame is measured in short turns, round
  // robin, and each kind's median taken, so a busy moment hits all of them alike.
  constexpr int kRounds = 9;
  std::vector<double> fps[5];
  for (int round = 0; round < kRounds; ++round)
    for (int what = -2; what <= 2; ++what) fps[what + 2].push_back(scene.Fps(what, seconds / kRounds));
  const double bare = bench::Median(fps[0]);
  const double quad = bench::Median(fps[1]);
  std::printf("%dx%d bare_frame_fps %.1f\n", width, height, bare);
  std::printf("%dx%d textured_quad_fps %.1f\n", width, height, quad);
  static const char* kNames[] = {"Fire", "FireBall", "Detonation"};
  for (int style = 0; style < 3; ++style) {
    const double styleFps = bench::Median(fps[style + 2]);
    std::printf("%dx%d %s_fps %.1f frame_time_ratio_to_quad %.2f\n", width, height, kNames[style], styleFps,
                quad / styleFps);
  }
}

int Shot(int style, int width, int height, double seconds, const wchar_t* out,
         const std::vector<std::wstring>& folders) {
  Scene scene;
  if (!scene.Create(width, height, folders)) return 1;
  return bench::Shot(scene.device.Get(), [&](double due) { scene.Frame(style, due); }, seconds, out);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  GetFrameClock().Start();
  if (argc >= 7 && std::wstring(argv[1]) == L"shot") {
    std::vector<std::wstring> folders(argv + 7, argv + argc);
    if (folders.empty()) LoadLanguage();
    return Shot(_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtof(argv[5]), argv[6], folders);
  }
  const double seconds = argc > 1 ? _wtof(argv[1]) : 4.0;  // per kind of frame and size
  std::vector<std::wstring> folders(argv + std::min(argc, 2), argv + argc);
  if (folders.empty()) LoadLanguage();
  Measure(800, 600, seconds, folders);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w >= 1920 && h >= 1080)
    Measure(1920, 1080, seconds, folders);
  else
    std::printf("screen %dx%d is too small for the 1920x1080 figures\n", w, h);
  return 0;
}
