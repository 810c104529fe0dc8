// Radial undistortion remap.
//
// Coordinates. Pixel (x, y) is byte offset x * channels of row-table entry y;
// the remap never asks which picture row that is, so top-down and bottom-up
// images are treated alike (the transform is symmetric in y). The centre is
// the integer pixel (cx, cy) = (W / 2, H / 2), truncated, for all quadrants.
//
// The model. A barrel-distorted lens draws a point that belongs at radius r
// from the centre at the smaller radius m * asinh(r / m). So output pixel
// (cx + ox, cy + oy), at r = sqrt(ox^2 + oy^2), is sampled bilinearly from
// the source at (cx + ox * u, cy + oy * u) with u = m * asinh(r / m) / r,
// which lies in (0, 1]. The scale m (pixels) comes from the focal length,
// the image diagonal and the fine-tune factor: see PixelScale.h.
//
// Bit-exact arithmetic. The result is defined by the order of the double
// operations below: asinh is computed as ln(o + sqrt(o * o + 1)) because
// std::asinh rounds differently, the four weighted samples are added in a
// fixed order and the sum is truncated. The build forbids fused
// multiply-add (-ffp-contract=off), which would change the last bit.
//
// Quadrants. The outer loop runs over the columns j = 0..cx of the left half
// and the inner one over the rows i = 0..cy of the upper half, so each u is
// computed once and serves the four mirrored pixels (j, i), (W-1-j, i),
// (W-1-j, H-1-i) and (j, H-1-i), written in that order. A later write
// replaces an earlier one. With an even width the halves overlap in columns
// cx - 1 and cx: the last writes there come from j = cx, whose horizontal
// offset is 0, so both are sampled at source column cx, and every right-half
// column W-1-j is sampled one pixel further out than its own distance from
// cx (at j = 0 the source column W is clamped to W - 1). Rows likewise with
// an even height. The centre pixel itself (r = 0) is copied, unmirrored.
//
// Speed. The definition walks the quarter column by column, which crosses a
// whole row of memory at every step. The same writes are done here in bands
// of kBandColumns columns of the left half: inside a band the rows go
// outside and the columns inside, so each step touches a few short runs of
// consecutive bytes. That order gives every pixel the same last writer as the
// definition, except where two writes to one pixel differ in both column
// and row: only the middle 2 x 2 pixels of an even-by-even image, written
// only from the positions of columns cx - 1 and cx in rows cy - 1 and cy.
// Those four positions are therefore done in the definition's own order
// after the rest of the band. All progress reports of a band come before
// its pixels; a refused report ends the band before its column, so a
// cancelled run leaves exactly what the definition leaves.
//
// The four mirrored pixels of a position share two source columns and two
// source rows, computed once. Three kernels do the rest, the fastest that
// the processor can run chosen at start: RemapAvx512.cpp (AVX-512 F, BW, DQ,
// VL and VBMI), RemapAvx2.cpp, RemapPortable.cpp; their traversal is shared
// (RemapTraversal.h). Why each gives the definition's bytes:
//   - Every lane of a vector does the definition's double operations on one
//     position or pixel, in the definition's order, multiplications and
//     additions apart (the build forbids fused multiply-add). IEEE
//     arithmetic rounds a lane exactly as the scalar operation.
//   - AVX-512 reads each sample pair at x0 and x0 + 1, and rows y0 and
//     y0 + 1, even where the definition's x1 or y1 equals x0 or y0. That
//     happens only for a whole coordinate, whose fraction is then 0, so the
//     weights of the stand-in samples are +0, their products +0, and adding
//     +0 to the non-negative partial sum leaves its bits as they were.
//   - AVX-512 takes the logarithms eight at a time (Avx512Log.h): computed
//     to 2^-60 and kept only where the true value lies within 0.46 ulp of
//     the double found, so that any logarithm with an error below 0.52 ulp,
//     glibc's included, returns that same double; the other lanes, about one
//     in twelve, call std::log. Square roots and quotients are exactly
//     rounded in vectors as in scalars.
//   - On several threads, the threads share out the rows of each band in
//     runs. Bands of different columns write different pixels except
//     columns cx - 1 and cx, which always share one band; rows of one band
//     write different pixels except the middle two, which write each
//     other's mirrored rows and always share one run, in order.
// The equivalence tests hold every kernel, on one to three threads, to the
// plain column-by-column remap byte for byte; bench/ measures them.

