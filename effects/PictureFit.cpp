#include "effects/PictureFit.h"

#include <algorithm>
#include <cmath>

namespace {
// Where upright pixel (u, v) lies in the stored rows: base + u * du + v * dv.
struct Walk {
  int64_t base, du, dv;
};

Walk WalkFor(int orientation, int64_t w, int64_t h) {
  switch (orientation) {
    case 2: return {w - 1, -1, w};                 // mirrored left to right
    case 3: return {(h - 1) * w + w - 1, -1, -w};  // upside down
    case 4: return {(h - 1) * w, 1, -w};           // mirrored top to bottom
    case 5: return {0, w, 1};                      // mirrored along the diagonal
    case 6: return {(h - 1) * w, -w, 1};           // taken turned a quarter to the left
    case 7: return {(h - 1) * w + w - 1, -w, -1};
    case 8: return {w - 1, w, -1};                 // taken turned a quarter to the right
    default: return {0, 1, w};
  }
}
}  // namespace

CoverCrop CoverCropFor(int pw, int ph, int width, int height) {
  const double scale = std::max(static_cast<double>(width) / pw, static_cast<double>(height) / ph);
  const double cw = width / scale, ch = height / scale;
  return {(pw - cw) * 0.5, (ph - ch) * 0.5, cw, ch};
}

void UprightSize(const DecodedPicture& picture, int& width, int& height) {
  const bool turned = picture.orientation >= 5 && picture.orientation <= 8;
  width = turned ? picture.height : picture.width;
  height = turned ? picture.width : picture.height;
}

std::vector<uint32_t> FitPicture(const DecodedPicture& picture, int width, int height) {
  int pw = 0, ph = 0;
  UprightSize(picture, pw, ph);
  if (width <= 0 || height <= 0 || pw <= 0 || ph <= 0 ||
      picture.pixels.size() < static_cast<size_t>(picture.width) * picture.height)
    return {};
  const CoverCrop crop = CoverCropFor(pw, ph, width, height);
  const Walk walk = WalkFor(picture.orientation, picture.width, picture.height);
  const double stepX = crop.width / width, stepY = crop.height / height;

  // Each screen column and row takes the picture pixels whose span it covers
  // (at least one: enlarged pictures repeat their nearest pixel).
  auto span = [](double from, double step, int limit, int& first, int& last) {
    first = std::clamp(static_cast<int>(std::floor(from)), 0, limit - 1);
    last = std::clamp(static_cast<int>(std::ceil(from + step)), first + 1, limit);
  };
  std::vector<int> columnFirst(width), columnLast(width);
  for (int x = 0; x < width; ++x) span(crop.x + x * stepX, stepX, pw, columnFirst[x], columnLast[x]);

  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  const uint32_t* pixels = picture.pixels.data();
  for (int y = 0; y < height; ++y) {
    int v0 = 0, v1 = 0;
    span(crop.y + y * stepY, stepY, ph, v0, v1);
    for (int x = 0; x < width; ++x) {
      const int u0 = columnFirst[x], u1 = columnLast[x];
      uint64_t b = 0, g = 0, r = 0;
      for (int v = v0; v < v1; ++v) {
        int64_t at = walk.base + v * walk.dv + u0 * walk.du;
        for (int u = u0; u < u1; ++u, at += walk.du) {
          const uint32_t p = pixels[at];
          b += p & 0xFF;
          g += (p >> 8) & 0xFF;
          r += (p >> 16) & 0xFF;
        }
      }
      const uint64_t n = static_cast<uint64_t>(v1 - v0) * (u1 - u0);
      out[static_cast<size_t>(y) * width + x] =
          0xFF000000u | static_cast<uint32_t>((r / n) << 16 | (g / n) << 8 | (b / n));
    }
  }
  return out;
}
