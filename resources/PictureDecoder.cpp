#include "resources/PictureDecoder.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <fstream>
#include <new>

#include "platform/Counters.h"
#include "resources/ExifOrientation.h"

using Microsoft::WRL::ComPtr;

namespace {
// The Exif block sits near the start of a JPEG: its APP1 segment is at most 64 KiB.
constexpr size_t kHeadBytes = 128 * 1024;

int OrientationOfFile(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  if (!file) return 1;
  std::vector<uint8_t> head(kHeadBytes);
  file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  return ReadExifOrientation(head.data(), static_cast<size_t>(file.gcount()));
}
}  // namespace

ComApartment::ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

bool DecodePictureFile(const std::wstring& path, DecodedPicture& out) {
  out = DecodedPicture{};
  if (path.empty()) return false;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
    return false;
  platform::counters::CountCreated(factory.Get());
  // Runs after the decoder, frame and converter below are gone (declared after the
  // factory, before them), so a factory something still holds shows in the counts.
  struct FactoryRelease {
    ComPtr<IWICImagingFactory>& factory;
    ~FactoryRelease() { platform::counters::ReleaseCounted(factory); }
  } factoryRelease{factory};
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                &decoder)))
    return false;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, &frame))) return false;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return false;
  if (static_cast<uint64_t>(width) * height > kMaxDecodedPixels) return false;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;
  try {
    out.pixels.resize(static_cast<size_t>(width) * height);
  } catch (const std::bad_alloc&) {
    out = DecodedPicture{};
    return false;
  }
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, reinterpret_cast<BYTE*>(out.pixels.data())))) {
    out = DecodedPicture{};
    return false;
  }
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.orientation = OrientationOfFile(path);
  return true;
}
