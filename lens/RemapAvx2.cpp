// The remap's kernel with AVX2: the lanes of a vector hold either the
// coordinates of four positions or the channels of one pixel. Each lane
// does the scalar operations of the definition in their order, so the bytes
// equal the portable kernel's.
#include "lens/RemapBand.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

// Everything from here on may use AVX2; it runs only where the processor
// has it (Avx2Band asks first).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "lens/RemapTraversal.h"

namespace fovella::remap {

namespace {

// The C bytes of a pixel as doubles in the low lanes (the others hold
// whatever follows the pixel, or 0 near a row's end).
template <int C, bool kNearRightEdge>
FOVELLA_REMAP_INLINE __m256d LoadPixel(const std::uint8_t* pixel)
{
    std::uint32_t word = 0;
    if (kNearRightEdge) {
        for (int c = 0; c < C; ++c)
            word |= std::uint32_t(pixel[c]) << (8 * c);
    } else {
        std::memcpy(&word, pixel, 4);
    }
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(word))));
}

// One pixel's channel levels, truncated: the four neighbours weighted and
// added in the definition's order.
// w00, w01, w10 and w11 are `stride` apart from `w`.
template <int C, bool kNearRightEdge, std::size_t stride>
FOVELLA_REMAP_INLINE __m128i Interpolate(const std::uint8_t* row0, const std::uint8_t* row1,
                                        std::size_t left, std::size_t right, const double* w)
{
    __m256d v = _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row0 + left), _mm256_broadcast_sd(w));
    v = _mm256_add_pd(v, _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row1 + left),
                                       _mm256_broadcast_sd(w + stride)));
    v = _mm256_add_pd(v, _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row0 + right),
                                       _mm256_broadcast_sd(w + 2 * stride)));
    v = _mm256_add_pd(v, _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row1 + right),
                                       _mm256_broadcast_sd(w + 3 * stride)));
    return _mm256_cvttpd_epi32(v);
}

// The low C bytes of `word`, in memory order.
template <int C>
FOVELLA_REMAP_INLINE void StorePixel(std::uint8_t* out, std::uint32_t word)
{
    if (C == 3) {
        const std::uint16_t low = std::uint16_t(word);
        std::memcpy(out, &low, 2);
        out[2] = std::uint8_t(word >> 16);
    } else {
        std::memcpy(out, &word, C);
    }
}

struct Avx2Kernel {
    // Bytes read from a sample pixel's first byte on.
    static constexpr int kLoadBytes = 4;
    // Positions of a row done in one step: four, one per lane.
    static constexpr int kPositionsAtOnce = 4;

