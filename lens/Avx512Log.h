// Natural logarithms of eight doubles at once, each the very double that
// std::log returns. Included by the AVX-512 kernel inside its target region.
//
// How the result can be std::log's without being std::log: the logarithm is
// computed here to about 2^-60 relative (a table of 16 entries, an exact
// reduced argument and a series; errors below), as a double D plus a small
// remainder. Where the remainder puts the true logarithm within 0.47 ulp of
// D, every logarithm with an error below 0.52 ulp returns D: the next double
// is at least 0.53 ulp away. glibc's log is such a logarithm (its error is
// below 0.52 ulp). The other lanes, about one in twelve, and anything outside
// [1, 2^1000), are left for the caller to hand to std::log itself.
//
// The steps, for a = 2^k z, z in [1, 2):
//   - i = the first four bits of z's fraction; c = 1 / invc[i] lies in the
//     middle of z's sixteenth (c = 1 for i = 0, so that no cancellation
//     arises near a = 1) and logc[i] = log c in two doubles (decimal
//     arithmetic at 60 digits);
//   - r = z invc - 1, exactly, as rh + rl (an exact product by fused
//     multiply-add, and p - 1 is exact for p near 1); |r| < 1/16;
//   - log a = k ln2 + log c + log(1 + r), and log(1 + r) = r - r^2/2 +
//     r^3/3 - ... to r^15 (the rest is below 2^-64 r), with r - r^2/2
//     carried in two doubles and the cubic tail, at most r/770, in one;
//   - the parts added smallest last with exact two-double sums; what is
//     lost is the rounding of the small parts, below 2^-60 of the result
//     (0.008 ulp; 0.004 seen against quadruple precision), against which
//     the test for a settled lane keeps 0.01 ulp beyond its 0.46.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace fovella::remap {
namespace {

struct LogTable {
    // The sixteenths of [1, 2): 1 / c, and log c split in two doubles.
    static constexpr double kInverse[16] = {
        0x1.0000000000000p+0, 0x1.d41d41d41d41dp-1, 0x1.bacf914c1bad0p-1, 0x1.a41a41a41a41ap-1,
        0x1.8f9c18f9c18fap-1, 0x1.7d05f417d05f4p-1, 0x1.6c16c16c16c17p-1, 0x1.5c9882b931057p-1,
        0x1.4e5e0a72f0539p-1, 0x1.4141414141414p-1, 0x1.3521cfb2b78c1p-1, 0x1.29e4129e4129ep-1,
        0x1.1f7047dc11f70p-1, 0x1.15b1e5f75270dp-1, 0x1.0c9714fbcda3bp-1, 0x1.0410410410410p-1};
    static constexpr double kLogHigh[16] = {
        0x0.0p+0,             0x1.6f0d28ae56b4ep-4, 0x1.29552f81ff521p-3, 0x1.9525a9cf456b6p-3,
        0x1.fb9186d5e3e29p-3, 0x1.2e8e2bae11d31p-2, 0x1.5d1bdbf5809cap-2, 0x1.89a3386c1425bp-2,
        0x1.b44f77bcc8f64p-2, 0x1.dd46a04c1c4a1p-2, 0x1.02552a5a5d0ffp-1, 0x1.154c3d2f4d5eap-1,
        0x1.2795e1289b11bp-1, 0x1.393e0d3562a1ap-1, 0x1.4a4f85db03ebbp-1, 0x1.5ad404c359f2dp-1};
    static constexpr double kLogLow[16] = {
        0x0.0p+0,              -0x1.20db323097324p-59, 0x1.301771c407dc0p-57, -0x1.26fb3e2b1d1dap-57,
        0x1.355519b0de535p-57, -0x1.1e99b72bd7bf2p-57, -0x1.7dc9c7c23801fp-56, 0x1.2d38c40881e0bp-57,
        -0x1.a0892a8b38eedp-61, -0x1.19d95b62e2476p-62, 0x1.e9c695d7ee800p-57, 0x1.98f33a3965e29p-57,
        0x1.ade0fcf6e5a1dp-55, -0x1.38eef67f2483ap-55, -0x1.d76102e1644f2p-55, 0x1.eca6aa97c08e7p-55};
    // ln 2 = high + low; high has 42 significant bits, so k high is exact.
    static constexpr double kLn2High = 0x1.62e42fefa3800p-1;
    static constexpr double kLn2Low = 0x1.ef35793c76730p-45;
};

// Entry i of a table of 16, for each lane.
FOVELLA_REMAP_INLINE __m512d Lookup(const double (&table)[16], __m512i index)
{
    return _mm512_permutex2var_pd(_mm512_loadu_pd(table), index, _mm512_loadu_pd(table + 8));
}

// s = a + b exactly as high + low, where |a| >= |b| or a = 0.
FOVELLA_REMAP_INLINE void FastTwoSum(__m512d a, __m512d b, __m512d& high, __m512d& low)
{
    high = _mm512_add_pd(a, b);
    low = _mm512_sub_pd(b, _mm512_sub_pd(high, a));
}

// log(a) for a >= 1 in every lane; `settled` marks the lanes that already
// hold std::log's value.
FOVELLA_REMAP_INLINE __m512d Logarithms(__m512d a, __mmask8& settled)
{
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d k = _mm512_getexp_pd(a);
    const __m512d z = _mm512_getmant_pd(a, _MM_MANT_NORM_1_2, _MM_MANT_SIGN_zero);
    const __m512i index = _mm512_srli_epi64(_mm512_castpd_si512(z), 48);
    const __m512d inverse = Lookup(LogTable::kInverse, index);

    // r = z invc - 1 = rh + rl.
    const __m512d product = _mm512_mul_pd(z, inverse);
    const __m512d productLow = _mm512_fmsub_pd(z, inverse, product);
    __m512d rh, rl;
    FastTwoSum(_mm512_sub_pd(product, one), productLow, rh, rl);

    // log(1 + r) = (rh - rh^2 / 2) + (rl - rh rl - the square's low part) + tail.
    const __m512d half = _mm512_set1_pd(0.5);
    const __m512d square = _mm512_mul_pd(rh, rh);
    const __m512d squareLow = _mm512_fmsub_pd(rh, rh, square);
    __m512d leading, leadingLow;
    FastTwoSum(rh, _mm512_mul_pd(square, _mm512_set1_pd(-0.5)), leading, leadingLow);
    static constexpr double kSeries[] = {1.0 / 3,  -1.0 / 4,  1.0 / 5,  -1.0 / 6,  1.0 / 7,
                                         -1.0 / 8, 1.0 / 9,   -1.0 / 10, 1.0 / 11, -1.0 / 12,
                                         1.0 / 13, -1.0 / 14, 1.0 / 15};
    __m512d series = _mm512_set1_pd(kSeries[12]);
    for (int n = 11; n >= 0; --n)
        series = _mm512_fmadd_pd(series, rh, _mm512_set1_pd(kSeries[n]));
    const __m512d tail = _mm512_mul_pd(_mm512_mul_pd(square, rh), series);
    const __m512d small = _mm512_sub_pd(
        _mm512_sub_pd(rl, _mm512_mul_pd(rh, rl)), _mm512_mul_pd(squareLow, half));

    // k ln2 + log c, then the leading part of log(1 + r). Each sum is exact
    // with three operations: its first term is the larger (k ln2 >= ln 2 >
    // log c unless k = 0; log c >= 0.089 > |log(1 + r)| unless c = 1) or 0.
    __m512d base, baseLow, sum, sumLow;
    FastTwoSum(_mm512_mul_pd(k, _mm512_set1_pd(LogTable::kLn2High)),
               Lookup(LogTable::kLogHigh, index), base, baseLow);
    FastTwoSum(base, leading, sum, sumLow);
    const __m512d low = _mm512_add_pd(
        _mm512_add_pd(
            _mm512_add_pd(_mm512_add_pd(sumLow, baseLow), leadingLow),
            _mm512_add_pd(_mm512_mul_pd(k, _mm512_set1_pd(LogTable::kLn2Low)),
                          Lookup(LogTable::kLogLow, index))),
        _mm512_add_pd(small, tail));
    __m512d result, remainder;
    FastTwoSum(sum, low, result, remainder);

    // Settled where the remainder, enlarged by 0.5 / 0.46, still rounds
    // away when added to the result: then it is below 0.46 ulp, or 0.46 of
    // the closer spacing just below a power of two.
    const __m512d enlarged = _mm512_mul_pd(remainder, _mm512_set1_pd(0.5 / 0.46));
    const __mmask8 inRange = _mm512_cmp_pd_mask(a, _mm512_set1_pd(0x1p1000), _CMP_LT_OQ) &
                             _mm512_cmp_pd_mask(a, one, _CMP_GE_OQ);
    settled = _mm512_mask_cmp_pd_mask(inRange, _mm512_add_pd(result, enlarged), result, _CMP_EQ_OQ);
    return result;
}

// logarithms[k] = std::log(arguments[k]) for k < n, n a multiple of 8. In
// two passes, so that the long chain of each logarithm overlaps with its
// neighbours' instead of waiting behind an unforeseeable branch: the
// logarithms, keeping note of the unsettled, then std::log for those.
FOVELLA_REMAP_INLINE void ExactLogarithms(const double* arguments, double* logarithms,
                                          std::size_t n)
{
    constexpr std::size_t kPart = 512;
    // Room for a whole vector of indices past the last one kept.
    std::int32_t unsettled[kPart + 8];
    for (std::size_t start = 0; start < n; start += kPart) {
        const std::size_t end = n - start < kPart ? n : start + kPart;
        int count = 0;
        for (std::size_t k = start; k < end; k += 8) {
            __mmask8 settled;
            _mm512_storeu_pd(logarithms + k, Logarithms(_mm512_loadu_pd(arguments + k), settled));
            const __m256i indices = _mm256_add_epi32(_mm256_set1_epi32(std::int32_t(k)),
                                                     _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(unsettled + count),
                                _mm256_maskz_compress_epi32(__mmask8(~settled), indices));
            count += __builtin_popcount(std::uint8_t(~settled));
        }
        for (int c = 0; c < count; ++c)
            logarithms[unsettled[c]] = std::log(arguments[unsettled[c]]);
    }
}

}  // namespace
}  // namespace fovella::remap
