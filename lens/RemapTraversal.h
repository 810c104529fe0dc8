// The traversal of one band, shared by the remap's kernels: each kernel's
// file includes it, after the standard headers, so that the code is compiled
// for that kernel's instruction set. Everything here has internal linkage,
// so no copy compiled for one instruction set can stand in for another.
//
// A kernel provides, for C channels of 8-bit samples:
//   kLoadBytes: how many bytes it reads from a sample pixel's first byte on;
//   kPositionsAtOnce: how many positions of a row it does in one step;
//   ScaleFactors(g, j0, n, dy, u): u[k] for the positions (j0 + k, i), k < n,
//     of one row, none of them the centre, each exactly ScaleFactor's value;
//   Positions<C, kNearRightEdge>(g, j0, j1, i, u): the four mirrored pixels
//     of each position (j, i), j0 <= j < j1 <= j0 + kBandColumns, whose
//     radius factor is u[j - j0]; kNearRightEdge when a source pixel may
//     start fewer than kLoadBytes bytes before its row's end. Where two
//     positions of the row write one pixel (columns cx - 1 and cx of an even
//     width), the write of the larger j must come last, as in the definition.
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
// lies at least `loadBytes` bytes before its row's end, counted from the
// pixel's first byte: the rightmost sample column is at most 2 cx - j <= W - j,
// so j > loadBytes / C is enough (one more is kept in hand).
constexpr int FirstColumnAwayFromRightEdge(int channels, int loadBytes)
{
    return loadBytes <= channels ? 0 : (loadBytes + channels - 1) / channels + 1;
}

template <class Kernel, int C>
FOVELLA_REMAP_INLINE void Positions(const Geometry& g, int j0, int j1, int i, const double* u)
{
    // Rounded up to whole steps of the kernel, so that the careful start
    // costs one step and the rest of the row goes in whole steps.
    constexpr int kLanes = Kernel::kPositionsAtOnce;
    constexpr int edge =
        (FirstColumnAwayFromRightEdge(C, Kernel::kLoadBytes) + kLanes - 1) / kLanes * kLanes;
    if (j0 < edge) {
        const int nearEnd = j1 < edge ? j1 : edge;
        Kernel::template Positions<C, true>(g, j0, nearEnd, i, u);
        u += nearEnd - j0;
        j0 = nearEnd;
    }
    if (j0 < j1)
        Kernel::template Positions<C, false>(g, j0, j1, i, u);
}

// Columns j0 .. j1 - 1 of the left half, rows i0 .. i1 - 1 of the upper
// half: rows outside and columns inside, except the middle positions
// (cx - 1 or cx, cy - 1 or cy), done after their rows in the definition's
// order (the centre position is a plain copy).
template <class Kernel, int C>
FOVELLA_REMAP_INLINE void Band(const Geometry& g, int j0, int j1, int i0, int i1)
{
    const int middleColumn = g.cx >= 1 ? g.cx - 1 : 0;
    const int middleRow = FirstMiddleRow(g);
    double u[kBandColumns];
    for (int i = i0; i < i1; ++i) {
        const int end = i < middleRow || j1 <= middleColumn ? j1 : middleColumn;
        if (j0 >= end)
            continue;
        Kernel::ScaleFactors(g, j0, end - j0, std::int64_t(i) - g.cy, u);
        Positions<Kernel, C>(g, j0, end, i, u);
    }
    if (i1 <= g.cy)
        return;
    for (int j = j0 > middleColumn ? j0 : middleColumn; j < j1; ++j)
        for (int i = middleRow; i <= g.cy; ++i) {
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
