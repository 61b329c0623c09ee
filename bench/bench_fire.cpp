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

#include "app/Camera.h"
#include "app/FrameClock.h"
#include "effects/FireEffect.h"
#include "resources/Language.h"
#include "tests/unit/FolderSource.h"

using Microsoft::WRL::ComPtr;

namespace {
double Now() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

struct Scene {
  HWND hwnd = nullptr;
  ComPtr<IDirect3D9> d3d;
  ComPtr<IDirect3DDevice9> device;
  ComPtr<IDirect3DTexture9> quadTexture;
  Camera camera;
  FireEffect fire;

  bool Create(int width, int height, const std::vector<std::wstring>& folders) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VarnelleFireBench";
    RegisterClassW(&cls);
    hwnd = CreateWindowExW(WS_EX_TOPMOST, cls.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, cls.hInstance, nullptr);
    d3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS pp{};
    pp.SwapEffect = D3DSWAPEFFECT_FLIP;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    if (!d3d || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                         &pp, &device)))
      return false;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    RECT rc{0, 0, width, height};
    bool ok;
    if (folders.empty()) {
      ok = fire.InitEffect(&camera, device.Get(), rc);
    } else {
      FolderSource source(folders);
      ok = fire.InitEffect(&camera, device.Get(), rc, source);
    }
    if (!ok) std::printf("FireEffect::InitEffect failed\n");
    device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &quadTexture, nullptr);
    D3DLOCKED_RECT lr{};
    if (quadTexture && SUCCEEDED(quadTexture->LockRect(0, &lr, nullptr, 0))) {
      for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
          static_cast<uint32_t*>(lr.pBits)[y * (lr.Pitch / 4) + x] = 0xFF000000u | (x << 16) | (y << 8) | (x ^ y);
      quadTexture->UnlockRect(0);
    }
    return ok;
  }

  ~Scene() {
    fire.Release();
    quadTexture.Reset();
    device.Reset();
    d3d.Reset();
    if (hwnd) DestroyWindow(hwnd);
  }

  void TexturedQuad() {
    const float W = static_cast<float>(fire.clientRect.right), H = static_cast<float>(fire.clientRect.bottom);
    FireEffect::QuadVertex quad[4];
    FireEffect::BuildScreenQuad({0, 0, 1, 1}, {0, 0, W, H}, quad);
    device->SetTexture(0, quadTexture.Get());
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(FireEffect::QuadVertex));
    device->SetTexture(0, nullptr);
  }

  // what: -2 bare frame, -1 textured quad, 0..2 a flame style.
  void Frame(int what) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    if (what == -1) TexturedQuad();
    if (what >= 0) {
      fire.style = what;
      fire.Render();
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }

  double Fps(int what, double seconds) {
    Frame(what);
    int frames = 0;
    const double start = Now();
    double elapsed = 0.0;
    while ((elapsed = Now() - start) < seconds) {
      Frame(what);
      ++frames;
      if ((frames & 7) == 0) Pump();
    }
    return frames / elapsed;
  }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Measure(int width, int height, double seconds, const std::vector<std::wstring>& folders) {
  Scene scene;
  if (!scene.Create(width, height, folders)) return;
  // The first frames: the device's first presentation, then each style's first
  // frame (its shader was built by InitEffect).
  for (int style = -2; style < 3; ++style) {
    const double start = Now();
    scene.Frame(style);
    const double first = Now() - start;
    const double second = Now();
    scene.Frame(style);
    std::printf("%dx%d style %d first_frame_ms %.1f second_frame_ms %.1f\n", width, height, style, first * 1000,
                (Now() - second) * 1000);
  }
  // The machine is shared: every kind of frame is measured in short turns, round
  // robin, and each kind's median taken, so a busy moment hits all of them alike.
  constexpr int kRounds = 9;
  std::vector<double> fps[5];
  for (int round = 0; round < kRounds; ++round)
    for (int what = -2; what <= 2; ++what) fps[what + 2].push_back(scene.Fps(what, seconds / kRounds));
  const double bare = Median(fps[0]);
  const double quad = Median(fps[1]);
  std::printf("%dx%d bare_frame_fps %.1f\n", width, height, bare);
  std::printf("%dx%d textured_quad_fps %.1f\n", width, height, quad);
  static const char* kNames[] = {"Fire", "FireBall", "Detonation"};
  for (int style = 0; style < 3; ++style) {
    const double styleFps = Median(fps[style + 2]);
    std::printf("%dx%d %s_fps %.1f frame_time_ratio_to_quad %.2f\n", width, height, kNames[style], styleFps,
                quad / styleFps);
  }
}

int Shot(int style, int width, int height, double seconds, const wchar_t* out,
         const std::vector<std::wstring>& folders) {
  Scene scene;
  if (!scene.Create(width, height, folders)) return 1;
  const double start = Now();
  while (Now() - start < seconds) {
    scene.Frame(style);
    Pump();
  }
  ComPtr<IDirect3DSurface9> back;
  scene.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  return FAILED(D3DXSaveSurfaceToFileW(out, D3DXIFF_BMP, back.Get(), nullptr, nullptr)) ? 1 : 0;
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
