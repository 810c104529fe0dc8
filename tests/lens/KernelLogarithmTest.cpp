// The AVX-512 kernel's logarithms against std::log, bit for bit: the
// arguments the remap meets (1 <= a < 2^1000) and the places where a
// shortcut would show, near 1, at the table's sixteenths and at powers of
// two, and the arguments it hands back to std::log.
#include "lens/RemapBand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace fovella {
namespace {

std::vector<double> Arguments()
{
    std::vector<double> a;
    std::mt19937_64 random(2026);
    const auto fraction = [&] { return std::ldexp(double(random() >> 11), -53); };
    for (int n = 0; n < 1'000'000; ++n) {
        a.push_back(1 + fraction() * 0.2);                     // the remap's usual range
        a.push_back(1 + std::ldexp(fraction(), -int(random() % 52)));  // ever closer to 1
        a.push_back(std::exp(fraction() * 690));              // up to 2^995
    }
    for (int k = 0; k < 1000; ++k) {
        const double power = std::ldexp(1.0, k);
        for (double x : {power, std::nextafter(power, 0.0), std::nextafter(power, 1e308)})
            a.push_back(x);
        for (int sixteenth = 1; sixteenth < 16; ++sixteenth) {
            const double x = power * (1 + sixteenth / 16.0);
            a.insert(a.end(), {x, std::nextafter(x, 0.0), std::nextafter(x, 1e308)});
        }
    }
    a.push_back(1.0);
    a.push_back(0x1p1000);
    a.push_back(std::numeric_limits<double>::max());
    a.push_back(std::numeric_limits<double>::infinity());
    return a;
}

TEST(KernelLogarithms, EqualStdLogBitForBit)
{
    const std::vector<double> arguments = Arguments();
    std::vector<double> logarithms(arguments.size());
    if (!remap::Avx512Logarithms(arguments.data(), logarithms.data(), arguments.size()))
        GTEST_SKIP() << "this processor cannot run the AVX-512 kernel";
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const double expected = std::log(arguments[k]);
        ASSERT_EQ(std::memcmp(&logarithms[k], &expected, sizeof(double)), 0)
            << std::hexfloat << "log(" << arguments[k] << ") = " << expected << ", not "
            << logarithms[k];
    }
}

TEST(KernelLogarithms, AnyCountOfArguments)
{
    for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 511u, 512u, 513u, 1031u}) {
        std::vector<double> arguments(n), logarithms(n, -1.0);
        for (std::size_t k = 0; k < n; ++k)
            arguments[k] = 1 + 0.001 * double(k);
        if (!remap::Avx512Logarithms(arguments.data(), logarithms.data(), n))
            GTEST_SKIP() << "this processor cannot run the AVX-512 kernel";
        for (std::size_t k = 0; k < n; ++k)
            ASSERT_EQ(logarithms[k], std::log(arguments[k])) << k << " of " << n;
    }
}

}  // namespace
}  // namespace fovella
