// The remap's kernel with AVX-512: eight positions at a time, one per lane
// of every vector, and each quadrant's eight pixels sampled, summed and
// stored together. A lane does the scalar double operations of the
// definition in their order (multiplications and additions apart, never
// fused), so the bytes equal the portable kernel's.
//
// Two loads per pixel instead of four: the right neighbour x1 is x0 or
// x0 + 1, so eight bytes read at x0 hold both. Where x1 = x0 (a whole
// coordinate) the bytes of x0 + 1 stand in for those of x1; their weights,
// fx (1 - fy) and fx fy with fx = 0, are +0, so their products are +0 and
// adding them leaves the sum's bits as they were. Rows likewise: where the
// source rows are evenly spaced, row y0 + 1 stands in for y1, one fixed
// distance below, so one address serves both loads. Each quadrant also asks
// for the source row that the next row of positions will read: the
// processor's own prefetching does not foresee the step from row to row.
// The logarithms come eight at a time too (Avx512Log.h).
#include "lens/RemapBand.h"

#if defined(__x86_64__)

#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

// Everything from here on may use AVX-512; it runs only where the processor
// has it (Avx512Band asks first).
#if defined(__clang__)
#pragma clang attribute push(                                                               \
    __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi"))), \
    apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi")
// GCC 12's own AVX-512 headers start results from _mm512_undefined_*(),
// which it then reports as maybe uninitialised (GCC bug 105593).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "lens/RemapTraversal.h"
#include "lens/Avx512Log.h"

namespace fovella::remap {

namespace {

// Where byte b of a run of eight C-channel pixels comes from among the
// channel planes (channel c of lane k at byte 8 c + k): pixel p is lane p,
// or lane 7 - p for a run stored leftward.
template <int C, bool kLeftward>
struct PixelOrder {
    alignas(32) std::uint8_t bytes[32] = {};
    constexpr PixelOrder()
    {
        for (int p = 0; p < 8; ++p)
            for (int c = 0; c < C; ++c)
                bytes[C * p + c] = std::uint8_t(8 * c + (kLeftward ? 7 - p : p));
    }
};

struct Avx512Kernel {
    // Bytes read from a sample's left column on.
    static constexpr int kLoadBytes = 8;
    // Positions of a row done in one step: eight, one per lane.
    static constexpr int kPositionsAtOnce = 8;

    static FOVELLA_REMAP_INLINE void ScaleFactors(const Geometry& g, int j0, int n,
                                                 std::int64_t dy, double* u)
    {
        alignas(64) double radii[kBandColumns], arguments[kBandColumns];
        const __m512d m = _mm512_set1_pd(g.m);
        const __m512d one = _mm512_set1_pd(1.0);
        const __m512i dySquared = _mm512_set1_epi64(dy * dy);
        __m512i dx = _mm512_add_epi64(_mm512_set1_epi64(std::int64_t(j0) - g.cx),
                                      _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0));
        const int whole = n / 8 * 8;
        for (int k = 0; k < whole; k += 8, dx = _mm512_add_epi64(dx, _mm512_set1_epi64(8))) {
            // Below 2^53, so the conversion is exact, as the scalar one.
            const __m512i squares = _mm512_add_epi64(_mm512_mullo_epi64(dx, dx), dySquared);
            const __m512d r = _mm512_sqrt_pd(_mm512_cvtepi64_pd(squares));
            const __m512d o = _mm512_div_pd(r, m);
            _mm512_store_pd(radii + k, r);
            _mm512_store_pd(arguments + k, _mm512_add_pd(
                o, _mm512_sqrt_pd(_mm512_add_pd(_mm512_mul_pd(o, o), one))));
        }
        ExactLogarithms(arguments, u, whole);
        for (int k = 0; k < whole; k += 8)
            _mm512_storeu_pd(u + k, _mm512_div_pd(_mm512_mul_pd(_mm512_loadu_pd(u + k), m),
                                                  _mm512_load_pd(radii + k)));
        for (int k = whole; k < n; ++k)
            u[k] = ScaleFactor(std::int64_t(j0 + k) - g.cx, dy, g.m);
    }

    // Eight positions at a time; the last column, cx, on its own after the
    // others: with an even width its writes must come after those of column
    // cx - 1 to the same pixels.
    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE void Positions(const Geometry& g, int j0, int j1, int i,
                                              const double* u)
    {
        const int end = j1 > g.cx ? g.cx : j1;
        for (int j = j0; j < end; j += 8)
            EightPositions<C, kNearRightEdge>(g, j, end - j < 8 ? end - j : 8, i, u + (j - j0));
        if (j1 > g.cx)
            EightPositions<C, kNearRightEdge>(g, g.cx, 1, i, u + (g.cx - j0));
    }

