#include "tests/support/LineScene.h"

#include "codecs/jpeg/JpegReduced.h"
#include "image/MemoryImage.h"
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

// Fills `picture` with the scene seen through the lens: `level(u, v,
// pixel)` is the grey level at scene point (u, v), in half diagonals from
// the middle, where a pixel spans `pixel` of them.
template <class Level>
bool DrawThroughLens(Image& picture, int width, int height, double strength, PixelType type, RowOrder order,
                     Level level)
{
    if (!picture.Create(width, height, type, SampleU8, order))
        return false;
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    const double halfDiagonal = std::hypot(double(width), double(height)) / 2;
    // The correction's own stretch (sin for sinh when bent the other way),
    // in half diagonals; s keeps the corners filled.
    const double s = 1 / CorrectedRadius(1, strength);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.Rows()[order == TopDown ? y : height - 1 - y];
        for (int x = 0; x < width; ++x) {
            const double rho = std::hypot(x - cx, y - cy) / halfDiagonal;
            const double stretch = rho > 0 ? CorrectedRadius(rho, strength) / rho : 1;
            const double u = s * (x - cx) * stretch / halfDiagonal, v = s * (y - cy) * stretch / halfDiagonal;
            const int value = std::clamp(level(u, v, s / halfDiagonal), 0, 255);
            for (int k = 0; k < picture.BytesPerPixel(); ++k)
                row[x * picture.BytesPerPixel() + k] = std::uint8_t(value);
        }
    }
    return true;
}

}  // namespace

bool DrawLineScene(Image& picture, int width, int height, double strength, int noise, PixelType type,
                   RowOrder order)
{
    std::uint32_t random = 12345;
    return DrawThroughLens(picture, width, height, strength, type, order, [&](double u, double v, double pixel) {
        random = random * 1664525u + 1013904223u;
        const int jitter = noise ? int(random >> 24) % (2 * noise + 1) - noise : 0;
        return int(std::lround(40 + 170 * SceneLevel(u, v, pixel))) + jitter;
    });
}

bool PhotographThroughLens(const std::string& path, double strength, Image& picture, int eighths)
{
    MemoryImage photo;
    int fullWidth = 0, fullHeight = 0;
    if (!LoadJpegReduced(path, eighths, photo, fullWidth, fullHeight))
        return false;
    const int w = photo.Width(), h = photo.Height();
    const double halfDiagonal = std::hypot(double(w), double(h)) / 2;
    // Bilinear, at the photograph's own pixel size.
    return DrawThroughLens(picture, w, h, strength, Gray, TopDown, [&](double u, double v, double) {
        const double x = std::clamp((w - 1) / 2.0 + u * halfDiagonal, 0.0, w - 1.0);
        const double y = std::clamp((h - 1) / 2.0 + v * halfDiagonal, 0.0, h - 1.0);
        const int x0 = std::min(int(x), w - 2), y0 = std::min(int(y), h - 2);
        const double fx = x - x0, fy = y - y0;
        const auto at = [&](int px, int py) { return double(photo.Rows()[py][px]); };
        return int(std::lround((at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
                               (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy));
    });
}

}  // namespace fovella::test
