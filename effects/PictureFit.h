#pragma once
#include <cstdint>
#include <vector>

#include "resources/PictureDecoder.h"

// The part of an upright picture that covers a width x height area at one scale,
// centred: what overhangs on the long side is cut off, nothing is stretched.
struct CoverCrop {
  double x, y, width, height;  // in upright picture pixels
};
CoverCrop CoverCropFor(int pictureWidth, int pictureHeight, int width, int height);

// The upright size of a stored picture: orientations 5 to 8 swap the sides.
void UprightSize(const DecodedPicture& picture, int& width, int& height);

// The picture turned upright by its orientation, scaled to cover width x height
// (each screen pixel the mean of the picture pixels under it) and centred: opaque
// BGRA rows, top to bottom. Empty when either size is not positive.
std::vector<uint32_t> FitPicture(const DecodedPicture& picture, int width, int height);