    // Positions (j + k, i), k < n <= 8. Lanes from n on get u = 0 and so
    // sample the centre: valid addresses, and never stored.
    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE void EightPositions(const Geometry& g, int j, int n, int i,
                                                   const double* u)
    {
        const __mmask8 present = __mmask8((1u << n) - 1);
        const __m512d uv = _mm512_maskz_loadu_pd(present, u);
        const __m512d zero = _mm512_setzero_pd();
        const __m512d one = _mm512_set1_pd(1.0);
        const __m512d dx = _mm512_cvtepi64_pd(_mm512_add_epi64(
            _mm512_set1_epi64(std::int64_t(j) - g.cx), _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0)));
        const __m512d dy = _mm512_set1_pd(i - g.cy);
        const __m512d cx = _mm512_set1_pd(g.cx), cy = _mm512_set1_pd(g.cy);
        const __m512d lastX = _mm512_set1_pd(g.width - 1), lastY = _mm512_set1_pd(g.height - 1);
        const __m512d negative = _mm512_set1_pd(-0.0);
        // Sides L, R (left and right source column), T, B (top and bottom
        // source row), shared by q1 (L, T), q2 (R, T), q3 (R, B), q4 (L, B).
        const __m512d offsets[4] = {dx, _mm512_xor_pd(dx, negative), dy,
                                    _mm512_xor_pd(dy, negative)};
        const __m512d centres[4] = {cx, cx, cy, cy};
        const __m512d lasts[4] = {lastX, lastX, lastY, lastY};
        __m512d f[4], g1[4], lower[4], s[4];
        for (int side = 0; side < 4; ++side) {
            s[side] = _mm512_add_pd(_mm512_mul_pd(offsets[side], uv), centres[side]);
            // max and min pick s unless it is below 0 or not below the last index.
            s[side] = _mm512_min_pd(_mm512_max_pd(s[side], zero), lasts[side]);
            lower[side] = _mm512_roundscale_pd(s[side], _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
            f[side] = _mm512_sub_pd(s[side], lower[side]);
            g1[side] = _mm512_sub_pd(one, f[side]);
        }
        const __m512i columns[2] = {ByteOffsets<C>(_mm512_cvttpd_epi64(lower[0])),
                                    ByteOffsets<C>(_mm512_cvttpd_epi64(lower[1]))};
        // The lower source row y0 and the upper one, y1 = y0 or y0 + 1.
        // Where the rows are evenly spaced and no lane's y0 is the last row,
        // every lane reads row y0 + 1 in place of y1, a fixed distance
        // below: where y1 = y0 its weights, (1 - fx) fy and fx fy with
        // fy = 0, are +0 as for x0 + 1. Otherwise both come from the table.
        const __m512i topRows = _mm512_cvttpd_epi64(lower[2]);
        const __m512i bottomRows = _mm512_cvttpd_epi64(lower[3]);
        const __m512i lastRow = _mm512_set1_epi64(g.height - 1);
        std::ptrdiff_t below = 0;
        if (!kNearRightEdge && g.sourceStride != 0 &&
            (_mm512_cmplt_epi64_mask(topRows, lastRow) &
             _mm512_cmplt_epi64_mask(bottomRows, lastRow)) == 0xFF)
            below = g.sourceStride;
        __m512i lowRows[2], highRows[2];
        if (below != 0) {
            const __m512i first = _mm512_set1_epi64(reinterpret_cast<std::int64_t>(g.source[0]));
            const __m512i stride = _mm512_set1_epi64(below);
            lowRows[0] = highRows[0] = _mm512_add_epi64(first, _mm512_mullo_epi64(topRows, stride));
            lowRows[1] = highRows[1] = _mm512_add_epi64(first, _mm512_mullo_epi64(bottomRows, stride));
        } else {
            for (int side = 2; side < 4; ++side) {
                const __m512d upper =
                    _mm512_roundscale_pd(s[side], _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC);
                lowRows[side - 2] = RowAddresses(g, lower[side]);
                highRows[side - 2] = RowAddresses(g, upper);
            }
        }
        const int width = g.width, height = g.height;
        std::uint8_t* const upperRow = g.destination[i];
        std::uint8_t* const lowerRow = g.destination[height - 1 - i];
        const int mirrored = width - 1 - j;
        // q1 .. q4: (j, i), (W-1-j, i), (W-1-j, H-1-i), (j, H-1-i).
        Quadrant<C, kNearRightEdge, false, false>(g, upperRow + std::size_t(j) * C, n, columns[0],
                                           lowRows[0], highRows[0], below, f[0], g1[0], f[2], g1[2]);
        Quadrant<C, kNearRightEdge, true, false>(g, upperRow + std::size_t(mirrored) * C, n, columns[1],
                                          lowRows[0], highRows[0], below, f[1], g1[1], f[2], g1[2]);
        Quadrant<C, kNearRightEdge, true, true>(g, lowerRow + std::size_t(mirrored) * C, n, columns[1],
                                          lowRows[1], highRows[1], below, f[1], g1[1], f[3], g1[3]);
        Quadrant<C, kNearRightEdge, false, true>(g, lowerRow + std::size_t(j) * C, n, columns[0],
                                           lowRows[1], highRows[1], below, f[0], g1[0], f[3], g1[3]);
    }

