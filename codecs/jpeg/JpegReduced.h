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

// Decodes the file's grey levels (luma), or its colours, reduced by `factor`
// (1, 2, 4 or 8) on each axis, into a Gray (or Bgr), 8-bit, TopDown image of
// ceil(W / factor) x ceil(H / factor) pixels;
// `fullWidth` and `fullHeight` receive the file's own size. False, with the
// reason in `error`, for anything LoadJpeg would refuse or another factor.
// Thread-safe: each call has its own recovery point.
bool LoadJpegReduced(const std::string& path, int factor, Image& image, int& fullWidth, int& fullHeight,
                     std::string* error = nullptr, ReducedSamples samples = ReducedSamples::Luma);

}  // namespace fovella
