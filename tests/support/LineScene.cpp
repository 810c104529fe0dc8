#include "tests/support/LineScene.h"

#include "lines/ChainStraightness.h"
#include "lines/LineEstimator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace fovella::test {

namespace {

// A bar along a u + b v = c, in a frame of unit half diagonal.
struct Bar {
    double a, b, c;
};

const std::vector<Bar>& Scene()
{
    static const std::vector<Bar> bars = [] {
        std::vector<Bar> list;
        for (const double c : {-0.62, -0.41, -0.2, 0.23, 0.44, 0.66}) {
            list.push_back({0.03, 1, c});
            list.push_back({1, -0.05, c * 1.4});
        }
        return list;
    }();
    return bars;
}

// 0 (dark) to 1 (light) at scene point (u, v): bars 6 pixels wide with
// edges blurred over a pixel and a half; `pixel` is a pixel in scene units.
double SceneLevel(double u, double v, double pixel)
{
    double level = 1;
    for (const Bar& bar : Scene()) {
        const double d = std::fabs(bar.a * u + bar.b * v - bar.c) / std::hypot(bar.a, bar.b) / pixel;
        level = std::min(level, std::clamp((d - 3) / 1.5 + 0.5, 0.0, 1.0));
    }
    return level;
}

}  // namespace

bool DrawLineScene(Image& picture, int width, int height, double strength, int noise, PixelType type,
                   RowOrder order)
{
    if (!picture.Create(width, height, type, SampleU8, order))
        return false;
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    const double halfDiagonal = std::hypot(double(width), double(height)) / 2;
    // The correction's own stretch (sin for sinh when bent the other way),
    // in half diagonals; s keeps the corners filled.
    const double s = 1 / CorrectedRadius(1, strength);
    std::uint32_t random = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.Rows()[order == TopDown ? y : height - 1 - y];
        for (int x = 0; x < width; ++x) {
            const double rho = std::hypot(x - cx, y - cy) / halfDiagonal;
            const double stretch = rho > 0 ? CorrectedRadius(rho, strength) / rho : 1;
            const LinePoint p{cx + (x - cx) * stretch, cy + (y - cy) * stretch};
            const double u = s * (p.x - cx) / halfDiagonal, v = s * (p.y - cy) / halfDiagonal;
            random = random * 1664525u + 1013904223u;
            const int jitter = noise ? int(random >> 24) % (2 * noise + 1) - noise : 0;
            const int level =
                std::clamp(int(std::lround(40 + 170 * SceneLevel(u, v, s / halfDiagonal))) + jitter, 0, 255);
            for (int k = 0; k < picture.BytesPerPixel(); ++k)
                row[x * picture.BytesPerPixel() + k] = std::uint8_t(level);
        }
    }
    return true;
}

}  // namespace fovella::test
