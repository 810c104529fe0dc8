// How a picture is seen upright: the EXIF orientation, 1 to 8, tells how
// the stored rows and columns are turned for display. The picture itself is
// never changed; only what is shown is.
//
// Every orientation is a swap of the axes followed by mirrors: a displayed
// point (x, y) is the stored point (x, y), or (y, x) when the axes swap,
// mirrored in the stored width and / or height:
//
//   1 as stored           5 swapped
//   2 mirrored across     6 swapped, mirrored down    (turned clockwise)
//   3 mirrored both       7 swapped, mirrored both
//   4 mirrored down       8 swapped, mirrored across  (turned anticlockwise)
//
// Coordinates come in two kinds: pixel indices, where mirroring in a side
// of n maps i to n - 1 - i, and continuous points ((0, 0) the top-left
// corner of pixel 0, a pixel one unit wide), where it maps x to n - x.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fovella {

struct Orientation {
    bool swapsAxes = false;  // displayed x runs along stored y
    bool mirrorsX = false;   // in the stored width
    bool mirrorsY = false;   // in the stored height
};

// The turn of EXIF orientation `tag`; anything outside 1 to 8 shows the
// picture as stored.
Orientation OrientationOf(int tag);

struct PixelSize {
    int width = 0, height = 0;
};

// The displayed size of a stored picture of `width` x `height`.
PixelSize DisplayedSize(const Orientation& orientation, int width, int height);

struct PixelPoint {
    int x = 0, y = 0;
};

// The stored pixel shown at displayed pixel `shown` of a picture stored at
// `width` x `height`, and the reverse.
PixelPoint StoredPixel(const Orientation& orientation, PixelPoint shown, int width, int height);
PixelPoint ShownPixel(const Orientation& orientation, PixelPoint stored, int width, int height);

struct PointF {
    double x = 0, y = 0;
};

// The displayed point of continuous stored point `stored`.
PointF ShownPoint(const Orientation& orientation, PointF stored, int width, int height);

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The stored rectangle that displayed rectangle `shown` shows.
PixelRect StoredRect(const Orientation& orientation, const PixelRect& shown, int width, int height);

// Copies a block stored as `width` x `height` pixels of `bytes` bytes (rows
// `inStride` apart) turned for display into `out` (displayed rows
// `outStride` apart): `out` gets DisplayedSize's rows and columns. The
// block is any stored rectangle: turned this way it is the displayed
// rectangle that StoredRect maps to it.
void CopyTurned(const Orientation& orientation, const std::uint8_t* in, std::ptrdiff_t inStride, int width,
                int height, int bytes, std::uint8_t* out, std::ptrdiff_t outStride);

}  // namespace fovella
