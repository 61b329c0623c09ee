#include "resources/ExifOrientation.h"

#include <cstring>

namespace {
class TiffReader {
public:
  TiffReader(const uint8_t* data, size_t size, bool bigEndian) : data_(data), size_(size), big_(bigEndian) {}
  bool U16(size_t at, uint32_t& out) const {
    if (at > size_ || size_ - at < 2) return false;
    out = big_ ? (data_[at] << 8 | data_[at + 1]) : (data_[at + 1] << 8 | data_[at]);
    return true;
  }
  bool U32(size_t at, uint32_t& out) const {
    uint32_t a = 0, b = 0;
    if (!U16(at, a) || !U16(at + 2, b)) return false;
    out = big_ ? (a << 16 | b) : (b << 16 | a);
    return true;
  }

private:
  const uint8_t* data_;
  size_t size_;
  bool big_;
};

// The tag in the TIFF structure that follows "Exif\0\0"; 0 when absent.
int OrientationInTiff(const uint8_t* tiff, size_t size) {
  if (size < 8) return 0;
  bool big;
  if (tiff[0] == 'I' && tiff[1] == 'I')
    big = false;
  else if (tiff[0] == 'M' && tiff[1] == 'M')
    big = true;
  else
    return 0;
  const TiffReader r(tiff, size, big);
  uint32_t magic = 0, ifd = 0, count = 0;
  if (!r.U16(2, magic) || magic != 42 || !r.U32(4, ifd) || !r.U16(ifd, count)) return 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = static_cast<size_t>(ifd) + 2 + 12 * static_cast<size_t>(i);
    uint32_t tag = 0, type = 0, n = 0, value = 0;
    if (!r.U16(entry, tag) || !r.U16(entry + 2, type) || !r.U32(entry + 4, n)) return 0;
    if (tag != 0x0112) continue;
    // A SHORT, stored in the first two bytes of the value field.
    if (type != 3 || n < 1 || !r.U16(entry + 8, value)) return 0;
    return static_cast<int>(value);
  }
  return 0;
}
}  // namespace

int ReadExifOrientation(const uint8_t* data, size_t size) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 1;
  size_t at = 2;
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return 1;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return 1;  // end of image, start of scan: no tag before the pixels
    const size_t length = static_cast<size_t>(data[at + 2]) << 8 | data[at + 3];
    if (length < 2 || length > size - at - 2) return 1;
    const uint8_t* body = data + at + 4;
    const size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
      const int value = OrientationInTiff(body + 6, bodySize - 6);
      return value >= 1 && value <= 8 ? value : 1;
    }
    at += 2 + length;
  }
  return 1;
}