    static FOVELLA_REMAP_INLINE void ScaleFactors(const Geometry& g, int j0, int n,
                                                 std::int64_t dy, double* u)
    {
        const __m256d m = _mm256_set1_pd(g.m);
        const __m256d one = _mm256_set1_pd(1.0);
        int k = 0;
        for (; k + 4 <= n; k += 4) {
            double squares[4];
            for (int l = 0; l < 4; ++l) {
                const std::int64_t dx = std::int64_t(j0 + k + l) - g.cx;
                squares[l] = double(dx * dx + dy * dy);
            }
            const __m256d r = _mm256_sqrt_pd(_mm256_loadu_pd(squares));
            const __m256d o = _mm256_div_pd(r, m);
            const __m256d argument =
                _mm256_add_pd(o, _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(o, o), one)));
            alignas(32) double a[4];
            _mm256_store_pd(a, argument);
            const __m256d t =
                _mm256_setr_pd(std::log(a[0]), std::log(a[1]), std::log(a[2]), std::log(a[3]));
            _mm256_storeu_pd(u + k, _mm256_div_pd(_mm256_mul_pd(t, m), r));
        }
        for (; k < n; ++k)
            u[k] = ScaleFactor(std::int64_t(j0 + k) - g.cx, dy, g.m);
    }

    // Two passes over the row, so that the long chain of each position
    // (coordinates, then loads, then sums) overlaps with its neighbours':
    // first the source columns, rows and weights of every position, then the
    // pixels.
    // Quadrant by quadrant, except the last column cx: with an even width its
    // writes must come after those of column cx - 1 to the same pixels.
    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE void Positions(const Geometry& g, int j0, int j1, int i,
                                              const double* u)
    {
        const int end = j1 > g.cx ? g.cx : j1;
        for (; j0 < end; j0 += kChunk, u += kChunk)
            Chunk<C, kNearRightEdge>(g, j0, end - j0 < kChunk ? end : j0 + kChunk, i, u);
        if (j1 > g.cx)
            Chunk<C, kNearRightEdge>(g, g.cx, g.cx + 1, i, u + (g.cx - j0));
    }

    // Positions per pass: their coordinates and weights stay in L1.
    static constexpr int kChunk = 32;

    // Source coordinates for lanes L, R, T, B (left and right column, top
    // and bottom row, shared by q1 (L, T), q2 (R, T), q3 (R, B), q4 (L, B)),
    // then the weights w00, w01, w10, w11 of each quadrant; each array holds
    // one entry per position of the chunk.
    struct ChunkGeometry {
        // Source rows: top lower and upper, bottom lower and upper.
        const std::uint8_t* rows[4][kChunk];
        // Byte offsets of the source columns: left lower and upper, right
        // lower and upper.
        alignas(32) std::int64_t columns[4][kChunk];
        alignas(32) double weights[4][4][kChunk];
    };

    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE void Chunk(const Geometry& g, int j0, int j1, int i,
                                          const double* u)
    {
        ChunkGeometry chunk;
        const int n = j1 - j0;
        for (int k = 0; k < n; k += 4)
            FourPositions<C>(g, j0 + k, i, u + k, n - k, chunk, k);
        // One quadrant at a time: short independent steps that the processor
        // can overlap.
        Quadrant<C, kNearRightEdge, 0>(g, j0, n, i, chunk);
        Quadrant<C, kNearRightEdge, 1>(g, j0, n, i, chunk);
        Quadrant<C, kNearRightEdge, 2>(g, j0, n, i, chunk);
        Quadrant<C, kNearRightEdge, 3>(g, j0, n, i, chunk);
    }

    // Positions j .. j + 3 (those past `left` get u = 0, never used), one
    // per lane of each vector.
    template <int C>
    static FOVELLA_REMAP_INLINE void FourPositions(const Geometry& g, int j, int i, const double* u,
                                                  int left, ChunkGeometry& chunk, int k)
    {
        const __m256i present = _mm256_cmpgt_epi64(_mm256_set1_epi64x(left), _mm256_setr_epi64x(0, 1, 2, 3));
        const __m256d uv = _mm256_maskload_pd(u, present);
        const __m256d zero = _mm256_setzero_pd();
        const __m256d one = _mm256_set1_pd(1.0);
        const __m256d dx = _mm256_setr_pd(j - g.cx, j + 1 - g.cx, j + 2 - g.cx, j + 3 - g.cx);
        const __m256d dy = _mm256_set1_pd(i - g.cy);
        const __m256d cx = _mm256_set1_pd(g.cx), cy = _mm256_set1_pd(g.cy);
        const __m256d lastX = _mm256_set1_pd(g.width - 1), lastY = _mm256_set1_pd(g.height - 1);
        const __m256d negative = _mm256_set1_pd(-0.0);
        const __m256d offsets[4] = {dx, _mm256_xor_pd(dx, negative), dy, _mm256_xor_pd(dy, negative)};
        const __m256d centres[4] = {cx, cx, cy, cy};
        const __m256d lasts[4] = {lastX, lastX, lastY, lastY};
        __m256d f[4], g1[4];
        for (int lane = 0; lane < 4; ++lane) {
            __m256d s = _mm256_add_pd(_mm256_mul_pd(offsets[lane], uv), centres[lane]);
            // max and min pick s unless it is below 0 or not below the last index.
            s = _mm256_min_pd(_mm256_max_pd(s, zero), lasts[lane]);
            const __m256d lower = _mm256_floor_pd(s);
            f[lane] = _mm256_sub_pd(s, lower);
            g1[lane] = _mm256_sub_pd(one, f[lane]);
            const __m128i bounds[2] = {_mm256_cvttpd_epi32(lower), _mm256_cvttpd_epi32(_mm256_ceil_pd(s))};
            for (int b = 0; b < 2; ++b) {
                if (lane < 2) {
                    _mm256_store_si256(reinterpret_cast<__m256i*>(chunk.columns[2 * lane + b] + k),
                                       ByteOffsets<C>(bounds[b]));
                } else {
                    alignas(16) std::int32_t index[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(index), bounds[b]);
                    for (int l = 0; l < 4; ++l)
                        chunk.rows[2 * (lane - 2) + b][k + l] = g.source[index[l]];
                }
            }
        }
        constexpr int kColumn[4] = {0, 1, 1, 0};
        constexpr int kRow[4] = {2, 2, 3, 3};
        for (int q = 0; q < 4; ++q) {
            const int c = kColumn[q], r = kRow[q];
            _mm256_store_pd(chunk.weights[q][0] + k, _mm256_mul_pd(g1[c], g1[r]));
            _mm256_store_pd(chunk.weights[q][1] + k, _mm256_mul_pd(g1[c], f[r]));
            _mm256_store_pd(chunk.weights[q][2] + k, _mm256_mul_pd(f[c], g1[r]));
            _mm256_store_pd(chunk.weights[q][3] + k, _mm256_mul_pd(f[c], f[r]));
        }
    }

    // Column indices times C, in 64 bits.
    template <int C>
    static FOVELLA_REMAP_INLINE __m256i ByteOffsets(__m128i columns)
    {
        const __m256i wide = _mm256_cvtepi32_epi64(columns);
        if (C == 3)
            return _mm256_add_epi64(wide, _mm256_slli_epi64(wide, 1));
        if (C == 4)
            return _mm256_slli_epi64(wide, 2);
        return wide;
    }

    // Quadrant Q of the positions j0 .. j0 + n - 1, written to (j, i),
    // (W-1-j, i), (W-1-j, H-1-i) and (j, H-1-i) for q1 .. q4.
    template <int C, bool kNearRightEdge, int Q>
    static FOVELLA_REMAP_INLINE void Quadrant(const Geometry& g, int j0, int n, int i,
                                             const ChunkGeometry& chunk)
    {
        constexpr int kColumn = Q == 0 || Q == 3 ? 0 : 2;
        constexpr int kRow = Q < 2 ? 0 : 2;
        std::uint8_t* const row = g.destination[Q < 2 ? i : g.height - 1 - i];
        const std::ptrdiff_t step = kColumn == 0 ? C : -C;
        std::uint8_t* out = row + std::size_t(kColumn == 0 ? j0 : g.width - 1 - j0) * C;
        const std::uint8_t* const* lowRow = chunk.rows[kRow];
        const std::uint8_t* const* highRow = chunk.rows[kRow + 1];
        const std::int64_t* lowColumn = chunk.columns[kColumn];
        const std::int64_t* highColumn = chunk.columns[kColumn + 1];
        for (int k = 0; k < n; ++k, out += step) {
            const __m128i levels = Interpolate<C, kNearRightEdge, kChunk>(
                lowRow[k], highRow[k], std::size_t(lowColumn[k]), std::size_t(highColumn[k]),
                chunk.weights[Q][0] + k);
            // Unsigned saturation clamps to 255; the levels are never negative.
            const __m128i words = _mm_packus_epi32(levels, levels);
            StorePixel<C>(out, std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words))));
        }
    }
};

template <int C>
void Avx2BandOf(const Geometry& g, int j0, int j1, int i0, int i1)
{
    Band<Avx2Kernel, C>(g, j0, j1, i0, i1);
}

}  // namespace

}  // namespace fovella::remap

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace fovella::remap {

BandFunction Avx2Band(int channels)
{
    if (!__builtin_cpu_supports("avx2"))
        return nullptr;
    return channels == 1 ? &Avx2BandOf<1> : channels == 3 ? &Avx2BandOf<3> : &Avx2BandOf<4>;
}

}  // namespace fovella::remap

#else

namespace fovella::remap {
BandFunction Avx2Band(int) { return nullptr; }
}  // namespace fovella::remap

#endif
