#include "lines/GreyPlane.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace fovella {

int LineReductionEighths(int width, int height)
{
    constexpr double kMaxPixels = 1.8e6;
    int eighths = 8;
    while (eighths > 1 && double(width) * eighths / 8 * (double(height) * eighths / 8) > kMaxPixels)
        --eighths;
    return eighths;
}

namespace {

// Adds one row's grey levels, four times over (red and blue once, green
// twice, or grey four times) and `weight` times that, to the sums of its
// columns. The channel count is a constant here, so that the loop
// vectorises.
template <int Channels>
void AddRow(const std::uint8_t* pixel, int width, std::uint32_t weight, std::uint32_t* sums)
{
    for (int x = 0; x < width; ++x, pixel += Channels) {
        if constexpr (Channels == 1)
            sums[x] += pixel[0] * 4u * weight;
        else  // Red and blue weigh alike, so Rgb and Bgr need no case of their own.
            sums[x] += (pixel[0] + pixel[1] * 2u + pixel[2]) * weight;
    }
}

// The pixels of one axis that a reduced pixel covers, and how much of each.
// In units of 1 / eighths of a pixel, reduced pixel o spans [8 o, 8 o + 8)
// and pixel j spans [eighths j, eighths (j + 1)): at most 8 pixels a cover.
struct Cover {
    int first = 0, count = 0;
    std::uint32_t share[8] = {};  // in those units
    std::uint32_t total = 0;      // their sum: 8 but at the border
};

std::vector<Cover> AxisCover(int size, int eighths, int reduced)
{
    std::vector<Cover> covers(static_cast<std::size_t>(reduced));
    for (int o = 0; o < reduced; ++o) {
        Cover& c = covers[std::size_t(o)];
        const int begin = 8 * o, end = begin + 8;
        c.first = begin / eighths;
        for (int j = c.first; j < size && j * eighths < end; ++j) {
            c.share[c.count] = std::uint32_t(std::min(end, (j + 1) * eighths) - std::max(begin, j * eighths));
            c.total += c.share[c.count++];
        }
    }
    return covers;
}

}  // namespace

GreyPlane ReduceToGrey(const Image& picture, int eighths)
{
    GreyPlane plane;
    const PixelType type = picture.GetPixelType();
    if (!picture.IsValid() || picture.GetSampleType() != SampleU8 || eighths < 1 || eighths > 8 ||
        (type != Gray && type != Rgb && type != Bgr && type != Rgba))
        return plane;
    const int width = picture.Width(), height = picture.Height();
    const int channels = picture.BytesPerPixel();
    plane.width = (width * eighths + 7) / 8;
    plane.height = (height * eighths + 7) / 8;
    plane.values.resize(std::size_t(plane.width) * std::size_t(plane.height));
    if (eighths == 8 && channels == 1) {
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
    const std::vector<Cover> across = AxisCover(width, eighths, plane.width);
    const std::vector<Cover> down = AxisCover(height, eighths, plane.height);
    std::vector<std::uint32_t> columns(static_cast<std::size_t>(width));
    for (int by = 0; by < plane.height; ++by) {
        std::fill(columns.begin(), columns.end(), 0u);
        const Cover& rows = down[std::size_t(by)];
        for (int k = 0; k < rows.count; ++k) {
            const int y = rows.first + k;
            const std::uint8_t* row = picture.Rows()[picture.GetRowOrder() == TopDown ? y : height - 1 - y];
            switch (channels) {
            case 1: AddRow<1>(row, width, rows.share[k], columns.data()); break;
            case 3: AddRow<3>(row, width, rows.share[k], columns.data()); break;
            default: AddRow<4>(row, width, rows.share[k], columns.data()); break;
            }
        }
        std::uint16_t* out = &plane.values[std::size_t(by) * std::size_t(plane.width)];
        for (int bx = 0; bx < plane.width; ++bx) {
            const Cover& cells = across[std::size_t(bx)];
            std::uint32_t sum = 0;
            for (int k = 0; k < cells.count; ++k)
                sum += columns[std::size_t(cells.first + k)] * cells.share[k];
            const std::uint32_t count = 4 * cells.total * rows.total;
            out[bx] = std::uint16_t((sum * std::uint32_t(GreyPlane::kUnit) + count / 2) / count);
        }
    }
    return plane;
}

}  // namespace fovella
