#include "codecs/PictureSize.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace fovella {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

bool ReadBytes(std::FILE* file, std::uint8_t* bytes, std::size_t count)
{
    return std::fread(bytes, 1, count, file) == count;
}

std::uint32_t BigEndian(const std::uint8_t* p, int bytes)
{
    std::uint32_t value = 0;
    for (int k = 0; k < bytes; ++k)
        value = (value << 8) | p[k];
    return value;
}

std::uint32_t LittleEndian(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// The frame header (SOF0 to SOF15 but for DHT, JPG and DAC) gives the size;
// every marker segment before it is skipped by its length.
bool JpegSize(std::FILE* file, int& width, int& height)
{
    std::uint8_t bytes[8];
    if (!ReadBytes(file, bytes, 2) || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return false;
    for (;;) {
        if (!ReadBytes(file, bytes, 2) || bytes[0] != 0xFF)
            return false;
        const std::uint8_t marker = bytes[1];
        if (marker == 0xFF) {  // fill byte
            std::fseek(file, -1, SEEK_CUR);
            continue;
        }
        if (!ReadBytes(file, bytes, 2))
            return false;
        const std::uint32_t length = BigEndian(bytes, 2);
        if (length < 2)
            return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (!ReadBytes(file, bytes, 5))
                return false;
            height = int(BigEndian(bytes + 1, 2));
            width = int(BigEndian(bytes + 3, 2));
            return width > 0 && height > 0;
        }
        if (std::fseek(file, long(length) - 2, SEEK_CUR) != 0)
            return false;
    }
}

// The IHDR chunk comes first, right after the signature.
bool PngSize(std::FILE* file, int& width, int& height)
{
    std::uint8_t bytes[24];
    if (!ReadBytes(file, bytes, sizeof bytes) || bytes[0] != 0x89 || bytes[1] != 'P' || bytes[12] != 'I' ||
        bytes[13] != 'H' || bytes[14] != 'D' || bytes[15] != 'R')
        return false;
    const std::uint32_t w = BigEndian(bytes + 16, 4), h = BigEndian(bytes + 20, 4);
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return false;
    width = int(w);
    height = int(h);
    return true;
}

// The information header's width and height; a negative height means rows
// stored top-down.
bool BmpSize(std::FILE* file, int& width, int& height)
{
    std::uint8_t bytes[26];
    if (!ReadBytes(file, bytes, sizeof bytes) || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const auto w = std::int32_t(LittleEndian(bytes + 18)), h = std::int32_t(LittleEndian(bytes + 22));
    if (w <= 0 || h == 0 || h == INT32_MIN)
        return false;
    width = w;
    height = h < 0 ? -h : h;
    return true;
}

}  // namespace

bool ReadPictureSize(const std::string& path, ImageFileFormat format, int& width, int& height)
{
    if (format == Unknown)
        format = ImageFile().ClassifyExtension(path);
    const File file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    switch (format) {
    case Jpeg: return JpegSize(file.get(), width, height);
    case Png: return PngSize(file.get(), width, height);
    case Bmp: return BmpSize(file.get(), width, height);
    default: return false;
    }
}

}  // namespace fovella
