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

}  // namespace

bool LoadPcx(const std::string& path, Image& image, std::string* error)
{
    MemoryFile file;
    std::string reason;
    if (!file.Load(path, kMaxFileBytes, kHeaderSize, reason))
        return FailWith(error, path, reason);
    const int width = std::int16_t(file.U16(kXMaxOffset)) + 1;
    const int height = std::int16_t(file.U16(kYMaxOffset)) + 1;
    const int planes = *file.At(kPlanesOffset);
    const int bits = *file.At(kBitsOffset);
    const int bytesPerLine = std::int16_t(file.U16(kBytesPerLineOffset));
    if (planes != kPlanes || bits != 8)
        return FailWith(error, path, std::to_string(planes) + " planes of " + std::to_string(bits) +
                                     " bits; only three 8-bit planes are read");
    if (width < 1 || height < 1)
        return FailWith(error, path, "impossible size");
    if (bytesPerLine < width)
        return FailWith(error, path, "plane lines shorter than the picture");
    if (!FitsImageLimit(width, height, 3))
        return FailWith(error, path, "picture larger than this program accepts");
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
