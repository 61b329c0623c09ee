#pragma once
// Whole back-buffer reads for the effect family tests, and the archive they load from.
#include <d3d9.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#include "resources/ZipReader.h"

// The archive beside the test executable, opened once.
inline bool OpenTestArchive() {
  WorkSpace::ZipReader& archive = WorkSpace::GetResourceArchive();
  archive.Open(WorkSpace::GetResourceArchivePath(), WorkSpace::kResourcePassword);
  return archive.IsOpen();
}

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