    // The source rows of whole row indices. Loads one by one: this
    // processor's gathers are slower than eight loads.
    static FOVELLA_REMAP_INLINE __m512i RowAddresses(const Geometry& g, __m512d rows)
    {
        alignas(32) std::int32_t index[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(index), _mm512_cvttpd_epi32(rows));
        std::uint64_t rowAddresses[8];
        for (int l = 0; l < 8; ++l)
            rowAddresses[l] = reinterpret_cast<std::uint64_t>(g.source[index[l]]);
        return Vector(rowAddresses);
    }

    // Eight words loaded one by one into a vector, without a trip through
    // memory (a vector load right after eight small stores would stall).
    static FOVELLA_REMAP_INLINE __m512i Vector(const std::uint64_t (&w)[8])
    {
        const __m256i low = _mm256_setr_epi64x(w[0], w[1], w[2], w[3]);
        const __m256i high = _mm256_setr_epi64x(w[4], w[5], w[6], w[7]);
        return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
    }

    // Column indices times C.
    template <int C>
    static FOVELLA_REMAP_INLINE __m512i ByteOffsets(__m512i columns)
    {
        if (C == 3)
            return _mm512_add_epi64(columns, _mm512_slli_epi64(columns, 1));
        if (C == 4)
            return _mm512_slli_epi64(columns, 2);
        return columns;
    }

    // Eight bytes from each lane's address; near the right edge no more
    // than the row holds (the rest 0: they are the missing x0 + 1, whose
    // weights are 0). Loads one by one, as for the rows.
    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE __m512i LoadSamples(const Geometry& g, __m512i rows, __m512i columns)
    {
        const __m512i addresses = _mm512_add_epi64(rows, columns);
        alignas(64) const std::uint8_t* at[8];
        _mm512_store_si512(at, addresses);
        std::uint64_t words[8];
        if (!kNearRightEdge) {
            for (int l = 0; l < 8; ++l)
                std::memcpy(&words[l], at[l], 8);
            return Vector(words);
        }
        alignas(64) std::int64_t column[8];
        _mm512_store_si512(column, columns);
        const std::int64_t rowBytes = std::int64_t(g.width) * C;
        for (int l = 0; l < 8; ++l) {
            // A masked load leaves the bytes past the row unread.
            const std::int64_t room = rowBytes - column[l];
            const __mmask16 inRow = __mmask16(room < 8 ? (1u << room) - 1 : 0xFF);
            words[l] = std::uint64_t(_mm_cvtsi128_si64(_mm_maskz_loadu_epi8(inRow, at[l])));
        }
        return Vector(words);
    }

    // Eight bytes from each lane's address in `rows` + `columns`, and from
    // `below` bytes further on.
    static FOVELLA_REMAP_INLINE void LoadSampleRows(__m512i rows, __m512i columns,
                                                   std::ptrdiff_t below, std::ptrdiff_t ahead,
                                                   __m512i& top, __m512i& bottom)
    {
        alignas(64) const std::uint8_t* at[8];
        _mm512_store_si512(at, _mm512_add_epi64(rows, columns));
        std::uint64_t upper[8], lower[8];
        for (int l = 0; l < 8; ++l) {
            std::memcpy(&upper[l], at[l], 8);
            std::memcpy(&lower[l], at[l] + below, 8);
        }
        _mm_prefetch(reinterpret_cast<const char*>(at[0] + ahead), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(at[7] + ahead), _MM_HINT_T0);
        top = Vector(upper);
        bottom = Vector(lower);
    }

    // Byte `byte` of every lane's eight, as a double.
    // (The byte shuffle works within 16-byte lanes: the upper word of each
    // picks from byte 8 on; indices with the top bit set give 0.)
    static FOVELLA_REMAP_INLINE __m512d Sample(__m512i words, int byte)
    {
        const std::int64_t low = std::int64_t(0xFFFFFFFFFFFFFF00ull | std::uint64_t(byte));
        const std::int64_t high = low + 8;
        const __m512i pick = _mm512_set_epi64(high, low, high, low, high, low, high, low);
        return _mm512_cvtepi64_pd(_mm512_shuffle_epi8(words, pick));
    }

