#include "image/ShownRegion.h"

namespace fovella {

bool ShownRegion::Make(const Image& picture, const Orientation& orientation, int shownWidth, int shownHeight,
                       const PixelRect& region, DibImage& out)
{
    const PixelType type = picture.GetPixelType();
    if (!out.Create(region.width, region.height, type, SampleU8, TopDown))
        return false;
    // The stored picture resized is the shown one with its sides swapped
    // back; the region's pixels come from the matching stored rectangle.
    const PixelSize scaled = DisplayedSize(orientation, shownWidth, shownHeight);
    const PixelRect stored = StoredRect(orientation, region, scaled.width, scaled.height);
    const bool turned = orientation.swapsAxes || orientation.mirrorsX || orientation.mirrorsY;
    DibImage& target = turned ? m_stored : out;
    if (turned && !m_stored.Create(stored.width, stored.height, type, SampleU8, TopDown))
        return false;
    const auto stride = std::ptrdiff_t(target.RowBytes());
    m_resizer.CopyRegion(picture, scaled.width, scaled.height, stored.x, stored.y, stored.width, stored.height,
                         target.Rows()[0], stride);
    if (turned)
        CopyTurned(orientation, m_stored.Rows()[0], stride, stored.width, stored.height, picture.BytesPerPixel(),
                   out.Rows()[0], std::ptrdiff_t(out.RowBytes()));
    return true;
}

}  // namespace fovella
