// The remap's kernel with AVX-512: eight positions at a time, one per lane
// of every vector, and each quadrant's eight pixels sampled, summed and
// stored together. A lane does the scalar double operations of the
// definition in their order (multiplications and additions apart, never
// fused), so the bytes equal the portable kernel's.
//
// Two samples per load: the right neighbour x1 is x0 or x0 + 1, so eight
// bytes read at x0 hold both. Where x1 = x0 (a whole coordinate) the bytes
// of x0 + 1 stand in for those of x1; their weights, fx (1 - fy) and fx fy
// with fx = 0, are +0, so their products are +0 and adding them leaves the
// sum's bits as they were. Rows likewise: row y0 + 1 stands in for y1.
//
// Windows instead of one load per lane: along a row of positions the source
// points move by less than a pixel per position, so the eight lanes' samples
// of a quadrant lie within 64 bytes of two or three consecutive source rows.
// Three 64-byte loads and two byte permutes fetch all sixteen eight-byte
// runs; where they do not fit (near the picture's edges, the few positions
// of a row's end, rows not evenly spaced) each lane loads its own. Each
// quadrant also asks for the source rows that the next row of positions
// will read: the processor's own prefetching does not foresee the step from
// row to row. The logarithms come eight at a time too (Avx512Log.h).
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
    // cx - 1 to the same pixels. Each step's samples are fetched while the
    // step before is weighed and stored: the fetch is a long chain (source
    // coordinates, windows, loads, permutes) that would otherwise keep the
    // arithmetic waiting.
    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE void Positions(const Geometry& g, int j0, int j1, int i,
                                              const double* u)
    {
        const int end = j1 > g.cx ? g.cx : j1;
        if (j0 < end) {
            Step current = Fetch<C, kNearRightEdge>(g, j0, end - j0 < 8 ? end - j0 : 8, i, u);
            for (int j = j0 + 8; j < end; j += 8) {
                const Step next = Fetch<C, kNearRightEdge>(g, j, end - j < 8 ? end - j : 8, i, u + (j - j0));
                Store<C>(current);
                current = next;
            }
            Store<C>(current);
        }
        if (j1 > g.cx)
            Store<C>(Fetch<C, kNearRightEdge>(g, g.cx, 1, i, u + (g.cx - j0)));
    }

    // One step's n positions, ready to be weighed: where each quadrant's
    // pixels go, their samples (each lane's two rows from its left column
    // on), and the fractions f and 1 - f of the sides L, R, T, B.
    struct Step {
        std::uint8_t* out[4];
        int n;
        __m512i top[4], bottom[4];
        __m512d f[4], g1[4];
    };

    // q1 .. q4 with their sides: (L, T), (R, T), (R, B), (L, B).
    template <int C>
    static FOVELLA_REMAP_INLINE void Store(const Step& s)
    {
        Quadrant<C, false>(s.out[0], s.n, s.top[0], s.bottom[0], s.f[0], s.g1[0], s.f[2], s.g1[2]);
        Quadrant<C, true>(s.out[1], s.n, s.top[1], s.bottom[1], s.f[1], s.g1[1], s.f[2], s.g1[2]);
        Quadrant<C, true>(s.out[2], s.n, s.top[2], s.bottom[2], s.f[1], s.g1[1], s.f[3], s.g1[3]);
        Quadrant<C, false>(s.out[3], s.n, s.top[3], s.bottom[3], s.f[0], s.g1[0], s.f[3], s.g1[3]);
    }

    // The step of positions (j + k, i), k < n <= 8. Lanes from n on get
    // u = 0 and so sample the centre: valid addresses, and never stored.
    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE Step Fetch(const Geometry& g, int j, int n, int i, const double* u)
    {
        Step step;
        step.n = n;
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
        __m512d lower[4], s[4];
        for (int side = 0; side < 4; ++side) {
            s[side] = _mm512_add_pd(_mm512_mul_pd(offsets[side], uv), centres[side]);
            // max and min pick s unless it is below 0 or not below the last index.
            s[side] = _mm512_min_pd(_mm512_max_pd(s[side], zero), lasts[side]);
            lower[side] = _mm512_roundscale_pd(s[side], _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
            step.f[side] = _mm512_sub_pd(s[side], lower[side]);
            step.g1[side] = _mm512_sub_pd(one, step.f[side]);
        }
        const __m512i columns[2] = {ByteOffsets<C>(_mm512_cvttpd_epi64(lower[0])),
                                    ByteOffsets<C>(_mm512_cvttpd_epi64(lower[1]))};
        const __m512i rows[2] = {_mm512_cvttpd_epi64(lower[2]), _mm512_cvttpd_epi64(lower[3])};
        const int width = g.width, height = g.height;
        std::uint8_t* const upperRow = g.destination[i];
        std::uint8_t* const lowerRow = g.destination[height - 1 - i];
        const int mirrored = width - 1 - j;
        // q1 .. q4: (j, i), (W-1-j, i), (W-1-j, H-1-i), (j, H-1-i), with
        // their sides (column, row) below.
        step.out[0] = upperRow + std::size_t(j) * C;
        step.out[1] = upperRow + std::size_t(mirrored) * C;
        step.out[2] = lowerRow + std::size_t(mirrored) * C;
        step.out[3] = lowerRow + std::size_t(j) * C;
        constexpr int kColumnSide[4] = {0, 1, 1, 0}, kRowSide[4] = {0, 0, 1, 1};
        Spans spans;
        if (n == 8 && FitWindows<C>(g, columns, rows, spans)) {
            for (int q = 0; q < 4; ++q)
                LoadWindows(g, spans, kColumnSide[q], kRowSide[q], step.top[q], step.bottom[q]);
        } else {
            __m512i lowRows[2], highRows[2];
            for (int side = 2; side < 4; ++side) {
                const __m512d upper =
                    _mm512_roundscale_pd(s[side], _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC);
                lowRows[side - 2] = RowAddresses(g, lower[side]);
                highRows[side - 2] = RowAddresses(g, upper);
            }
            for (int q = 0; q < 4; ++q) {
                step.top[q] = LoadSamples<C, kNearRightEdge>(g, lowRows[kRowSide[q]], columns[kColumnSide[q]]);
                step.bottom[q] = LoadSamples<C, kNearRightEdge>(g, highRows[kRowSide[q]], columns[kColumnSide[q]]);
            }
        }
        return step;
    }

    // The lowest of a side's eight whole coordinates (column byte offsets
    // or row indices), and each lane's distance from it.
    struct Span {
        std::int64_t first;
        __m512i offsets;
    };
    struct Spans {
        Span columns[2], rows[2];
    };

    static FOVELLA_REMAP_INLINE Span SpanOf(__m512i v)
    {
        // The ends of a row of positions hold the extremes (the source
        // coordinates move monotonically along it); the lanes' distances
        // are checked all the same, so a guess wrong by rounding only
        // costs the careful path.
        const __m512i lowest = _mm512_min_epi64(_mm512_permutexvar_epi64(_mm512_setzero_si512(), v),
                                                _mm512_permutexvar_epi64(_mm512_set1_epi64(7), v));
        return {_mm_cvtsi128_si64(_mm512_castsi512_si128(lowest)), _mm512_sub_epi64(v, lowest)};
    }

    // Whether every quadrant's samples lie in one window of kWindowBytes
    // bytes in each of three consecutive source rows (its top samples in
    // the first two, its bottom ones in the last two), all inside the
    // picture.
    static constexpr int kWindowBytes = 64;
    template <int C>
    static FOVELLA_REMAP_INLINE bool FitWindows(const Geometry& g, const __m512i (&columns)[2],
                                               const __m512i (&rows)[2], Spans& spans)
    {
        if (g.sourceStride == 0)
            return false;
        const __m512i lastByte = _mm512_set1_epi64(kWindowBytes - 8), nextRow = _mm512_set1_epi64(1);
        __mmask8 fit = 0xFF;
        for (int side = 0; side < 2; ++side) {
            spans.columns[side] = SpanOf(columns[side]);
            spans.rows[side] = SpanOf(rows[side]);
            fit &= _mm512_cmple_epu64_mask(spans.columns[side].offsets, lastByte);
            fit &= _mm512_cmple_epu64_mask(spans.rows[side].offsets, nextRow);
        }
        const std::int64_t rowBytes = std::int64_t(g.width) * C;
        return fit == 0xFF && spans.rows[0].first + 2 < g.height && spans.rows[1].first + 2 < g.height &&
               spans.columns[0].first + kWindowBytes <= rowBytes &&
               spans.columns[1].first + kWindowBytes <= rowBytes;
    }

    // One quadrant's samples from its three windows: byte b of a lane is
    // byte (its column offset + b) of the window of its row, a byte permute
    // across two windows.
    static FOVELLA_REMAP_INLINE void LoadWindows(const Geometry& g, const Spans& spans, int columnSide,
                                                int rowSide, __m512i& top, __m512i& bottom)
    {
        const Span& columns = spans.columns[columnSide];
        const Span& rows = spans.rows[rowSide];
        const std::ptrdiff_t stride = g.sourceStride;
        const std::uint8_t* const window = g.source[0] + rows.first * stride + columns.first;
        // Lane k's first byte: its column offset, plus 64 (the second
        // window) where its row is the next; then spread over its eight
        // bytes and counted up.
        const __m512i start = _mm512_add_epi64(columns.offsets, _mm512_slli_epi64(rows.offsets, 6));
        const __m512i spread = _mm512_set_epi64(0x0808080808080808, 0, 0x0808080808080808, 0,
                                                0x0808080808080808, 0, 0x0808080808080808, 0);
        const __m512i index = _mm512_add_epi64(_mm512_shuffle_epi8(start, spread),
                                               _mm512_set1_epi64(0x0706050403020100));
        const __m512i first = _mm512_loadu_si512(window);
        const __m512i second = _mm512_loadu_si512(window + stride);
        const __m512i third = _mm512_loadu_si512(window + 2 * stride);
        // The rows that the next row of positions reads: further down for
        // the upper quadrants' rows, further up for the lower ones'.
        const std::ptrdiff_t ahead = rowSide == 0 ? 3 * stride : -stride;
        _mm_prefetch(reinterpret_cast<const char*>(window + ahead), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(window + ahead + kWindowBytes - 1), _MM_HINT_T0);
        top = _mm512_permutex2var_epi8(first, index, second);
        bottom = _mm512_permutex2var_epi8(second, index, third);
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
    // to the left): the four neighbours of each (`top` and `bottom` hold
    // each lane's two rows from its left column on) weighted and added in
    // the definition's order, truncated, and stored in one go.
    template <int C, bool kLeftward>
    static FOVELLA_REMAP_INLINE void Quadrant(std::uint8_t* out, int n, __m512i top, __m512i bottom,
                                             __m512d fx, __m512d gx, __m512d fy, __m512d gy)
    {
        const __m512d w00 = _mm512_mul_pd(gx, gy), w01 = _mm512_mul_pd(gx, fy);
        const __m512d w10 = _mm512_mul_pd(fx, gy), w11 = _mm512_mul_pd(fx, fy);
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
        std::uint8_t* const first = kLeftward ? out - 7 * C : out;
        if (n == 8) {
            StoreRun<C>(first, pixels);
            return;
        }
        const std::uint64_t run = (std::uint64_t(1) << (C * n)) - 1;
        _mm256_mask_storeu_epi8(first, __mmask32(kLeftward ? run << (C * (8 - n)) : run), pixels);
    }

    // The 8 C bytes of eight pixels, with plain stores (a byte-masked store
    // costs more than two of them).
    template <int C>
    static FOVELLA_REMAP_INLINE void StoreRun(std::uint8_t* at, __m256i pixels)
    {
        const __m128i low = _mm256_castsi256_si128(pixels);
        if (C == 1) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(at), low);
        } else if (C == 3) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), low);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(at + 16), _mm256_extracti128_si256(pixels, 1));
        } else {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), pixels);
        }
    }
};

template <int C>
void Avx512BandOf(const Geometry& g, int j0, int j1, int i0, int i1)
{
    Band<Avx512Kernel, C>(g, j0, j1, i0, i1);
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
