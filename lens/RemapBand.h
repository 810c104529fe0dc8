// Inside the remap: what its driver and its kernels share. Not a public
// header.
#pragma once

#include "image/Image.h"
#include "lens/LensModel.h"

#include <cstddef>
#include <cstdint>

namespace fovella::remap {

struct Geometry {
    const std::uint8_t* const* source;
    std::uint8_t* const* destination;
    int width;
    int height;
    int cx;
    int cy;
    double m;
    // Where the source rows lie evenly spaced in memory (as one block's
    // rows do), row y starts at source[0] + y * sourceStride; otherwise 0.
    std::ptrdiff_t sourceStride;
};

// Columns of the left half per band. Each step of a band touches runs of
// this many pixels in a dozen rows; from about 512 on (1.5 KB of RGB) the
// runs are long enough for the processor to stream them (measured with
// fovella-bench), while the progress reports still come in bursts short
// enough to keep a window responsive.
constexpr int kBandColumns = 512;

// The first of the middle two rows of the upper half (cy - 1), which write
// each other's mirrored rows where the height is even.
inline int FirstMiddleRow(const Geometry& g)
{
    return g.cy >= 1 ? g.cy - 1 : 0;
}

// Remaps the columns j0 .. j1 - 1 of the left half in the rows i0 .. i1 - 1
// of the upper half. The rows above the middle two write rows of their own,
// so runs of them may go in any order, on any thread; the middle two write
// each other's mirrored rows, so a run that holds one of them holds both, in
// order, and ends with them (i1 = cy + 1).
using BandFunction = void (*)(const Geometry& g, int j0, int j1, int i0, int i1);

// Band functions of each kernel for 1, 3 or 4 channels; the AVX2 and
// AVX-512 ones are null where the processor lacks those instructions.
BandFunction PortableBand(int channels);
BandFunction Avx2Band(int channels);
BandFunction Avx512Band(int channels);

// std::log of each argument, as the AVX-512 kernel finds it; false where
// the processor lacks AVX-512 (for tests).
bool Avx512Logarithms(const double* arguments, double* logarithms, std::size_t n);

// Undistort with the band function chosen by the caller (tests run every
// kernel through this), on `threads` threads.
bool Undistort(const Image& source, Image& destination, double m, ProgressCallback callback,
               void* context, BandFunction (*bandFor)(int channels), int threads = 1);

}  // namespace fovella::remap
