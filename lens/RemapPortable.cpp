// The remap's kernel in plain C++, for processors without AVX2.
#include "lens/RemapTraversal.h"

namespace fovella::remap {

namespace {

struct PortableKernel {
    // Bytes read from a sample pixel's first byte on: one at a time.
    static constexpr int kLoadBytes = 1;
    // Positions of a row done in one step: one.
    static constexpr int kPositionsAtOnce = 1;

    static void ScaleFactors(const Geometry& g, int j0, int n, std::int64_t dy, double* u)
    {
        for (int k = 0; k < n; ++k)
            u[k] = ScaleFactor(std::int64_t(j0 + k) - g.cx, dy, g.m);
    }

    template <int C, bool kNearRightEdge>
    static FOVELLA_REMAP_INLINE void Positions(const Geometry& g, int j0, int j1, int i,
                                               const double* u)
    {
        for (int j = j0; j < j1; ++j)
            Position<C>(g, j, i, u[j - j0]);
    }

    // Reads byte by byte, so it never reads past a row's end.
    template <int C>
    static FOVELLA_REMAP_INLINE void Position(const Geometry& g, int j, int i, double u)
    {
        // Source coordinates of the columns L, R and the rows T, B shared by
        // the four pixels q1 (L, T), q2 (R, T), q3 (R, B), q4 (L, B).
        const double dx = j - g.cx, dy = i - g.cy;
        double s[4] = {dx * u + g.cx, -dx * u + g.cx, dy * u + g.cy, -dy * u + g.cy};
        const double last[4] = {double(g.width - 1), double(g.width - 1), double(g.height - 1),
                                double(g.height - 1)};
        int lower[4], upper[4];
        double f[4];
        for (int k = 0; k < 4; ++k) {
            if (s[k] < 0)
                s[k] = 0;
            if (s[k] >= last[k])
                s[k] = last[k];
            // Never negative, so truncation is floor.
            lower[k] = int(s[k]);
            f[k] = s[k] - lower[k];
            upper[k] = lower[k] + (f[k] > 0);
        }
        const int xLane[4] = {0, 1, 1, 0};
        const int yLane[4] = {2, 2, 3, 3};
        std::uint8_t* const out[4] = {
            g.destination[i] + std::size_t(j) * C,
            g.destination[i] + std::size_t(g.width - 1 - j) * C,
            g.destination[g.height - 1 - i] + std::size_t(g.width - 1 - j) * C,
            g.destination[g.height - 1 - i] + std::size_t(j) * C,
        };
        for (int q = 0; q < 4; ++q) {
            const double fx = f[xLane[q]], fy = f[yLane[q]];
            const double w00 = (1 - fx) * (1 - fy), w01 = (1 - fx) * fy;
            const double w10 = fx * (1 - fy), w11 = fx * fy;
            const std::uint8_t* row0 = g.source[lower[yLane[q]]];
            const std::uint8_t* row1 = g.source[upper[yLane[q]]];
            const std::size_t left = std::size_t(lower[xLane[q]]) * C;
            const std::size_t right = std::size_t(upper[xLane[q]]) * C;
            for (int c = 0; c < C; ++c) {
                const double v = row0[left + c] * w00 + row1[left + c] * w01 +
                                 row0[right + c] * w10 + row1[right + c] * w11;
                const int level = int(v);
                out[q][c] = std::uint8_t(level > 255 ? 255 : level);
            }
        }
    }
};

template <int C>
void PortableBandOf(const Geometry& g, int j0, int j1, int i0, int i1)
{
    Band<PortableKernel, C>(g, j0, j1, i0, i1);
}

}  // namespace

BandFunction PortableBand(int channels)
{
    return channels == 1 ? &PortableBandOf<1> : channels == 3 ? &PortableBandOf<3> : &PortableBandOf<4>;
}

}  // namespace fovella::remap
