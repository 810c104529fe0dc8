// TGA: an 18-byte header, the image-ID field, the colour map (if any), then
// the pixels in blue, green, red (, alpha) order, row by row starting at the
// corner that the descriptor's origin bits name; type 10 codes them in
// packets whose header byte, if its top bit is set, repeats one pixel
// (low 7 bits + 1) times, and otherwise introduces that many literal pixels.
#include "codecs/tga/Tga.h"
#include "codecs/CodecError.h"
#include "codecs/MemoryFile.h"
#include "image/ImageLimits.h"

namespace fovella {

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kIdLengthOffset = 0;      // u8
constexpr std::size_t kColourMapTypeOffset = 1; // u8, 0 or 1
constexpr std::size_t kImageTypeOffset = 2;     // u8
constexpr std::size_t kMapLengthOffset = 5;     // u16 entries
constexpr std::size_t kMapEntryBitsOffset = 7;  // u8
constexpr std::size_t kWidthOffset = 12;        // u16
constexpr std::size_t kHeightOffset = 14;       // u16
constexpr std::size_t kDepthOffset = 16;        // u8 bits per pixel
constexpr std::size_t kDescriptorOffset = 17;   // bit 4: right to left, bit 5: top to bottom
constexpr std::uint8_t kUncompressedTrueColour = 2;
constexpr std::uint8_t kRunLengthTrueColour = 10;
constexpr std::size_t kMaxFileBytes = std::size_t(1) << 30;

// The header's numbers, checked as the reader needs them.
struct Header {
    std::uint8_t type = 0;
    int depth = 0, width = 0, height = 0;
    bool rightToLeft = false, topToBottom = false;
    std::size_t pixelsStart = 0;  // after the image-ID field and any colour map
};

bool ReadHeader(const MemoryFile& file, Header& header, std::string& reason)
{
    header.type = *file.At(kImageTypeOffset);
    header.depth = *file.At(kDepthOffset);
    header.width = file.U16(kWidthOffset);
    header.height = file.U16(kHeightOffset);
    const std::uint8_t descriptor = *file.At(kDescriptorOffset);
    header.rightToLeft = descriptor & 0x10;
    header.topToBottom = descriptor & 0x20;
    header.pixelsStart = kHeaderSize + *file.At(kIdLengthOffset);
    if (*file.At(kColourMapTypeOffset) == 1)
        header.pixelsStart += std::size_t(file.U16(kMapLengthOffset)) * ((*file.At(kMapEntryBitsOffset) + 7) / 8);
    if (header.type != kUncompressedTrueColour && header.type != kRunLengthTrueColour)
        reason = "image type " + std::to_string(header.type) + " is not read";
    else if (header.depth != 24 && header.depth != 32)
        reason = std::to_string(header.depth) + "-bit pixels are not read";
    else if (header.width < 1 || header.height < 1)
        reason = "impossible size";
    else if (!FitsImageLimit(header.width, header.height, 3))
        reason = "picture larger than this program accepts";
    else
        return true;
    return false;
}

}  // namespace

bool ReadTgaSize(const std::string& path, int& width, int& height, std::string* error)
{
    MemoryFile file;
    Header header;
    std::string reason;
    if (!file.LoadHeader(path, kHeaderSize, reason) || !ReadHeader(file, header, reason))
        return FailWith(error, path, reason);
    width = header.width;
    height = header.height;
    return true;
}

bool LoadTga(const std::string& path, Image& image, std::string* error)
{
    MemoryFile file;
    Header header;
    std::string reason;
    if (!file.Load(path, kMaxFileBytes, kHeaderSize, reason) || !ReadHeader(file, header, reason))
        return FailWith(error, path, reason);
    const std::uint8_t type = header.type;
    const int depth = header.depth, width = header.width, height = header.height;
    const bool rightToLeft = header.rightToLeft, topToBottom = header.topToBottom;
    std::size_t at = header.pixelsStart;
    const std::size_t pixelBytes = std::size_t(depth) / 8;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    // The least data that can hold the pixels: raw, or packets of 128.
    const std::size_t leastData = type == kUncompressedTrueColour
                                      ? pixels * pixelBytes
                                      : (pixels + 127) / 128 * (1 + pixelBytes);
    if (!file.Has(at, leastData))
        return FailWith(error, path, "file ends inside its pixel data");
    if (!image.Create(width, height, Rgb, SampleU8, BottomUp))
        return FailWith(error, path, "not enough memory for the picture");

    // Pixel n of the file, placed where the origin bits say.
    auto place = [&](std::size_t n, const std::uint8_t* bgr) {
        const int fileRow = int(n / std::size_t(width)), fileColumn = int(n % std::size_t(width));
        const int x = rightToLeft ? width - 1 - fileColumn : fileColumn;
        const int y = topToBottom ? height - 1 - fileRow : fileRow;  // image row 0 is the bottom
        std::uint8_t* out = image.Rows()[y] + 3 * std::size_t(x);
        out[0] = bgr[2];
        out[1] = bgr[1];
        out[2] = bgr[0];
    };
    std::size_t n = 0;
    while (n < pixels) {
        std::size_t count = 1;
        bool run = false;
        if (type == kRunLengthTrueColour) {
            if (!file.Has(at, 1))
                return FailWith(error, path, "file ends inside its pixel data");
            const std::uint8_t packet = *file.At(at++);
            count = (packet & 0x7F) + 1u;
            run = packet & 0x80;
        } else {
            count = pixels;
        }
        if (count > pixels - n)
            count = pixels - n;
        if (!file.Has(at, (run ? 1 : count) * pixelBytes))
            return FailWith(error, path, "file ends inside its pixel data");
        for (std::size_t k = 0; k < count; ++k, ++n)
            place(n, file.At(run ? at : at + k * pixelBytes));
        at += (run ? 1 : count) * pixelBytes;
    }
    return true;
}

}  // namespace fovella
