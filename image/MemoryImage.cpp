#include "image/MemoryImage.h"

namespace fovella {

MemoryImage::MemoryImage() { Create(1, 1, Rgb, SampleU8, BottomUp); }

MemoryImage::MemoryImage(const MemoryImage& other) : MemoryImage() { *this = other; }

MemoryImage::MemoryImage(const Image& other) : MemoryImage() { *this = other; }

MemoryImage::~MemoryImage() { Release(); }

MemoryImage& MemoryImage::operator=(const MemoryImage& other)
{
    Image::operator=(other);
    return *this;
}

std::size_t MemoryImage::RowBytes() const
{
    return static_cast<std::size_t>(Width()) * static_cast<std::size_t>(BytesPerPixel());
}

bool MemoryImage::Allocate(int width, int height, PixelType pixelType,
                           SampleType sampleType, RowOrder rowOrder)
{
    const int pixelBytes = PixelBytes(pixelType, sampleType);
    if (width < 1 || height < 1 || pixelBytes < 0)
        return false;
    if (rowOrder != TopDown && rowOrder != BottomUp)
        return false;
    const std::size_t rowBytes = CheckedImageBytes(static_cast<std::size_t>(width),
                                                   static_cast<std::size_t>(pixelBytes));
    const std::size_t bytes = CheckedImageBytes(rowBytes, static_cast<std::size_t>(height));
    if (bytes == 0)
        return false;
    m_block = AllocateLargeBytes(bytes);
    if (!m_block)
        return false;
    if (!SetGeometry(width, height, pixelType, sampleType, rowOrder)) {
        m_block.reset();
        return false;
    }
    return true;
}

bool MemoryImage::BuildRowTable() { return FillRowTable(m_block.get(), RowBytes()); }

void MemoryImage::Release()
{
    m_block.reset();
    FreeRowTable();
}

}  // namespace fovella
