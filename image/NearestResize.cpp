// Resizing by whole pixels, for the zoomed and the preview copies: every
// destination pixel takes the source pixel under its centre, so a picture is
// never blended (and a remap preview shows exactly the pixels it computed).
#include "image/DibImage.h"

#include <cstring>
#include <vector>

namespace fovella {

namespace {

// The source index under the centre of destination index k, in picture
// coordinates (row 0 at the top), so that both row orders give one picture.
std::vector<int> Sources(int destination, int source)
{
    std::vector<int> map(static_cast<std::size_t>(destination));
    for (int k = 0; k < destination; ++k)
        map[std::size_t(k)] = int((2 * std::int64_t(k) + 1) * source / (2 * std::int64_t(destination)));
    return map;
}

template <int kBytes>
void CopyRow(const std::uint8_t* in, std::uint8_t* out, const std::vector<int>& columns)
{
    for (const int x : columns) {
        std::memcpy(out, in + std::size_t(x) * kBytes, kBytes);
        out += kBytes;
    }
}

}  // namespace

bool DibImage::ScaledCopyTo(int width, int height, DibImage& destination) const
{
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    if (!IsValid() || !destination.Create(width, height, GetPixelType(), GetSampleType(), GetRowOrder()))
        return true;
    const std::vector<int> columns = Sources(width, Width());
    const std::vector<int> rows = Sources(height, Height());
    const bool bottomUp = GetRowOrder() == BottomUp;
    const int bytes = BytesPerPixel();
    for (int y = 0; y < height; ++y) {
        // Picture row y of the destination; its index in each row table.
        const int sourceRow = rows[std::size_t(y)];
        const std::uint8_t* in = Rows()[bottomUp ? Height() - 1 - sourceRow : sourceRow];
        std::uint8_t* out = destination.Rows()[bottomUp ? height - 1 - y : y];
        if (y > 0 && sourceRow == rows[std::size_t(y) - 1]) {
            // A repeated row: copy the one just made.
            std::memcpy(out, destination.Rows()[bottomUp ? height - y : y - 1], std::size_t(width) * bytes);
            continue;
        }
        if (bytes == 3)
            CopyRow<3>(in, out, columns);
        else
            CopyRow<1>(in, out, columns);
    }
    return true;
}

bool DibImage::ScaleBy(double factor, DibImage& destination) const
{
    return ScaledCopyTo(int(Width() * factor), int(Height() * factor), destination);
}

}  // namespace fovella
