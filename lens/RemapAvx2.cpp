// The remap's kernel with AVX2: the lanes of a vector hold either the
// coordinates L, R, T, B of a position's four pixels or the channels of one
// pixel. Each lane does the scalar operations of the definition in their
// order, so the bytes equal the portable kernel's.
#include "lens/RemapBand.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

// Everything from here on may use AVX2; it runs only where the processor
// has it (Avx2Band asks first).
#pragma GCC push_options
#pragma GCC target("avx2")

#include "lens/RemapTraversal.h"

namespace fovella::remap {

namespace {

#define FOVELLA_AVX2_INLINE inline __attribute__((always_inline))

// The C bytes of a pixel as doubles in the low lanes (the others hold
// whatever follows the pixel, or 0 near a row's end).
template <int C, bool kNearRightEdge>
FOVELLA_AVX2_INLINE __m256d LoadPixel(const std::uint8_t* pixel)
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
template <int C, bool kNearRightEdge>
FOVELLA_AVX2_INLINE __m128i Interpolate(const std::uint8_t* row0, const std::uint8_t* row1,
                                        std::size_t left, std::size_t right, const double* w)
{
    __m256d v = _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row0 + left), _mm256_broadcast_sd(w));
    v = _mm256_add_pd(v, _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row1 + left),
                                       _mm256_broadcast_sd(w + 4)));
    v = _mm256_add_pd(v, _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row0 + right),
                                       _mm256_broadcast_sd(w + 8)));
    v = _mm256_add_pd(v, _mm256_mul_pd(LoadPixel<C, kNearRightEdge>(row1 + right),
                                       _mm256_broadcast_sd(w + 12)));
    return _mm256_cvttpd_epi32(v);
}

template <int C, int kLane>
FOVELLA_AVX2_INLINE void StorePixel(std::uint8_t* out, __m128i bytes)
{
    const std::uint32_t word = std::uint32_t(_mm_extract_epi32(bytes, kLane));
    std::memcpy(out, &word, C);
}

struct Avx2Kernel {
    static FOVELLA_AVX2_INLINE void ScaleFactors(const Geometry& g, int j0, int n,
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
    template <int C, bool kNearRightEdge>
    static FOVELLA_AVX2_INLINE void Positions(const Geometry& g, int j0, int j1, int i,
                                              const double* u)
    {
        alignas(32) std::int32_t low[kBandColumns][4], high[kBandColumns][4];
        alignas(32) double weights[kBandColumns][16];
        const int n = j1 - j0;
        for (int k = 0; k < n; ++k)
            Geometry4(g, j0 + k, i, u[k], low[k], high[k], weights[k]);

        std::uint8_t* const upperRow = g.destination[i];
        std::uint8_t* const lowerRow = g.destination[g.height - 1 - i];
        for (int k = 0; k < n; ++k) {
            const std::int32_t* lo = low[k];
            const std::int32_t* hi = high[k];
            const double* w = weights[k];
            const std::size_t left0 = std::size_t(lo[0]) * C, left1 = std::size_t(hi[0]) * C;
            const std::size_t right0 = std::size_t(lo[1]) * C, right1 = std::size_t(hi[1]) * C;
            const std::uint8_t* top0 = g.source[lo[2]];
            const std::uint8_t* top1 = g.source[hi[2]];
            const std::uint8_t* bottom0 = g.source[lo[3]];
            const std::uint8_t* bottom1 = g.source[hi[3]];
            const __m128i q1 = Interpolate<C, kNearRightEdge>(top0, top1, left0, left1, w);
            const __m128i q2 = Interpolate<C, kNearRightEdge>(top0, top1, right0, right1, w + 1);
            const __m128i q3 = Interpolate<C, kNearRightEdge>(bottom0, bottom1, right0, right1, w + 2);
            const __m128i q4 = Interpolate<C, kNearRightEdge>(bottom0, bottom1, left0, left1, w + 3);
            // Unsigned saturation clamps to 255; the levels are never negative.
            const __m128i bytes =
                _mm_packus_epi16(_mm_packus_epi32(q1, q2), _mm_packus_epi32(q3, q4));
            const int j = j0 + k;
            const std::size_t leftOut = std::size_t(j) * C;
            const std::size_t rightOut = std::size_t(g.width - 1 - j) * C;
            StorePixel<C, 0>(upperRow + leftOut, bytes);
            StorePixel<C, 1>(upperRow + rightOut, bytes);
            StorePixel<C, 2>(lowerRow + rightOut, bytes);
            StorePixel<C, 3>(lowerRow + leftOut, bytes);
        }
    }

    // Lanes L, R, T, B: the source columns and rows of q1 (L, T), q2 (R, T),
    // q3 (R, B) and q4 (L, B); then the weights w00, w01, w10, w11 of the four
    // quadrants, four apart.
    static FOVELLA_AVX2_INLINE void Geometry4(const Geometry& g, int j, int i, double u,
                                              std::int32_t* low, std::int32_t* high, double* w)
    {
        const double dx = j - g.cx, dy = i - g.cy;
        const __m256d zero = _mm256_setzero_pd();
        const __m256d one = _mm256_set1_pd(1.0);
        const __m256d centre = _mm256_setr_pd(g.cx, g.cx, g.cy, g.cy);
        const __m256d last = _mm256_setr_pd(g.width - 1, g.width - 1, g.height - 1, g.height - 1);
        __m256d s = _mm256_add_pd(_mm256_mul_pd(_mm256_setr_pd(dx, -dx, dy, -dy),
                                                _mm256_set1_pd(u)),
                                  centre);
        // max and min pick s unless it is below 0 or not below the last index.
        s = _mm256_min_pd(_mm256_max_pd(s, zero), last);
        const __m256d lower = _mm256_floor_pd(s);
        const __m256d f = _mm256_sub_pd(s, lower);
        const __m256d g1 = _mm256_sub_pd(one, f);
        _mm_store_si128(reinterpret_cast<__m128i*>(low), _mm256_cvttpd_epi32(lower));
        _mm_store_si128(reinterpret_cast<__m128i*>(high), _mm256_cvttpd_epi32(_mm256_ceil_pd(s)));

        // x from lanes (L, R, R, L), y from (T, T, B, B).
        constexpr int kX = 0 | 1 << 2 | 1 << 4 | 0 << 6;
        constexpr int kY = 2 | 2 << 2 | 3 << 4 | 3 << 6;
        const __m256d fx = _mm256_permute4x64_pd(f, kX), fy = _mm256_permute4x64_pd(f, kY);
        const __m256d gx = _mm256_permute4x64_pd(g1, kX), gy = _mm256_permute4x64_pd(g1, kY);
        _mm256_store_pd(w, _mm256_mul_pd(gx, gy));
        _mm256_store_pd(w + 4, _mm256_mul_pd(gx, fy));
        _mm256_store_pd(w + 8, _mm256_mul_pd(fx, gy));
        _mm256_store_pd(w + 12, _mm256_mul_pd(fx, fy));
    }
};

template <int C>
void Avx2BandOf(const Geometry& g, int j0, int j1)
{
    Band<Avx2Kernel, C>(g, j0, j1);
}

}  // namespace

}  // namespace fovella::remap

#pragma GCC pop_options

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
