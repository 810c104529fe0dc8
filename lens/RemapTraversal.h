// The traversal of one band, shared by the remap's kernels: each kernel's
// file includes it, after the standard headers, so that the code is compiled
// for that kernel's instruction set. Everything here has internal linkage,
// so no copy compiled for one instruction set can stand in for another.
//
// A kernel provides, for C channels of 8-bit samples:
//   ScaleFactors(g, j0, n, dy, u): u[k] for the positions (j0 + k, i), k < n,
//     of one row with dy = i - cy != 0, each exactly ScaleFactor's value;
//   Positions<C, kNearRightEdge>(g, j0, j1, i, u): the four mirrored pixels
//     of each position (j, i), j0 <= j < j1 <= j0 + kBandColumns, whose
//     radius factor is u[j - j0]; kNearRightEdge when source pixels may end
//     fewer than four bytes before their row's end. Where two positions of
//     the row write one pixel (columns cx - 1 and cx of an even width), the
//     write of the larger j must come last, as in the definition.
#pragma once

#include "lens/RemapBand.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace fovella::remap {
namespace {

#define FOVELLA_REMAP_INLINE inline __attribute__((always_inline))

// u = m asinh(r / m) / r for the position at offset (dx, dy), r > 0.
FOVELLA_REMAP_INLINE double ScaleFactor(std::int64_t dx, std::int64_t dy, double m)
{
    const double r = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    const double o = r / m;
    const double t = std::log(o + std::sqrt(o * o + 1));
    return (t * m) / r;
}

// From this column of the left half on, every source pixel the remap reads
// starts at least four bytes before its row's end: the rightmost sample
// column is at most 2 cx - j, and that must stay below W - 1 (3 channels) or
// W - 3 (1 channel); four-channel pixels are four bytes wide anyway.
constexpr int FirstColumnAwayFromRightEdge(int channels)
{
    return channels == 4 ? 0 : channels == 3 ? 3 : 5;
}

template <class Kernel, int C>
FOVELLA_REMAP_INLINE void Positions(const Geometry& g, int j0, int j1, int i, const double* u)
{
    const int edge = FirstColumnAwayFromRightEdge(C);
    if (j0 < edge) {
        const int nearEnd = j1 < edge ? j1 : edge;
        Kernel::template Positions<C, true>(g, j0, nearEnd, i, u);
        u += nearEnd - j0;
        j0 = nearEnd;
    }
    if (j0 < j1)
        Kernel::template Positions<C, false>(g, j0, j1, i, u);
}

// Columns j0 .. j1 - 1 of the left half, all rows of the upper half: rows
// outside and columns inside, except rows cy - 1 and cy, done afterwards in
// the definition's order (the centre position is a plain copy).
template <class Kernel, int C>
FOVELLA_REMAP_INLINE void Band(const Geometry& g, int j0, int j1)
{
    const int rowsInBandOrder = g.cy >= 1 ? g.cy - 1 : 0;
    double u[kBandColumns];
    for (int i = 0; i < rowsInBandOrder; ++i) {
        Kernel::ScaleFactors(g, j0, j1 - j0, std::int64_t(i) - g.cy, u);
        Positions<Kernel, C>(g, j0, j1, i, u);
    }
    for (int j = j0; j < j1; ++j)
        for (int i = rowsInBandOrder; i <= g.cy; ++i) {
            if (j == g.cx && i == g.cy) {
                std::memcpy(g.destination[i] + std::size_t(j) * C,
                            g.source[i] + std::size_t(j) * C, C);
                continue;
            }
            const double one = ScaleFactor(j - g.cx, i - g.cy, g.m);
            Positions<Kernel, C>(g, j, j + 1, i, &one);
        }
}

}  // namespace
}  // namespace fovella::remap
