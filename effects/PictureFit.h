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

// How a picture meets a screen of another shape.
enum class PictureFitMode {
  Fill,   // covers the screen, what overhangs cut off
  Whole,  // inside the screen, centred, the bars a blurred and darkened copy of it
};

// Where a whole picture lies inside a width x height area, centred, at one scale.
struct WholeRect {
  int x, y, width, height;
};
WholeRect WholeRectFor(int pictureWidth, int pictureHeight, int width, int height);

// The picture turned upright by its orientation and scaled onto width x height as
// `mode` says (shrunk: each screen pixel the mean of the picture pixels under it;
// enlarged: read bilinearly between them): opaque BGRA rows, top to bottom. Empty
// when either size is not positive.
std::vector<uint32_t> FitPicture(const DecodedPicture& picture, int width, int height,
                                 PictureFitMode mode = PictureFitMode::Fill);
