#include "image/Image.h"

#include "image/PixelConverter.h"

#include <cstring>
#include <limits>
#include <new>

namespace fovella {

Image::~Image() = default;

bool Image::HasFormat(int width, int height, PixelType pixelType,
                      SampleType sampleType, RowOrder rowOrder) const
{
    return m_valid && m_width == width && m_height == height &&
           m_pixelType == pixelType && m_sampleType == sampleType &&
           m_rowOrder == rowOrder;
}

void Image::Reallocate(int width, int height, PixelType pixelType,
                       SampleType sampleType, RowOrder rowOrder)
{
    if (m_valid)
        Release();
    m_valid = Allocate(width, height, pixelType, sampleType, rowOrder);
}

bool Image::Create(int width, int height, PixelType pixelType,
                   SampleType sampleType, RowOrder rowOrder)
{
    if (!HasFormat(width, height, pixelType, sampleType, rowOrder))
        Reallocate(width, height, pixelType, sampleType, rowOrder);
    return m_valid;
}

bool Image::SetGeometry(int width, int height, PixelType pixelType,
                        SampleType sampleType, RowOrder rowOrder)
{
    m_width = width;
    m_height = height;
    m_pixelType = pixelType;
    m_sampleType = sampleType;
    m_rowOrder = rowOrder;
    return BuildRowTable();
}

bool Image::FillRowTable(std::uint8_t* first, std::size_t stride)
{
    m_rows.reset(new (std::nothrow) std::uint8_t*[static_cast<std::size_t>(m_height)]);
    if (!m_rows)
        return false;
    for (int i = 0; i < m_height; ++i)
        m_rows[i] = first + static_cast<std::size_t>(i) * stride;
    return true;
}

bool Image::CopyFrom(const Image& source)
{
    if (!source.m_valid) {
        // Nothing to copy: the target takes the source's state, not valid.
        if (m_valid)
            Release();
        m_valid = false;
        return false;
    }
    if (!HasFormat(source.m_width, source.m_height, source.m_pixelType,
                   source.m_sampleType, source.m_rowOrder)) {
        Reallocate(source.m_width, source.m_height, source.m_pixelType,
                   source.m_sampleType, source.m_rowOrder);
        if (!m_valid)
            return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(m_width) * BytesPerPixel();
    for (int i = 0; i < m_height; ++i)
        std::memcpy(m_rows[i], source.m_rows[i], bytes);
    return true;
}

Image& Image::operator=(const Image& source)
{
    if (&source != this && source.IsValid())
        CopyFrom(source);
    return *this;
}

bool Image::ApplyConverter(const PixelConverter& converter) { return converter.ApplyInPlace(*this); }

bool Image::ConvertPixelType(PixelType target)
{
    if (m_pixelType == target)
        return true;
    if (!m_valid || m_pixelType == Rgba || target == Rgba)
        return false;
    const bool swapOnly = (m_pixelType == Rgb && target == Bgr) || (m_pixelType == Bgr && target == Rgb);
    if (swapOnly) {
        if (!ApplyConverter(RedBlueSwapper()))
            return false;
    } else if (m_pixelType == Gray && (target == Rgb || target == Bgr)) {
        if (!ApplyConverter(GrayToRgbConverter()))
            return false;
        if (target == Bgr)
            ApplyConverter(RedBlueSwapper());
    } else {
        return false;
    }
    m_pixelType = target;
    return true;
}

std::size_t CheckedImageBytes(std::size_t rowBytes, std::size_t rows)
{
    if (rows != 0 && rowBytes > std::numeric_limits<std::size_t>::max() / rows)
        return 0;
    return rowBytes * rows;
}

}  // namespace fovella
