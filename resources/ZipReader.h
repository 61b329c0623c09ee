#pragma once
#include <cstdint>
#include <string>

#include "resources/GdiPlus.h"

// TODO: the encrypted resource archive.
namespace WorkSpace {
class ZipReader {
public:
  virtual ~ZipReader() = default;
  bool Open(const std::wstring& path, const std::wstring& password);
  uint8_t* ReadEntry(const std::wstring& name, uint32_t& size);
  void FreeEntry();
  // A new GDI+ bitmap decoded from the entry, owned by the caller (GdipDisposeImage), or null.
  Gdiplus::GpBitmap* ReadEntryBitmap(const std::wstring& name);
};

ZipReader& GetResourceArchive();
}  // namespace WorkSpace
