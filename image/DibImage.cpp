#include "image/DibImage.h"

#include <limits>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace fovella {

namespace {

// Rows start on cache lines; large images on 2 MiB boundaries, so that the
// kernel can back them with huge pages: the remap walks a photograph column
// band by column band, touching many rows at each step, and with 4 KiB
// pages nearly every one of those rows would miss the TLB.
constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::align_val_t AlignmentFor(std::size_t bytes)
{
    return std::align_val_t(bytes >= 2 * kHugePage ? kHugePage : kCacheLine);
}

std::uint8_t* AllocatePixels(std::size_t bytes)
{
    void* block = ::operator new(bytes, AlignmentFor(bytes), std::nothrow);
#ifdef __linux__
    if (block && bytes >= 2 * kHugePage)
        ::madvise(block, bytes & ~(kHugePage - 1), MADV_HUGEPAGE);
#endif
    return static_cast<std::uint8_t*>(block);
}

}  // namespace

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
    m_bits = AllocatePixels(bytes);
    if (!m_bits)
        return false;
    m_stride = stride;
    m_bytes = bytes;
    if (!SetGeometry(width, height, pixelType, sampleType, rowOrder)) {
        FreeBits();
        return false;
    }
    return true;
}

bool DibImage::BuildRowTable() { return FillRowTable(m_bits, m_stride); }

void DibImage::FreeBits()
{
    if (m_bits)
        ::operator delete(m_bits, AlignmentFor(m_bytes));
    m_bits = nullptr;
    m_stride = 0;
    m_bytes = 0;
}

void DibImage::Release()
{
    FreeBits();
    FreeRowTable();
}

}  // namespace fovella