#include "lens/LensModel.h"

#include "lens/BandWorkers.h"
#include "lens/RemapBand.h"

#include <cmath>
#include <cstdint>

namespace fovella {

namespace remap {

namespace {

// Below this many columns of the left half per thread, threads cost more
// than they save (a preview is remapped on one).
constexpr int kMinColumnsPerThread = 64;

bool CanRemap(const Image& source, double m)
{
    if (!source.IsValid() || source.GetSampleType() != SampleU8)
        return false;
    const int channels = ChannelCount(source.GetPixelType());
    if (channels != 1 && channels != 3 && channels != 4)
        return false;
    return std::isfinite(m) && m > 0;
}

// The distance in bytes from each row to the next when it is the same for
// all (and not 0), else 0.
std::ptrdiff_t EvenRowSpacing(const Image& image)
{
    if (image.Height() < 2)
        return 0;
    const auto address = [&](int y) { return reinterpret_cast<std::intptr_t>(image.Rows()[y]); };
    const std::intptr_t stride = address(1) - address(0);
    for (int y = 2; y < image.Height(); ++y)
        if (address(y) - address(y - 1) != stride)
            return 0;
    return stride;
}

BandFunction FastestBand(int channels)
{
    if (const BandFunction avx512 = Avx512Band(channels))
        return avx512;
    if (const BandFunction avx2 = Avx2Band(channels))
        return avx2;
    return PortableBand(channels);
}

}  // namespace

bool Undistort(const Image& source, Image& destination, double m, ProgressCallback callback,
               void* context, BandFunction (*bandFor)(int channels), int threads)
{
    if (!CanRemap(source, m) || &source == &destination)
        return false;
    if (!destination.Create(source.Width(), source.Height(), source.GetPixelType(),
                            source.GetSampleType(), source.GetRowOrder()))
        return false;

    const Geometry geometry{source.Rows(),      destination.Rows(),   source.Width(),
                            source.Height(),    source.Width() / 2, source.Height() / 2,
                            m,                  EvenRowSpacing(source)};
    const BandFunction band = bandFor(source.BytesPerPixel());
    const int cx = geometry.cx;
    // The reports of a band's columns, in order, before its pixels; false,
    // with `j1` cut to the refused column, when one is refused.
    const auto report = [&](int j0, int& j1) {
        for (int j = j0; j < j1 && callback; ++j)
            if (!callback(cx == 0 ? 100 : j * 100 / cx, context)) {
                j1 = j;
                return false;
            }
        return true;
    };
    // Only columns cx - 1 and cx write pixels of each other (an even width
    // mirrors them onto each other): no band boundary falls between them,
    // so that one band writes both, cx last as in the definition.
    const int end = cx + 1;
    BandWorkers workers(cx < kMinColumnsPerThread * threads ? 1 : threads, band, geometry);
    for (int j0 = 0, j1; j0 < end; j0 = j1) {
        j1 = j0 + kBandColumns < end ? j0 + kBandColumns : end;
        if (j1 == cx)
            j1 = cx - 1 > j0 ? cx - 1 : end;
        const bool reported = report(j0, j1);
        if (j1 > j0)
            workers.Run(j0, j1);
        if (!reported)
            return false;
    }
    return true;
}

}  // namespace remap

bool LensModel::Undistort(const Image& source, Image& destination, double m,
                          ProgressCallback callback, void* context) const
{
    return remap::Undistort(source, destination, m, callback, context, &remap::FastestBand, m_threads);
}

}  // namespace fovella
