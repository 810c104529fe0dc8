// Resizing for the eye: a reduced side averages the source pixels each
// resized pixel covers, so that a line one pixel thin stays a continuous,
// fainter line instead of breaking where whole-pixel sampling skips it. An
// enlarged side takes whole pixels, as NearestResize does.
//
// Pixel k of a side reduced from `source` to `scaled` pixels covers source
// pixels floor(k * source / scaled) up to floor((k + 1) * source / scaled),
// not included: the cells share the side out, every source pixel counted
// in exactly one of them. A resized pixel is the mean of its cell's pixels
// (rows by columns), rounded half up, channel by channel.
#pragma once

#include "image/Image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fovella {

// Keeps its scratch memory from one call to the next, so that a view drawn
// again and again allocates nothing once it has grown. One per thread.
class AreaResizer {
public:
    // Copies the rectangle (x, y, width, height) of `picture` resized to
    // `scaledWidth` x `scaledHeight` into `out`, as CopyScaledRegion does
    // (the same coordinates, rows and stride), with reduced sides averaged.
    // When neither side is reduced the pixels are CopyScaledRegion's. The
    // rectangle must lie inside the resized picture and the picture must be
    // valid, with 8-bit samples.
    void CopyRegion(const Image& picture, int scaledWidth, int scaledHeight, int x, int y, int width,
                    int height, std::uint8_t* out, std::ptrdiff_t stride);

private:
    // Each resized column's source columns, the end not included.
    std::vector<int> m_columnBegins, m_columnEnds;
    std::vector<std::uint16_t> m_columnSums;  // a run of source rows, added up
    std::vector<std::uint64_t> m_totals;      // one resized row, channel by channel
};

}  // namespace fovella
