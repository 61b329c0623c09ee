// Resource archive benchmark: opening the archive beside the executable, reading
// every entry once (lookup, decryption, inflation), and decoding every PNG entry
// through GDI+ as the error screen and the picture list do. Each figure is the
// median of several rounds; per entry, the decode time is also given as a ratio
// to reading the same entry, measured in the same run. Run through scripts/bench.sh.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <unzip.h>

#include "bench/BenchSupport.h"
#include "resources/GdiPlus.h"
#include "resources/Strings.h"
#include "resources/ZipReader.h"

using WorkSpace::ZipReader;

namespace {
struct EntryInfo {
  std::string name;
  unsigned long size = 0;
  unsigned long packed = 0;
  int method = 0;
};

std::vector<EntryInfo> ListEntries(const std::wstring& path) {
  std::vector<EntryInfo> entries;
  unzFile zip = unzOpen(ToAnsi(path).c_str());
  if (!zip) return entries;
  for (int s = unzGoToFirstFile(zip); s == UNZ_OK; s = unzGoToNextFile(zip)) {
    unz_file_info info{};
    char name[260] = {};
    unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    entries.push_back({name, info.uncompressed_size, info.compressed_size, static_cast<int>(info.compression_method)});
  }
  unzClose(zip);
  return entries;
}

bool IsPng(const std::string& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0; }
}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
  GdiplusSession gdiplus;
  const std::wstring path = WorkSpace::GetResourceArchivePath();
  const std::vector<EntryInfo> entries = ListEntries(path);
  if (entries.empty()) {
    std::printf("no archive at %s\n", ToUtf8(path).c_str());
    return 1;
  }

  std::vector<double> openTimes;
  for (int r = 0; r < rounds; ++r) {
    ZipReader reader;
    const double t0 = bench::Now();
    reader.Open(path, WorkSpace::kResourcePassword);
    openTimes.push_back(bench::Now() - t0);
  }

  ZipReader reader;
  reader.Open(path, WorkSpace::kResourcePassword);
  std::vector<std::vector<double>> readTimes(entries.size()), decodeTimes(entries.size());
  std::vector<double> readAll, decodeAll;
  for (int r = 0; r < rounds; ++r) {
    double total = 0, totalDecode = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::wstring name = FromAnsi(entries[i].name);
      double t0 = bench::Now();
      const bool read = static_cast<bool>(reader.ReadEntry(name));
      const double dt = bench::Now() - t0;
      if (!read) std::printf("failed to read %s\n", entries[i].name.c_str());
      readTimes[i].push_back(dt);
      total += dt;
      if (IsPng(entries[i].name)) {
        t0 = bench::Now();
        Gdiplus::GpBitmap* bitmap = reader.ReadEntryBitmap(name);
        // GDI+ may decode lazily: asking for a pixel forces the whole picture.
        Gdiplus::ARGB pixel = 0;
        Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, 0, 0, &pixel);
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
        const double dd = bench::Now() - t0;
        decodeTimes[i].push_back(dd);
        totalDecode += dd;
      }
    }
    readAll.push_back(total);
    decodeAll.push_back(totalDecode);
  }

  std::printf("archive: %s, %zu entries, %d rounds (medians)\n", ToUtf8(path).c_str(), entries.size(), rounds);
  std::printf("open: %.3f ms\n\n", bench::Median(openTimes) * 1e3);
  std::printf("%-34s %9s %9s %6s %10s %12s %8s\n", "entry", "bytes", "packed", "method", "read ms", "png decode ms",
              "ratio");
  for (size_t i = 0; i < entries.size(); ++i) {
    const double read = bench::Median(readTimes[i]);
    std::printf("%-34s %9lu %9lu %6s %10.3f", entries[i].name.c_str(), entries[i].size, entries[i].packed,
                entries[i].method == 0 ? "stored" : "deflate", read * 1e3);
    if (!decodeTimes[i].empty()) {
      const double decode = bench::Median(decodeTimes[i]);
      std::printf(" %12.3f %7.1fx", decode * 1e3, read > 0 ? decode / read : 0.0);
    }
    std::printf("\n");
  }
  std::printf("\nread every entry once: %.2f ms; decode every PNG entry: %.2f ms (%.2fx the read of all entries)\n",
              bench::Median(readAll) * 1e3, bench::Median(decodeAll) * 1e3,
              bench::Median(decodeAll) / bench::Median(readAll));
  return 0;
}
