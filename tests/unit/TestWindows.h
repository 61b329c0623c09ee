#pragma once
// Real windows and back-buffer reads for tests that need a device.
#include <d3d9.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>

class TestWindow {
public:
  // A visible top-level window with the given client size.
  TestWindow(const wchar_t* title, int width, int height) {
    Register();
    RECT rc{0, 0, width, height};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    hwnd = CreateWindowW(kClass, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, rc.right - rc.left,
                         rc.bottom - rc.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  // A child window of the given size at the parent's origin.
  TestWindow(HWND parent, int width, int height) {
    Register();
    hwnd = CreateWindowW(kClass, L"Preview", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
  }
  ~TestWindow() {
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd = nullptr;

private:
  static constexpr wchar_t kClass[] = L"VarnelleTestWindow";
  static void Register() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kClass;
    RegisterClassW(&cls);  // fails harmlessly when already registered
  }
};

// Copies the back buffer into system memory and returns one pixel (A8R8G8B8/X8R8G8B8).
inline uint32_t ReadBackPixel(IDirect3DDevice9* device, int x, int y) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IDirect3DSurface9> back, copy;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return 0xDEADBEEF;
  D3DSURFACE_DESC desc{};
  back->GetDesc(&desc);
  if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                 nullptr)))
    return 0xDEADBEEF;
  if (FAILED(device->GetRenderTargetData(back.Get(), copy.Get()))) return 0xDEADBEEF;
  D3DLOCKED_RECT lr{};
  if (FAILED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) return 0xDEADBEEF;
  const uint32_t value = static_cast<const uint32_t*>(lr.pBits)[y * (lr.Pitch / 4) + x];
  copy->UnlockRect();
  return value;
}
