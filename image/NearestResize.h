// Resizing by whole pixels, for the zoomed view and the preview: pixel k of
// a side resized from `source` to `scaled` pixels takes source pixel
// (2k + 1) * source / (2 * scaled), truncated, the one under its centre. A
// picture is never blended, so a remap preview shows exactly the pixels it
// computed. DibImage::ScaledCopyTo makes a whole resized copy; the image
// view draws only the part on screen by the same rule, without the copy
// (at 500 % a 24-megapixel photograph would need 1.8 GB for it).
#pragma once

#include "image/Image.h"

#include <cstddef>
#include <cstdint>

namespace fovella {

// A side of `side` pixels multiplied by `factor`, truncated, at least 1 (as
// ScaleBy sizes its copy); wide enough for any factor a zoom can have.
std::int64_t ScaledSide(int side, double factor);

// Copies the rectangle (x, y, width, height) of `picture` resized to
// `scaledWidth` x `scaledHeight` into `out`, in picture coordinates (row 0
// at the top, for either row order): `height` rows of `width` pixels, the
// top row first, each row `stride` bytes after the one before (negative
// when the rows go up in memory). The rectangle must lie inside the resized
// picture and the picture must be valid.
void CopyScaledRegion(const Image& picture, int scaledWidth, int scaledHeight, int x, int y, int width,
                      int height, std::uint8_t* out, std::ptrdiff_t stride);

}  // namespace fovella
