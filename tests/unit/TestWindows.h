#pragma once
// Real windows and back-buffer reads for tests that need a device.
#include <d3d9.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

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

// The back buffer copied into system memory (empty when it cannot be read).
struct BackBufferImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // X8R8G8B8
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  static int Red(uint32_t p) { return (p >> 16) & 0xFF; }
  static int Green(uint32_t p) { return (p >> 8) & 0xFF; }
  static int Blue(uint32_t p) { return p & 0xFF; }
  static int Brightest(uint32_t p) {
    const int r = Red(p), g = Green(p), b = Blue(p);
    return r > g ? (r > b ? r : b) : (g > b ? g : b);
  }
  size_t CountLit(int threshold) const {
    size_t n = 0;
    for (uint32_t p : pixels) n += Brightest(p) > threshold;
    return n;
  }
};

inline BackBufferImage ReadBackBuffer(IDirect3DDevice9* device) {
  using Microsoft::WRL::ComPtr;
  BackBufferImage image;
  ComPtr<IDirect3DSurface9> back, copy;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return image;
  D3DSURFACE_DESC desc{};
  back->GetDesc(&desc);
  if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                 nullptr)) ||
      FAILED(device->GetRenderTargetData(back.Get(), copy.Get())))
    return image;
  D3DLOCKED_RECT lr{};
  if (FAILED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) return image;
  image.width = static_cast<int>(desc.Width);
  image.height = static_cast<int>(desc.Height);
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch);
    for (int x = 0; x < image.width; ++x) image.pixels[static_cast<size_t>(y) * image.width + x] = row[x];
  }
  copy->UnlockRect();
  return image;
}

// One pixel of the back buffer (A8R8G8B8/X8R8G8B8), or 0xDEADBEEF when it cannot be read.
inline uint32_t ReadBackPixel(IDirect3DDevice9* device, int x, int y) {
  const BackBufferImage image = ReadBackBuffer(device);
  return image.pixels.empty() ? 0xDEADBEEF : image.At(x, y);
}