    // One quadrant's n pixels, from `out` to the right (or, `kLeftward`,
    // to the left): the four neighbours of each weighted and added in the
    // definition's order, truncated, and stored in one go.
    template <int C, bool kNearRightEdge, bool kLeftward, bool kLowerHalf>
    static FOVELLA_REMAP_INLINE void Quadrant(const Geometry& g, std::uint8_t* out, int n,
                                             __m512i columns, __m512i lowRows, __m512i highRows,
                                             std::ptrdiff_t below, __m512d fx, __m512d gx,
                                             __m512d fy, __m512d gy)
    {
        const __m512d w00 = _mm512_mul_pd(gx, gy), w01 = _mm512_mul_pd(gx, fy);
        const __m512d w10 = _mm512_mul_pd(fx, gy), w11 = _mm512_mul_pd(fx, fy);
        __m512i top, bottom;
        if (!kNearRightEdge && below != 0) {
            LoadSampleRows(lowRows, columns, below, kLowerHalf ? -below : 2 * below, top, bottom);
        } else {
            top = LoadSamples<C, kNearRightEdge>(g, lowRows, columns);
            bottom = LoadSamples<C, kNearRightEdge>(g, highRows, columns);
        }
        __m128i levels[4] = {};
        for (int c = 0; c < C; ++c) {
            __m512d v = _mm512_mul_pd(Sample(top, c), w00);
            v = _mm512_add_pd(v, _mm512_mul_pd(Sample(bottom, c), w01));
            v = _mm512_add_pd(v, _mm512_mul_pd(Sample(top, C + c), w10));
            v = _mm512_add_pd(v, _mm512_mul_pd(Sample(bottom, C + c), w11));
            // Truncation, then unsigned saturation to a byte (levels are
            // never negative).
            levels[c] = _mm512_cvtusepi64_epi8(_mm512_cvttpd_epu64(v));
        }
        // Channel c of lane k is byte 8 c + k; pixel p of the stored run
        // takes lane p (rightward) or 7 - p (leftward, the run ending at
        // `out`).
        const __m256i planes = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_unpacklo_epi64(levels[0], levels[1])),
            _mm_unpacklo_epi64(levels[2], levels[3]), 1);
        static constexpr PixelOrder<C, kLeftward> kOrder{};
        const __m256i pixels = _mm256_permutexvar_epi8(
            _mm256_load_si256(reinterpret_cast<const __m256i*>(kOrder.bytes)), planes);
        const std::uint64_t run = (std::uint64_t(1) << (C * n)) - 1;
        if (kLeftward)
            _mm256_mask_storeu_epi8(out - 7 * C, __mmask32(run << (C * (8 - n))), pixels);
        else
            _mm256_mask_storeu_epi8(out, __mmask32(run), pixels);
    }
};

template <int C>
void Avx512BandOf(const Geometry& g, int j0, int j1)
{
    Band<Avx512Kernel, C>(g, j0, j1);
}

void Avx512LogarithmsOf(const double* arguments, double* logarithms, std::size_t n)
{
    const std::size_t whole = n / 8 * 8;
    ExactLogarithms(arguments, logarithms, whole);
    if (whole == n)
        return;
    // The rest padded to a whole vector with ones.
    alignas(64) double padded[8] = {1, 1, 1, 1, 1, 1, 1, 1}, results[8];
    std::memcpy(padded, arguments + whole, (n - whole) * sizeof(double));
    ExactLogarithms(padded, results, 8);
    std::memcpy(logarithms + whole, results, (n - whole) * sizeof(double));
}

}  // namespace

}  // namespace fovella::remap

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif

namespace fovella::remap {

namespace {

bool HasAvx512()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512vbmi");
}

}  // namespace

BandFunction Avx512Band(int channels)
{
    if (!HasAvx512())
        return nullptr;
    return channels == 1 ? &Avx512BandOf<1> : channels == 3 ? &Avx512BandOf<3> : &Avx512BandOf<4>;
}

bool Avx512Logarithms(const double* arguments, double* logarithms, std::size_t n)
{
    if (!HasAvx512())
        return false;
    Avx512LogarithmsOf(arguments, logarithms, n);
    return true;
}

}  // namespace fovella::remap

#else

namespace fovella::remap {
BandFunction Avx512Band(int) { return nullptr; }
bool Avx512Logarithms(const double*, double*, std::size_t) { return false; }
}  // namespace fovella::remap

#endif
