#include "resources/ZipReader.h"

namespace WorkSpace {
bool ZipReader::Open(const std::wstring&, const std::wstring&) { return false; }
uint8_t* ZipReader::ReadEntry(const std::wstring&, uint32_t&) { return nullptr; }
void ZipReader::FreeEntry() {}
Gdiplus::GpBitmap* ZipReader::ReadEntryBitmap(const std::wstring&) { return nullptr; }

ZipReader& GetResourceArchive() {
  static ZipReader reader;
  return reader;
}
}  // namespace WorkSpace
