#include "resources/ZipReader.h"

#include <windows.h>

#include <cstdlib>
#include <new>

#include <unzip.h>

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
    entryBuffer_.reset();
    opened_ = false;
  }
}

bool ZipReader::Open(const std::wstring& path, const std::wstring& password) {
  if (opened_) return false;
  try {
    archivePath_ = path;
    password_ = password;
    unzFile zip = unzOpen(ToAnsi(path).c_str());
    if (!zip) return false;
    archive_ = zip;
    opened_ = true;
    return true;
  } catch (...) {
    return false;
  }
}

uint8_t* ZipReader::ReadEntry(const std::wstring& name, uint32_t& size) {
  try {
    // Callers free before the next read; a forgotten buffer must not leak.
    entryBuffer_.reset();
    unzFile zip = AsZip(archive_);
    if (!zip) return nullptr;
    unzGoToFirstFile(zip);
    // Case 0 compares ASCII letters without regard to case in a Windows build.
    if (unzLocateFile(zip, ToAnsi(name).c_str(), 0) != UNZ_OK) return nullptr;

    unz_file_info info{};
    char storedName[260];
    if (unzGetCurrentFileInfo(zip, &info, storedName, sizeof storedName, nullptr, 0, nullptr, 0) != UNZ_OK)
      return nullptr;
    size = static_cast<uint32_t>(info.uncompressed_size);

    // Zero-filled; at least one byte so an empty entry still yields a valid pointer.
    auto buffer = std::make_unique<uint8_t[]>(size ? size : 1);
    if (unzOpenCurrentFilePassword(zip, ToAnsi(password_).c_str()) != UNZ_OK) return nullptr;
    const int read = size ? unzReadCurrentFile(zip, buffer.get(), size) : 0;
    const int closed = unzCloseCurrentFile(zip);
    // A wrong password or damaged data may stop the inflation early, and then the
    // library skips its CRC check at close: a short read is a failure too.
    if (read < 0 || static_cast<uint32_t>(read) != size || closed != UNZ_OK) return nullptr;

    entryBuffer_ = std::move(buffer);
    return entryBuffer_.get();
  } catch (...) {
    entryBuffer_.reset();
    return nullptr;
  }
}

void ZipReader::FreeEntry() { entryBuffer_.reset(); }

Gdiplus::GpBitmap* ZipReader::ReadEntryBitmap(const std::wstring& name) {
  try {
    uint32_t size = 0;
    const uint8_t* data = ReadEntry(name, size);
    Gdiplus::GpBitmap* bitmap = (data && size > 0) ? DecodeBitmapFromMemory(data, size) : nullptr;
    FreeEntry();
    return bitmap;
  } catch (...) {
    FreeEntry();
    return nullptr;
  }
}

ZipReader& GetResourceArchive() {
  static ZipReader reader;
  return reader;
}

std::wstring GetResourceArchivePath() { return GetModuleDirectory() + L"\\VantorelResource.dat"; }
}  // namespace WorkSpace

std::wstring GetModuleDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(nullptr), path, MAX_PATH);
  wchar_t drive[_MAX_DRIVE] = {};
  wchar_t directory[_MAX_DIR] = {};
  if (_wsplitpath_s(path, drive, _MAX_DRIVE, directory, _MAX_DIR, nullptr, 0, nullptr, 0) != 0) return {};
  return std::wstring(drive) + directory;
}
