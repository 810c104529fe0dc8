// A JPEG file decoded at a fraction of its size by libjpeg's DCT scaling,
// which skips most of the inverse transform: far faster than a full decode
// followed by a reduction, for when an overview of the picture is enough.
#pragma once

#include "image/Image.h"

#include <string>

namespace fovella {

// What a reduced decode keeps: the grey levels alone, or the colours.
enum class ReducedSamples {
    Luma,    // Gray: the colour planes are neither decoded nor converted
    Colour,  // Bgr, as the window holds a picture
};

// Decodes the file's grey levels (luma), or its colours, at `eighths` / 8
// of its size on each axis (1 to 8; 4, 2 and 1 are a half, a quarter and an
// eighth), into a Gray (or Bgr), 8-bit, TopDown image of
// ceil(W * eighths / 8) x ceil(H * eighths / 8) pixels;
// `fullWidth` and `fullHeight` receive the file's own size. False, with the
// reason in `error`, for anything LoadJpeg would refuse or another scale.
// Thread-safe: each call has its own recovery point.
bool LoadJpegReduced(const std::string& path, int eighths, Image& image, int& fullWidth, int& fullHeight,
                     std::string* error = nullptr, ReducedSamples samples = ReducedSamples::Luma);

}  // namespace fovella
