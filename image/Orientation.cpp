#include "image/Orientation.h"

#include <cstring>

namespace fovella {

namespace {

// Walks displayed rows; each is one stored row or column, read from
// `first` in steps of `step` bytes.
template <int kBytes>
void CopyRows(const std::uint8_t* first, std::ptrdiff_t rowStep, std::ptrdiff_t step, int width, int height,
              int bytes, std::uint8_t* out, std::ptrdiff_t outStride)
{
    const int size = kBytes ? kBytes : bytes;
    for (int y = 0; y < height; ++y, first += rowStep, out += outStride) {
        const std::uint8_t* in = first;
        std::uint8_t* to = out;
        for (int x = 0; x < width; ++x, in += step, to += size)
            std::memcpy(to, in, std::size_t(size));
    }
}

}  // namespace

Orientation OrientationOf(int tag)
{
    switch (tag) {
    case 2: return {false, true, false};
    case 3: return {false, true, true};
    case 4: return {false, false, true};
    case 5: return {true, false, false};
    case 6: return {true, false, true};
    case 7: return {true, true, true};
    case 8: return {true, true, false};
    default: return {};
    }
}

PixelSize DisplayedSize(const Orientation& orientation, int width, int height)
{
    return orientation.swapsAxes ? PixelSize{height, width} : PixelSize{width, height};
}

PixelPoint StoredPixel(const Orientation& orientation, PixelPoint shown, int width, int height)
{
    PixelPoint stored = orientation.swapsAxes ? PixelPoint{shown.y, shown.x} : shown;
    if (orientation.mirrorsX)
        stored.x = width - 1 - stored.x;
    if (orientation.mirrorsY)
        stored.y = height - 1 - stored.y;
    return stored;
}

PixelPoint ShownPixel(const Orientation& orientation, PixelPoint stored, int width, int height)
{
    if (orientation.mirrorsX)
        stored.x = width - 1 - stored.x;
    if (orientation.mirrorsY)
        stored.y = height - 1 - stored.y;
    return orientation.swapsAxes ? PixelPoint{stored.y, stored.x} : stored;
}

PointF ShownPoint(const Orientation& orientation, PointF stored, int width, int height)
{
    if (orientation.mirrorsX)
        stored.x = width - stored.x;
    if (orientation.mirrorsY)
        stored.y = height - stored.y;
    return orientation.swapsAxes ? PointF{stored.y, stored.x} : stored;
}

PixelRect StoredRect(const Orientation& orientation, const PixelRect& shown, int width, int height)
{
    PixelRect stored =
        orientation.swapsAxes ? PixelRect{shown.y, shown.x, shown.height, shown.width} : shown;
    if (orientation.mirrorsX)
        stored.x = width - stored.x - stored.width;
    if (orientation.mirrorsY)
        stored.y = height - stored.y - stored.height;
    return stored;
}

void CopyTurned(const Orientation& orientation, const std::uint8_t* in, std::ptrdiff_t inStride, int width,
                int height, int bytes, std::uint8_t* out, std::ptrdiff_t outStride)
{
    if (width <= 0 || height <= 0)
        return;
    // The stored pixel shown top-left, and the steps to the right and down.
    const PixelPoint corner = StoredPixel(orientation, {0, 0}, width, height);
    const std::ptrdiff_t across = orientation.mirrorsX ? -bytes : bytes;
    const std::ptrdiff_t down = orientation.mirrorsY ? -inStride : inStride;
    const std::ptrdiff_t step = orientation.swapsAxes ? down : across;
    const std::ptrdiff_t rowStep = orientation.swapsAxes ? across : down;
    const std::uint8_t* first = in + corner.y * inStride + std::ptrdiff_t(corner.x) * bytes;
    const PixelSize shown = DisplayedSize(orientation, width, height);
    switch (bytes) {
    case 1: CopyRows<1>(first, rowStep, step, shown.width, shown.height, 1, out, outStride); break;
    case 3: CopyRows<3>(first, rowStep, step, shown.width, shown.height, 3, out, outStride); break;
    case 4: CopyRows<4>(first, rowStep, step, shown.width, shown.height, 4, out, outStride); break;
    default: CopyRows<0>(first, rowStep, step, shown.width, shown.height, bytes, out, outStride); break;
    }
}

}  // namespace fovella
