#pragma once
#include <cstdint>
#include <mutex>
#include <string>

#include "resources/ArchiveBytes.h"
#include "resources/GdiPlus.h"

namespace WorkSpace {
// The encrypted resource archive beside the executable. Entries come out whole,
// each in a buffer of the caller's own; threads take turns at the archive.
class ZipReader {
public:
  ZipReader() = default;
  virtual ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens the archive once; a second call (or a failed open) changes nothing.
  bool Open(const std::wstring& path, const std::wstring& password);
  bool IsOpen() const { return opened_; }

  // The entry's bytes (exactly size of them, no terminating zero), or nothing. The
  // name is matched ignoring the case of ASCII letters; '/' and '\' differ.
  ArchiveBytes ReadEntry(const std::wstring& name);

  // A new GDI+ bitmap decoded from the entry, owned by the caller (GdipDisposeImage), or null.
  Gdiplus::GpBitmap* ReadEntryBitmap(const std::wstring& name);

private:
  std::mutex mutex_;
  bool opened_ = false;
  std::wstring archivePath_;
  std::wstring password_;
  uint64_t archiveSize_ = 0;
  void* archive_ = nullptr;  // minizip's unzFile; kept out of this header
};

// No entry of ours comes near this; a directory that claims more is damaged.
constexpr uint64_t kMaxEntryBytes = 64ull * 1024 * 1024;
// Whether an entry's declared sizes can be true of an archive of archiveSize bytes.
bool EntrySizeIsPlausible(uint64_t compressed, uint64_t uncompressed, uint64_t archiveSize);

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
