#include "image/PixelConverter.h"

#include "image/MemoryImage.h"

#include <utility>

namespace fovella {

bool PixelConverter::ApplyInPlace(Image& image) const
{
    MemoryImage converted;
    if (!Convert(image, converted))
        return false;
    image = converted;
    return image.IsValid();
}

bool PixelConverter::Convert(const Image& source, Image& destination) const
{
    destination = source;
    return destination.IsValid() && ApplyInPlace(destination);
}

bool RedBlueSwapper::ApplyInPlace(Image& image) const
{
    if (!image.IsValid() || image.BytesPerPixel() < 3)
        return false;
    const std::size_t step = std::size_t(image.BytesPerPixel());
    const std::size_t bytes = std::size_t(image.Width()) * step;
    for (int y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.Rows()[y];
        for (std::size_t x = 0; x < bytes; x += step)
            std::swap(row[x], row[x + 2]);
    }
    return true;
}

bool GrayToRgbConverter::Convert(const Image& source, Image& destination) const
{
    if (!source.IsValid() || source.GetPixelType() != Gray || source.GetSampleType() != SampleU8)
        return false;
    if (!destination.Create(source.Width(), source.Height(), Rgb, source.GetSampleType(),
                            source.GetRowOrder()))
        return false;
    for (int y = 0; y < source.Height(); ++y) {
        const std::uint8_t* in = source.Rows()[y];
        std::uint8_t* out = destination.Rows()[y];
        for (int x = 0; x < source.Width(); ++x, out += 3)
            out[0] = out[1] = out[2] = in[x];
    }
    return true;
}

}  // namespace fovella
