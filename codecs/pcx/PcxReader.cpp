// PCX: a 128-byte header, then every picture line top first, each line as
// one plane line per colour (red, green, blue), bytes-per-line long, all in
// one run-length code: a byte above 192 repeats the next byte (byte - 192)
// times, any other byte stands for itself.
#include "codecs/pcx/Pcx.h"
#include "codecs/CodecError.h"
#include "codecs/MemoryFile.h"
#include "image/ImageLimits.h"

namespace fovella {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kBitsOffset = 3;           // u8 bits per pixel per plane
constexpr std::size_t kXMaxOffset = 8;           // s16
constexpr std::size_t kYMaxOffset = 10;          // s16
constexpr std::size_t kPlanesOffset = 65;        // u8
constexpr std::size_t kBytesPerLineOffset = 66;  // s16
constexpr int kPlanes = 3;
constexpr std::uint8_t kRunMarker = 192;
constexpr std::size_t kMaxFileBytes = std::size_t(1) << 30;
// Two bytes make a run of at most 63.
constexpr std::uint64_t kMaxExpansion = 32;

// The header's numbers, checked as the reader needs them.
struct Header {
    int width = 0, height = 0, planes = 0, bytesPerLine = 0;
};

bool ReadHeader(const MemoryFile& file, Header& header, std::string& reason)
{
    header.width = std::int16_t(file.U16(kXMaxOffset)) + 1;
    header.height = std::int16_t(file.U16(kYMaxOffset)) + 1;
    header.planes = *file.At(kPlanesOffset);
    const int bits = *file.At(kBitsOffset);
    header.bytesPerLine = std::int16_t(file.U16(kBytesPerLineOffset));
    if (header.planes != kPlanes || bits != 8)
        reason = std::to_string(header.planes) + " planes of " + std::to_string(bits) +
                 " bits; only three 8-bit planes are read";
    else if (header.width < 1 || header.height < 1)
        reason = "impossible size";
    else if (header.bytesPerLine < header.width)
        reason = "plane lines shorter than the picture";
    else if (!FitsImageLimit(header.width, header.height, 3))
        reason = "picture larger than this program accepts";
    else
        return true;
    return false;
}

}  // namespace

bool ReadPcxSize(const std::string& path, int& width, int& height, std::string* error)
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

bool LoadPcx(const std::string& path, Image& image, std::string* error)
{
    MemoryFile file;
    Header header;
    std::string reason;
    if (!file.Load(path, kMaxFileBytes, kHeaderSize, reason) || !ReadHeader(file, header, reason))
        return FailWith(error, path, reason);
    const int width = header.width, height = header.height, planes = header.planes;
    const int bytesPerLine = header.bytesPerLine;
    if (!IsInProportion(std::uint64_t(height) * std::uint64_t(planes) * std::uint64_t(bytesPerLine),
                        file.Size() - kHeaderSize, kMaxExpansion))
        return FailWith(error, path, "file ends inside its pixel data");
    if (!image.Create(width, height, Rgb, SampleU8, BottomUp))
        return FailWith(error, path, "not enough memory for the picture");

    std::size_t at = kHeaderSize;
    const int lineLength = planes * bytesPerLine;
    for (int y = height - 1; y >= 0; --y) {
        std::uint8_t* row = image.Rows()[y];
        // Position in the line's planes, one after the other; a run may go on
        // from one plane into the next, but not past the line's last plane.
        int position = 0;
        while (position < lineLength) {
            if (!file.Has(at, 1))
                return FailWith(error, path, "file ends inside its pixel data");
            const std::uint8_t code = *file.At(at++);
            int count = 1;
            std::uint8_t value = code;
            if (code > kRunMarker) {
                if (!file.Has(at, 1))
                    return FailWith(error, path, "file ends inside its pixel data");
                count = code - kRunMarker;
                value = *file.At(at++);
                const int inPlane = position % bytesPerLine;
                if (inPlane > width) {
                    // Within the padding: skipped whole, nothing carries over.
                    const int planeEnd = position - inPlane + bytesPerLine;
                    position = position + count < planeEnd ? position + count : planeEnd;
                    continue;
                }
            }
            for (; count > 0 && position < lineLength; --count, ++position) {
                const int x = position % bytesPerLine;
                if (x < width)
                    row[3 * std::size_t(x) + position / bytesPerLine] = value;
            }
        }
    }
    return true;
}

}  // namespace fovella
