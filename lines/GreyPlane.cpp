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

namespace {

// Adds one row's grey levels, four times over (red and blue once, green
// twice, or grey four times), to the sums of its columns. The channel count
// is a constant here, so that the loop vectorises.
template <int Channels>
void AddRow(const std::uint8_t* pixel, int width, std::uint32_t* sums)
{
    for (int x = 0; x < width; ++x, pixel += Channels) {
        if constexpr (Channels == 1)
            sums[x] += pixel[0] * 4u;
        else  // Red and blue weigh alike, so Rgb and Bgr need no case of their own.
            sums[x] += pixel[0] + pixel[1] * 2u + pixel[2];
    }
}

}  // namespace

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
    if (factor == 1 && channels == 1) {
        // One grey level a pixel, as a JPEG's luma reduced by the DCT comes:
        // only the unit to apply.
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = picture.Rows()[picture.GetRowOrder() == TopDown ? y : height - 1 - y];
            std::uint16_t* out = &plane.values[std::size_t(y) * std::size_t(width)];
            for (int x = 0; x < width; ++x)
                out[x] = std::uint16_t(row[x] * std::uint16_t(GreyPlane::kUnit));
        }
        return plane;
    }
    std::vector<std::uint32_t> columns(static_cast<std::size_t>(width));
    for (int by = 0; by < plane.height; ++by) {
        std::fill(columns.begin(), columns.end(), 0u);
        const int y0 = by * factor, y1 = std::min(height, y0 + factor);
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* row = picture.Rows()[picture.GetRowOrder() == TopDown ? y : height - 1 - y];
            switch (channels) {
            case 1: AddRow<1>(row, width, columns.data()); break;
            case 3: AddRow<3>(row, width, columns.data()); break;
            default: AddRow<4>(row, width, columns.data()); break;
            }
        }
        std::uint16_t* out = &plane.values[std::size_t(by) * std::size_t(plane.width)];
        for (int bx = 0; bx < plane.width; ++bx) {
            const int x0 = bx * factor, x1 = std::min(width, x0 + factor);
            std::uint32_t sum = 0;
            for (int x = x0; x < x1; ++x)
                sum += columns[std::size_t(x)];
            const std::uint32_t count = std::uint32_t(4 * (x1 - x0) * (y1 - y0));
            out[bx] = std::uint16_t((sum * std::uint32_t(GreyPlane::kUnit) + count / 2) / count);
        }
    }
    return plane;
}

}  // namespace fovella
