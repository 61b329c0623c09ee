#pragma once
#include <cstddef>
#include <cstdint>

// How a camera says its photo must be turned to stand upright: the Exif
// orientation tag (0x0112) of a JPEG's APP1 block. 1 is upright as stored;
// 2 to 8 are the mirrored and turned variants, as the Exif standard numbers them.
// Read from the file's own bytes: the JPEG decoders of some systems drop the
// metadata. Anything missing, malformed or out of range gives 1.
int ReadExifOrientation(const uint8_t* data, size_t size);
