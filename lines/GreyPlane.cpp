#include "lines/GreyPlane.h"

#include <algorithm>
#include <cstdint>

namespace fovella {

int LineReductionFactor(int width, int height)
{
    constexpr double kMaxPixels = 3.2e6;
    int factor = 1;
    while (factor < 8 && double(width) / factor * (double(height) / factor) > kMaxPixels)
        factor *= 2;
    return factor;
}

GreyPlane ReduceToGrey(const Image& picture, int factor)
{
    GreyPlane plane;
    const PixelType type = picture.GetPixelType();
    if (!picture.IsValid() || picture.GetSampleType() != SampleU8 || factor < 1 ||
        (type != Gray && type != Rgb && type != Bgr && type != Rgba))
        return plane;
    const int width = picture.Width(), height = picture.Height();
    const int channels = picture.BytesPerPixel();
    plane.width = (width + factor - 1) / factor;
    plane.height = (height + factor - 1) / factor;
    plane.values.resize(std::size_t(plane.width) * std::size_t(plane.height));
    // Red and blue weigh alike, so Rgb and Bgr need no case of their own.
    const int weights[4] = {1, 2, 1, 0};
    std::vector<std::uint32_t> sums(std::size_t(plane.width));
    for (int by = 0; by < plane.height; ++by) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int y0 = by * factor, y1 = std::min(height, y0 + factor);
        for (int y = y0; y < y1; ++y) {
            const int row = picture.GetRowOrder() == TopDown ? y : height - 1 - y;
            const std::uint8_t* pixel = picture.Rows()[row];
            for (int bx = 0; bx < plane.width; ++bx) {
                const int count = std::min(factor, width - bx * factor);
                std::uint32_t sum = 0;
                if (channels == 1)
                    for (int k = 0; k < count; ++k, ++pixel)
                        sum += pixel[0] * 4u;
                else
                    for (int k = 0; k < count; ++k, pixel += channels)
                        sum += pixel[0] * weights[0] + pixel[1] * weights[1] + pixel[2] * weights[2];
                sums[std::size_t(bx)] += sum;
            }
        }
        std::uint16_t* out = &plane.values[std::size_t(by) * std::size_t(plane.width)];
        for (int bx = 0; bx < plane.width; ++bx) {
            const int x0 = bx * factor, x1 = std::min(width, x0 + factor);
            const std::uint32_t count = std::uint32_t(4 * (x1 - x0) * (y1 - y0));
            out[bx] = std::uint16_t((sums[std::size_t(bx)] * std::uint32_t(GreyPlane::kUnit) + count / 2) / count);
        }
    }
    return plane;
}

}  // namespace fovella
