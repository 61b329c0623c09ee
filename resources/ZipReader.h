#pragma once
#include <cstdint>
#include <string>

// TODO: the encrypted resource archive.
namespace WorkSpace {
class ZipReader {
public:
  virtual ~ZipReader() = default;
  bool Open(const std::wstring& path, const std::wstring& password);
  uint8_t* ReadEntry(const std::wstring& name, uint32_t& size);
  void FreeEntry();
};

ZipReader& GetResourceArchive();
}  // namespace WorkSpace
