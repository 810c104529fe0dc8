#include "image/DibImage.h"

#include <limits>

namespace fovella {

DibImage::DibImage() { Create(1, 1, Rgb, SampleU8, BottomUp); }

DibImage::DibImage(const DibImage& other) : DibImage() { *this = other; }

DibImage::DibImage(const Image& other) : DibImage() { *this = other; }

DibImage::~DibImage() { Release(); }

DibImage& DibImage::operator=(const DibImage& other)
{
    Image::operator=(other);
    return *this;
}

bool DibImage::Allocate(int width, int height, PixelType pixelType,
                        SampleType sampleType, RowOrder rowOrder)
{
    if (width < 1 || height < 1)
        return false;
    if (pixelType != Gray && pixelType != Rgb && pixelType != Bgr)
        return false;
    if (rowOrder != TopDown && rowOrder != BottomUp)
        return false;
    if (sampleType != SampleU8)
        return false;
    // DibRowStride works in int: keep 3 * width + 3 inside its range.
    if (width > (std::numeric_limits<int>::max() - 3) / 3)
        return false;
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(width, pixelType));
    const std::size_t bytes = CheckedImageBytes(stride, static_cast<std::size_t>(height));
    if (bytes == 0)
        return false;
    m_bits = AllocateLargeBytes(bytes);
    if (!m_bits)
        return false;
    m_stride = stride;
    if (!SetGeometry(width, height, pixelType, sampleType, rowOrder)) {
        m_bits.reset();
        m_stride = 0;
        return false;
    }
    return true;
}

bool DibImage::BuildRowTable() { return FillRowTable(m_bits.get(), m_stride); }

void DibImage::Release()
{
    m_bits.reset();
    m_stride = 0;
    FreeRowTable();
}

}  // namespace fovella
