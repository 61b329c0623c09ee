#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "resources/GdiPlus.h"

namespace WorkSpace {
// The encrypted resource archive beside the executable. Entries come out whole,
// one at a time: ReadEntry hands out a buffer that the caller gives back with
// FreeEntry before the next read. One thread at a time.
class ZipReader {
public:
  ZipReader() = default;
  virtual ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens the archive once; a second call (or a failed open) changes nothing.
  bool Open(const std::wstring& path, const std::wstring& password);
  bool IsOpen() const { return opened_; }

  // The entry's bytes (exactly size of them, no terminating zero) or null. The
  // name is matched ignoring the case of ASCII letters; '/' and '\' differ. size
  // is written once the entry is found, so a missing entry leaves it untouched.
  uint8_t* ReadEntry(const std::wstring& name, uint32_t& size);
  void FreeEntry();

  // A new GDI+ bitmap decoded from the entry, owned by the caller (GdipDisposeImage), or null.
  Gdiplus::GpBitmap* ReadEntryBitmap(const std::wstring& name);

private:
  bool opened_ = false;
  std::wstring archivePath_;
  std::wstring password_;
  std::unique_ptr<uint8_t[]> entryBuffer_;
  void* archive_ = nullptr;  // minizip's unzFile; kept out of this header
};

ZipReader& GetResourceArchive();

// Where the saver expects its archive, and the one password of every entry.
std::wstring GetResourceArchivePath();
constexpr wchar_t kResourcePassword[] = L"8305926";
}  // namespace WorkSpace

// Drive and directory of the running executable, ending with a backslash.
std::wstring GetModuleDirectory();
namespace WorkSpace {
using ::GetModuleDirectory;
}
