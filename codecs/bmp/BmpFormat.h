// On-disk layout of the bitmap files this codec reads and writes. All
// numbers are little-endian and assembled byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fovella::bmp {

// File header, 14 bytes at offset 0.
inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::size_t kSignatureOffset = 0;   // 'B' 'M'
inline constexpr std::size_t kFileSizeOffset = 2;    // u32, ignored on reading; written as the file's size
inline constexpr std::size_t kDataOffsetOffset = 10; // u32, start of the pixel rows

// Information header, 40 bytes at offset 14; offsets relative to its start.
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::size_t kInfoSizeOffset = 0;     // u32, must be 40
inline constexpr std::size_t kWidthOffset = 4;        // s32
inline constexpr std::size_t kHeightOffset = 8;       // s32, negative: top-down rows
inline constexpr std::size_t kPlanesOffset = 12;      // u16, ignored; written 1
inline constexpr std::size_t kBitCountOffset = 14;    // u16: 1, 4, 8 or 24
inline constexpr std::size_t kCompressionOffset = 16; // u32, 0 = none
inline constexpr std::size_t kImageSizeOffset = 20;   // u32, bytes of pixel rows; written
inline constexpr std::size_t kColorsUsedOffset = 32;  // u32, palette entries; 0 = 2^bits

// Pixel rows of a 24-bit file start right after the two headers.
inline constexpr std::size_t kPixelDataOffset = kFileHeaderSize + kInfoHeaderSize;  // 54
// Palette entries: blue, green, red, reserved.
inline constexpr std::size_t kPaletteEntrySize = 4;
inline constexpr int kPaletteCapacity = 256;

inline std::uint32_t ReadU16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

inline std::uint32_t ReadU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline std::int32_t ReadS32(const std::uint8_t* p) { return static_cast<std::int32_t>(ReadU32(p)); }

inline void WriteU16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

inline void WriteU32(std::uint8_t* p, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        p[k] = std::uint8_t(v >> (8 * k));
}

// Bytes per file row: the packed pixels rounded up to a multiple of 4.
inline std::uint64_t RowStride(std::uint64_t width, unsigned bits)
{
    return ((width * bits + 7) / 8 + 3) & ~std::uint64_t(3);
}

}  // namespace fovella::bmp
