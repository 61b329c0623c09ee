#pragma once
// Pieces every benchmark needs: a clock, the message pump, a full-screen-style
// window, a device set up as the saver sets up its own, and the textured-quad
// baseline that effect timings are compared against.
#include <windows.h>

#include <d3d9.h>
#include <d3dx9tex.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "render/ScreenQuad.h"

namespace bench {

// Seconds since this process was created, by the system's clock.
inline double ProcessAgeSeconds() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  const auto toInt = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(toInt(now) - toInt(created)) / 1e7;
}

// Seconds from the performance counter; only differences are meaningful.
inline double Now() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Keeps the window responsive (and Wine's presentation flowing) during long loops.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A topmost popup of the given size at the screen's corner, as the saver's window.
inline HWND MakeWindow(const wchar_t* className, int width, int height) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = className;
  RegisterClassW(&cls);
  return CreateWindowExW(WS_EX_TOPMOST, cls.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                         nullptr, nullptr, cls.hInstance, nullptr);
}

// The saver's presentation parameters and fixed render states, so the effects
// are timed on the device they really run on.
inline bool CreateDevice(HWND hwnd, Microsoft::WRL::ComPtr<IDirect3D9>& d3d,
                         Microsoft::WRL::ComPtr<IDirect3DDevice9>& device) {
  *d3d.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION);  // not Attach: it adds a reference
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
  return true;
}

// A 256 x 256 pattern for the baseline quad: every texel differs, so the sampler
// cannot take shortcuts.
inline void CreateQuadTexture(IDirect3DDevice9* device, Microsoft::WRL::ComPtr<IDirect3DTexture9>& texture) {
  device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
  D3DLOCKED_RECT lr{};
  if (texture && SUCCEEDED(texture->LockRect(0, &lr, nullptr, 0))) {
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        static_cast<uint32_t*>(lr.pBits)[y * (lr.Pitch / 4) + x] = 0xFF000000u | (x << 16) | (y << 8) | (x ^ y);
    texture->UnlockRect(0);
  }
}

// The baseline: one linearly filtered textured quad over the whole target, the
// least a full-screen effect can cost. Call between BeginScene and EndScene.
inline void DrawTexturedQuad(IDirect3DDevice9* device, IDirect3DTexture9* texture, float width, float height) {
  ScreenVertex quad[4];
  FillScreenQuad({0.0f, 0.0f, width, height}, {0.0f, 0.0f, 1.0f, 1.0f}, quad);
  device->SetTexture(0, texture);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  DrawScreenQuad(device, quad);
  device->SetTexture(0, nullptr);
}

// Frames per second of frame() over the given time; one frame first, uncounted,
// so one-off costs of the first draw stay out of the figure.
template <typename Frame>
double FramesPerSecond(Frame&& frame, double seconds) {
  frame();
  int frames = 0;
  const double start = Now();
  double elapsed = 0.0;
  while ((elapsed = Now() - start) < seconds) {
    frame();
    ++frames;
    if ((frames & 7) == 0) Pump();
  }
  return frames / elapsed;
}

// Draws frames for the given time, then saves the back buffer as a bitmap;
// returns the process exit code (0 when saved). With VARNELLE_SHOTS=n (n > 1) it
// saves n frames half a second apart instead, as <out less .bmp>-0.bmp and on:
// the look of moving noise is judged over several frames. frame(t) is given the
// time on the run's clock at which the next picture is saved, for effects that
// can be drawn at a set time (the same frames in every build).
template <typename Frame>
int Shot(IDirect3DDevice9* device, Frame&& frame, double seconds, const wchar_t* out) {
  wchar_t countText[16] = {};
  GetEnvironmentVariableW(L"VARNELLE_SHOTS", countText, 16);
  const int count = std::max(1, _wtoi(countText));
  std::wstring stem = out;
  if (count > 1 && stem.size() > 4) stem.erase(stem.size() - 4);
  const double start = Now();
  for (int shot = 0; shot < count; ++shot) {
    // At least two frames at the due time, however slow the drawing, so the
    // saved picture is one of them even where Present flips between two buffers.
    const double due = seconds + 0.5 * shot;
    for (int drawn = 0; drawn < 2 || Now() - start < due; ++drawn) {
      frame(due);
      Pump();
    }
    Microsoft::WRL::ComPtr<IDirect3DSurface9> back;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    const std::wstring file = count > 1 ? stem + L"-" + std::to_wstring(shot) + L".bmp" : stem;
    if (FAILED(D3DXSaveSurfaceToFileW(file.c_str(), D3DXIFF_BMP, back.Get(), nullptr, nullptr))) return 1;
  }
  return 0;
}

}  // namespace bench
