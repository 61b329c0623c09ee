#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A picture file decoded at its stored size: 32-bit BGRA rows, top to bottom,
// and the Exif orientation that says how to turn it upright (1 when none).
struct DecodedPicture {
  int width = 0;
  int height = 0;
  int orientation = 1;
  std::vector<uint32_t> pixels;
};

// Pictures beyond this many pixels are refused before their pixels are decoded,
// so that one huge file cannot exhaust the saver's memory.
constexpr uint64_t kMaxDecodedPixels = 64ull * 1024 * 1024;

// Decodes the first frame of a JPEG, PNG, BMP, GIF or TIFF file through the
// system's imaging components. False, with `out` empty, when the file cannot be
// read, is no picture, or is too large. The calling thread must have COM
// initialised (ComApartment below).
bool DecodePictureFile(const std::wstring& path, DecodedPicture& out);

// COM for the lifetime of a scope on the calling thread (multithreaded apartment).
class ComApartment {
public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

private:
  bool initialised_;
};
