#include "image/NearestResize.h"

#include "image/DibImage.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace fovella {

namespace {

// The source index under the centre of resized index k.
int SourceIndex(std::int64_t k, int scaled, int source)
{
    return int((2 * k + 1) * source / (2 * std::int64_t(scaled)));
}

template <int kBytes>
void CopyRow(const std::uint8_t* in, std::uint8_t* out, const std::vector<std::size_t>& offsets)
{
    for (const std::size_t offset : offsets) {
        std::memcpy(out, in + offset, kBytes);
        out += kBytes;
    }
}

void CopyRowOfAnyWidth(const std::uint8_t* in, std::uint8_t* out, const std::vector<std::size_t>& offsets,
                       int bytes)
{
    for (const std::size_t offset : offsets) {
        std::memcpy(out, in + offset, std::size_t(bytes));
        out += bytes;
    }
}

}  // namespace

std::int64_t ScaledSide(int side, double factor)
{
    const double scaled = std::trunc(side * factor);
    if (!(scaled >= 1))
        return 1;
    constexpr double kLargest = double(std::numeric_limits<std::int64_t>::max() / 2);
    return scaled < kLargest ? std::int64_t(scaled) : std::int64_t(kLargest);
}

void CopyScaledRegion(const Image& picture, int scaledWidth, int scaledHeight, int x, int y, int width,
                      int height, std::uint8_t* out, std::ptrdiff_t stride)
{
    const int bytes = picture.BytesPerPixel();
    std::vector<std::size_t> offsets(std::size_t(width > 0 ? width : 0));
    for (int k = 0; k < width; ++k)
        offsets[std::size_t(k)] = std::size_t(SourceIndex(x + k, scaledWidth, picture.Width())) * bytes;
    const bool bottomUp = picture.GetRowOrder() == BottomUp;
    const std::size_t rowBytes = std::size_t(width) * bytes;
    int previousRow = -1;
    for (int k = 0; k < height; ++k, out += stride) {
        const int row = SourceIndex(y + k, scaledHeight, picture.Height());
        if (row == previousRow) {
            // Enlarging repeats a row: copy the one just made.
            std::memcpy(out, out - stride, rowBytes);
            continue;
        }
        previousRow = row;
        const std::uint8_t* in = picture.Rows()[bottomUp ? picture.Height() - 1 - row : row];
        switch (bytes) {
        case 1: CopyRow<1>(in, out, offsets); break;
        case 3: CopyRow<3>(in, out, offsets); break;
        case 4: CopyRow<4>(in, out, offsets); break;
        default: CopyRowOfAnyWidth(in, out, offsets, bytes); break;
        }
    }
}

bool DibImage::ScaledCopyTo(int width, int height, DibImage& destination) const
{
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    if (!IsValid() || !destination.Create(width, height, GetPixelType(), GetSampleType(), GetRowOrder()))
        return true;
    // The destination's top picture row, and the step to the row below it.
    const bool bottomUp = GetRowOrder() == BottomUp;
    std::uint8_t* top = destination.Rows()[bottomUp ? height - 1 : 0];
    const auto stride = std::ptrdiff_t(destination.RowBytes());
    CopyScaledRegion(*this, width, height, 0, 0, width, height, top, bottomUp ? -stride : stride);
    return true;
}

bool DibImage::ScaleBy(double factor, DibImage& destination) const
{
    const auto side = [factor](int length) {
        const std::int64_t scaled = ScaledSide(length, factor);
        return scaled < std::numeric_limits<int>::max() ? int(scaled) : std::numeric_limits<int>::max();
    };
    return ScaledCopyTo(side(Width()), side(Height()), destination);
}

}  // namespace fovella
