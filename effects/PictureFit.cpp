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

namespace {
// An upright picture to read from: its stored rows and the walk that turns them.
struct Source {
  const uint32_t* pixels;
  Walk walk;
  int width, height;  // upright
  uint32_t At(int u, int v) const { return pixels[walk.base + v * walk.dv + u * walk.du]; }
};

// The crop of the source scaled to width x height into `out` (rows `stride` apart).
// Shrinking, each pixel is the mean of the source pixels under it; enlarging, it is
// read between the four nearest ones (bilinear), so no square of a repeated pixel shows.
void Resample(const Source& source, const CoverCrop& crop, int width, int height, uint32_t* out, size_t stride) {
  const double stepX = crop.width / width, stepY = crop.height / height;
  if (stepX < 1.0 && stepY < 1.0) {
    struct Tap {
      int first, second;
      uint32_t weight;  // of the second, in 256ths
    };
    auto taps = [](double from, double step, int count, int limit) {
      std::vector<Tap> t(static_cast<size_t>(count));
      for (int k = 0; k < count; ++k) {
        const double at = std::clamp(from + (k + 0.5) * step - 0.5, 0.0, static_cast<double>(limit - 1));
        const int first = static_cast<int>(at);
        t[k] = {first, std::min(first + 1, limit - 1), static_cast<uint32_t>((at - first) * 256.0)};
      }
      return t;
    };
    const std::vector<Tap> columns = taps(crop.x, stepX, width, source.width);
    const std::vector<Tap> rows = taps(crop.y, stepY, height, source.height);
    auto mix = [](uint32_t a, uint32_t b, uint32_t w) {
      const uint32_t rb = ((a & 0xFF00FF) * (256 - w) + (b & 0xFF00FF) * w) >> 8 & 0xFF00FF;
      const uint32_t g = ((a & 0xFF00) * (256 - w) + (b & 0xFF00) * w) >> 8 & 0xFF00;
      return rb | g;
    };
    for (int y = 0; y < height; ++y) {
      const Tap& r = rows[y];
      uint32_t* line = out + static_cast<size_t>(y) * stride;
      for (int x = 0; x < width; ++x) {
        const Tap& c = columns[x];
        const uint32_t top = mix(source.At(c.first, r.first), source.At(c.second, r.first), c.weight);
        const uint32_t bottom = mix(source.At(c.first, r.second), source.At(c.second, r.second), c.weight);
        line[x] = 0xFF000000u | mix(top, bottom, r.weight);
      }
    }
    return;
  }
  // Each screen column and row takes the picture pixels whose span it covers.
  auto span = [](double from, double step, int limit, int& first, int& last) {
    first = std::clamp(static_cast<int>(std::floor(from)), 0, limit - 1);
    last = std::clamp(static_cast<int>(std::ceil(from + step)), first + 1, limit);
  };
  std::vector<int> columnFirst(width), columnLast(width);
  for (int x = 0; x < width; ++x) span(crop.x + x * stepX, stepX, source.width, columnFirst[x], columnLast[x]);
  for (int y = 0; y < height; ++y) {
    int v0 = 0, v1 = 0;
    span(crop.y + y * stepY, stepY, source.height, v0, v1);
    uint32_t* line = out + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const int u0 = columnFirst[x], u1 = columnLast[x];
      uint64_t b = 0, g = 0, r = 0;
      for (int v = v0; v < v1; ++v) {
        int64_t at = source.walk.base + v * source.walk.dv + u0 * source.walk.du;
        for (int u = u0; u < u1; ++u, at += source.walk.du) {
          const uint32_t p = source.pixels[at];
          b += p & 0xFF;
          g += (p >> 8) & 0xFF;
          r += (p >> 16) & 0xFF;
        }
      }
      const uint64_t n = static_cast<uint64_t>(v1 - v0) * (u1 - u0);
      line[x] = 0xFF000000u | static_cast<uint32_t>((r / n) << 16 | (g / n) << 8 | (b / n));
    }
  }
}

// The bars beside a whole picture: the picture covering the area, made tiny, blurred
// and darkened, then enlarged again: its colours without its detail.
std::vector<uint32_t> BlurredBackdrop(const Source& source, int width, int height) {
  const int sw = std::max(1, width / 24), sh = std::max(1, height / 24);
  std::vector<uint32_t> small(static_cast<size_t>(sw) * sh);
  Resample(source, CoverCropFor(source.width, source.height, width, height), sw, sh, small.data(), sw);
  std::vector<uint32_t> pass(small.size());
  for (int round = 0; round < 2; ++round) {
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x) {
        uint32_t sum[3] = {}, n = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const uint32_t p = small[std::clamp(y + dy, 0, sh - 1) * sw + std::clamp(x + dx, 0, sw - 1)];
            for (int c = 0; c < 3; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
            ++n;
          }
        // The last round darkens to about two fifths, so the bars stay behind the picture.
        const uint32_t scale = round == 1 ? 102 : 256;
        uint32_t q = 0xFF000000u;
        for (int c = 0; c < 3; ++c) q |= (sum[c] / n * scale >> 8) << (8 * c);
        pass[static_cast<size_t>(y) * sw + x] = q;
      }
    small.swap(pass);
  }
  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  const Source tiny{small.data(), {0, 1, sw}, sw, sh};
  Resample(tiny, {0.0, 0.0, static_cast<double>(sw), static_cast<double>(sh)}, width, height, out.data(), width);
  return out;
}
}  // namespace

WholeRect WholeRectFor(int pictureWidth, int pictureHeight, int width, int height) {
  const double scale =
      std::min(static_cast<double>(width) / pictureWidth, static_cast<double>(height) / pictureHeight);
  const int w = std::clamp(static_cast<int>(std::lround(pictureWidth * scale)), 1, width);
  const int h = std::clamp(static_cast<int>(std::lround(pictureHeight * scale)), 1, height);
  return {(width - w) / 2, (height - h) / 2, w, h};
}

std::vector<uint32_t> FitPicture(const DecodedPicture& picture, int width, int height, PictureFitMode mode) {
  int pw = 0, ph = 0;
  UprightSize(picture, pw, ph);
  if (width <= 0 || height <= 0 || pw <= 0 || ph <= 0 ||
      picture.pixels.size() < static_cast<size_t>(picture.width) * picture.height)
    return {};
  const Source source{picture.pixels.data(), WalkFor(picture.orientation, picture.width, picture.height), pw, ph};
  const WholeRect whole = WholeRectFor(pw, ph, width, height);
  if (mode == PictureFitMode::Fill || (whole.width == width && whole.height == height)) {
    std::vector<uint32_t> out(static_cast<size_t>(width) * height);
    Resample(source, CoverCropFor(pw, ph, width, height), width, height, out.data(), width);
    return out;
  }
  std::vector<uint32_t> out = BlurredBackdrop(source, width, height);
  Resample(source, {0.0, 0.0, static_cast<double>(pw), static_cast<double>(ph)}, whole.width, whole.height,
           out.data() + static_cast<size_t>(whole.y) * width + whole.x, width);
  return out;
}
