// Sparks, blobs and desktop picture on the software renderer: frames per second of
// each family beside the bare frame and one textured full-screen quad (the flames
// benchmark's baseline), in the same run at 800 x 600 and 1920 x 1080, with each
// family's frame time as a ratio to the textured quad's, measured in turns. Then
// the particle update and the vertex and index build for 6000 live particles.
//   bench_families [seconds]
//   bench_families shot <sparks|blobs|desktop> <width> <height> <seconds> <out.bmp>
// The sparks are measured and shown in their steady state (4000 frames of
// simulation first); the desktop picture is "DesktopBitmap.bmp" of the current
// directory.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "render/Camera.h"
#include "render/FrameClock.h"
#include "bench/BenchSupport.h"
#include "effects/BlobsEffect.h"
#include "effects/DesktopEffect.h"
#include "effects/ParticleSystem.h"
#include "effects/SparksEffect.h"
#include "tests/unit/EffectProbe.h"
#include "resources/ZipReader.h"

using Microsoft::WRL::ComPtr;

namespace {
enum What { kBare, kQuad, kSparks, kBlobs, kDesktop };

struct Scene {
  HWND hwnd = nullptr;
  RECT rect{};
  ComPtr<IDirect3D9> d3d;
  ComPtr<IDirect3DDevice9> device;
  ComPtr<IDirect3DTexture9> quadTexture;
  Camera camera;
  SparksEffect sparks;
  BlobsEffect blobs;
  DesktopEffect desktop;
  const SettingsStore defaults;  // BlobsSize 80, BlobsSpeed 40, the first schemes
  What family = kBare;

  bool Create(int width, int height, What what) {
    hwnd = bench::MakeWindow(L"VarnelleFamiliesBench", width, height);
    if (!bench::CreateDevice(hwnd, d3d, device)) return false;
    rect = {0, 0, width, height};
    family = what;
    camera.Reset(width, height, 1.0f, 1000.0f);
    bool ok = true;
    switch (what) {
      case kSparks:
        ok = sparks.Initialise({device.Get(), rect, camera, defaults, {}});
        EffectProbe::Step(sparks, 4000);
        break;
      case kBlobs: ok = blobs.Initialise({device.Get(), rect, camera, defaults, {}}); break;
      case kDesktop: ok = desktop.Initialise({device.Get(), rect, camera, defaults, {}}); break;
      default: break;
    }
    if (!ok) std::printf("the effect could not be created\n");
    bench::CreateQuadTexture(device.Get(), quadTexture);
    return ok;
  }

  ~Scene() {
    sparks.Release();
    blobs.Release();
    desktop.Release();
    quadTexture.Reset();
    device.Reset();
    d3d.Reset();
    if (hwnd) DestroyWindow(hwnd);
  }

