#include "bench/SyntheticPhoto.h"

#include <cmath>
#include <random>

namespace fovella::bench {

DibImage SyntheticPhoto(int width, int height)
{
    DibImage photo;
    photo.Create(width, height, Rgb, SampleU8, BottomUp);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            photo.Rows()[y][x] = std::uint8_t((x / 9 + y / 6) + (random() & 31));
    return photo;
}

const std::vector<std::uint8_t>& ExifWithFocal58()
{
    static const std::vector<std::uint8_t> exif = {
        'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x0A, 0x92, 5, 0,
        1, 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0, 10, 0, 0, 0};
    return exif;
}

void CorrectionMapRow(int y, int width, int height, double m, float* points)
{
    const int cx = width / 2, cy = height / 2;
    for (int x = 0; x < width; ++x) {
        const double ox = x - cx, oy = y - cy, r = std::hypot(ox, oy);
        const double u = r > 0 ? m * std::asinh(r / m) / r : 1;
        points[2 * x] = float(cx + ox * u);
        points[2 * x + 1] = float(cy + oy * u);
    }
}

}  // namespace fovella::bench
