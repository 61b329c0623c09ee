#include "resources/ZipReader.h"

#include <windows.h>

#include <cstdlib>
#include <new>

#include <unzip.h>
// After unzip.h, whose zlib headers it needs.
#include <iowin32.h>

#include "platform/ProgramPath.h"
#include "resources/Strings.h"

namespace WorkSpace {
namespace {
unzFile AsZip(void* handle) { return static_cast<unzFile>(handle); }
}  // namespace

ZipReader::~ZipReader() {
  if (opened_) {
    unzCloseCurrentFile(AsZip(archive_));
    unzClose(AsZip(archive_));
    archive_ = nullptr;
    opened_ = false;
  }
}

bool ZipReader::Open(const std::wstring& path, const std::wstring& password) {
  std::lock_guard lock(mutex_);
  if (opened_) return false;
  try {
    archivePath_ = path;
    password_ = password;
    // By its wide path: a folder named outside the ANSI code page must not lose it.
    zlib_filefunc64_def files;
    fill_win32_filefunc64W(&files);
    unzFile zip = unzOpen2_64(path.c_str(), &files);
    if (!zip) return false;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    archiveSize_ = GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)
                       ? (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow
                       : 0;
    archive_ = zip;
    opened_ = true;
    return true;
  } catch (...) {
    return false;
  }
}

bool EntrySizeIsPlausible(uint64_t compressed, uint64_t uncompressed, uint64_t archiveSize) {
  if (uncompressed > kMaxEntryBytes || compressed > archiveSize) return false;
  // Deflate cannot expand data by more than about 1032 to 1; a larger claim is a lie.
  return uncompressed <= compressed * 1032 + 1024;
}

ArchiveBytes ZipReader::ReadEntry(const std::wstring& name) {
  // The window thread (list-box painting) and the render thread (error screen, the
  // dialog's preview) both read, and minizip keeps one position in the archive.
  std::lock_guard lock(mutex_);
  try {
    unzFile zip = AsZip(archive_);
    if (!zip) return {};
    unzGoToFirstFile(zip);
    // Case 0 compares ASCII letters without regard to case in a Windows build.
    if (unzLocateFile(zip, ToAnsi(name).c_str(), 0) != UNZ_OK) return {};

    unz_file_info64 info{};
    char storedName[260];
    if (unzGetCurrentFileInfo64(zip, &info, storedName, sizeof storedName, nullptr, 0, nullptr, 0) != UNZ_OK)
      return {};
    // Checked before anything is allocated: a damaged or hostile directory entry
    // must not make the saver ask for gigabytes.
    if (!EntrySizeIsPlausible(info.compressed_size, info.uncompressed_size, archiveSize_)) return {};
    const auto entrySize = static_cast<uint32_t>(info.uncompressed_size);

    // Zero-filled; at least one byte so an empty entry is still told from a missing one.
    ArchiveBytes bytes{std::make_unique<uint8_t[]>(entrySize ? entrySize : 1), entrySize};
    if (unzOpenCurrentFilePassword(zip, ToAnsi(password_).c_str()) != UNZ_OK) return {};
    const int read = entrySize ? unzReadCurrentFile(zip, bytes.data.get(), entrySize) : 0;
    const int closed = unzCloseCurrentFile(zip);
    // A wrong password or damaged data may stop the inflation early, and then the
    // library skips its CRC check at close: a short read is a failure too.
    if (read < 0 || static_cast<uint32_t>(read) != entrySize || closed != UNZ_OK) return {};
    return bytes;
  } catch (...) {
    return {};
  }
}

Gdiplus::GpBitmap* ZipReader::ReadEntryBitmap(const std::wstring& name) {
  try {
    const ArchiveBytes bytes = ReadEntry(name);
    return bytes.size > 0 ? DecodeBitmapFromMemory(bytes.get(), bytes.size) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

ZipReader& GetResourceArchive() {
  static ZipReader reader;
  return reader;
}

std::wstring GetResourceArchivePath() { return GetModuleDirectory() + L"\\VantorelResource.dat"; }
}  // namespace WorkSpace

std::wstring GetModuleDirectory() { return FolderOf(GetProgramPath()); }