  // The scene manager's update and draw for one family.
  void Frame(What what) {
    if (what == kSparks || what == kDesktop) camera.Update(false);
    if (what == kBlobs) camera.Update(true);
    device->SetTransform(D3DTS_VIEW, &camera.view);
    device->SetTransform(D3DTS_PROJECTION, &camera.projection);
    if (what == kBlobs) blobs.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    switch (what) {
      case kQuad:
        bench::DrawTexturedQuad(device.Get(), quadTexture.Get(), static_cast<float>(rect.right),
                                static_cast<float>(rect.bottom));
        break;
      case kSparks: sparks.Draw(0.0); break;
      case kBlobs: blobs.Draw(0.0); break;
      case kDesktop: desktop.Draw(GetFrameClock().Time()); break;
      default: break;
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    if (what == kBlobs) blobs.ReleaseFrameSurfaces();
  }

  double Fps(What what, double seconds) {
    return bench::FramesPerSecond([&] { Frame(what); }, seconds);
  }
};

const char* kNames[] = {"bare_frame", "textured_quad", "Sparks", "Blobs", "Desktop"};

void Measure(int width, int height, double seconds) {
  // Each kind of frame on a device of its own (on one device, what one family
  // leaves behind slows the next under Wine), measured in three turns, round robin,
  // and each kind's median taken, so a busy moment of the shared machine hits all
  // of them alike.
  constexpr int kRounds = 3;
  std::vector<double> fps[5];
  for (int round = 0; round < kRounds; ++round)
    for (What what : {kBare, kQuad, kSparks, kBlobs, kDesktop}) {
      Scene scene;
      if (scene.Create(width, height, what)) fps[what].push_back(scene.Fps(what, seconds / kRounds));
    }
  const double quad = bench::Median(fps[kQuad]);
  for (What what : {kBare, kQuad, kSparks, kBlobs, kDesktop}) {
    if (fps[what].empty()) continue;
    const double median = bench::Median(fps[what]);
    if (what <= kQuad)
      std::printf("%dx%d %s_fps %.1f\n", width, height, kNames[what], median);
    else
      std::printf("%dx%d %s_fps %.1f frame_time_ratio_to_quad %.2f\n", width, height, kNames[what], median,
                  quad > 0 ? quad / median : 0.0);
  }
}

void MeasureParticles() {
  ParticleSystem particles;
  ConfigureSparksEmitter(particles);
  particles.lifeBase = 1000.0f;  // nobody dies: exactly 6000 stay alive
  particles.lifeSpread = 0.0f;
  particles.emitRate = 6000.0f;
  particles.Update(1.0f);
  particles.emitRate = 0.0f;
  const int frames = 500;
  float t = 1.0f;
  double update = 0.0, build = 0.0;
  for (int i = 0; i < frames; ++i) {
    const double a = bench::Now();
    particles.Update(t += 0.001f);
    const double b = bench::Now();
    particles.BuildVertices();
    particles.BuildIndices();
    const double c = bench::Now();
    update += b - a;
    build += c - b;
  }
  std::printf("particles %zu update_us %.1f build_us %.1f per_frame_us %.1f\n", particles.Count(),
              update / frames * 1e6, build / frames * 1e6, (update + build) / frames * 1e6);
}

What Parse(const std::wstring& name) {
  if (name == L"sparks") return kSparks;
  if (name == L"blobs") return kBlobs;
  if (name == L"desktop") return kDesktop;
  return kBare;
}

int Shot(What what, int width, int height, double seconds, const wchar_t* out) {
  // Sparks and blobs move a step a frame, not with the clock: from a seeded start
  // and a set number of frames before each picture (60 a second), every build
  // draws the same sparks and blobs, however fast.
  if (what == kSparks) std::srand(1);
  Scene scene;
  if (!scene.Create(width, height, what)) return 1;
  if (what == kBlobs) {
    for (int i = 0; i < BlobsEffect::kBlobs; ++i) {
      const float x = 0.55f * static_cast<float>(i % 3 - 1), y = 0.5f * static_cast<float>(i / 3 % 3 - 1);
      EffectProbe::positions(scene.blobs)[i] = {x, y};
      EffectProbe::velocities(scene.blobs)[i] = {static_cast<float>(17 + 23 * i) / 61000.0f, static_cast<float>(61 - 11 * i) / 61000.0f};
    }
  }
  int frames = 0;
  return bench::Shot(
      scene.device.Get(),
      [&](double due) {
        if (what != kSparks && what != kBlobs) return scene.Frame(what);
        for (const int target = static_cast<int>(due * 60.0); frames < target; ++frames) scene.Frame(what);
      },
      seconds, out);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  GetFrameClock().Start();
  WorkSpace::GetResourceArchive().Open(WorkSpace::GetResourceArchivePath(), WorkSpace::kResourcePassword);
  if (argc >= 7 && std::wstring(argv[1]) == L"shot")
    return Shot(Parse(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtof(argv[5]), argv[6]);
  const double seconds = argc > 1 ? _wtof(argv[1]) : 3.0;
  Measure(800, 600, seconds);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w >= 1920 && h >= 1080)
    Measure(1920, 1080, seconds);
  else
    std::printf("screen %dx%d is too small for the 1920x1080 figures\n", w, h);
  MeasureParticles();
  return 0;
}
