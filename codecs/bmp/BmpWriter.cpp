#include "codecs/bmp/Bmp.h"
#include "codecs/CodecError.h"
#include "codecs/bmp/BmpFormat.h"
#include "fs/FileReplacement.h"

#include <cstring>
#include <new>
#include <vector>

namespace fovella {

namespace {

using namespace bmp;

// A size as the headers' 32 bits hold it; 0 (unknown, which readers allow)
// for a file of 4 GiB or more.
std::uint32_t HeaderSize(std::size_t bytes) { return bytes <= 0xFFFFFFFFu ? std::uint32_t(bytes) : 0; }

// `header` holds 54 zero bytes. Peers check the sizes against the file.
void FillHeaders(std::uint8_t* header, const Image& image, std::size_t pixelBytes)
{
    header[kSignatureOffset] = 'B';
    header[kSignatureOffset + 1] = 'M';
    WriteU32(header + kFileSizeOffset, HeaderSize(kPixelDataOffset + pixelBytes));
    WriteU32(header + kDataOffsetOffset, kPixelDataOffset);
    std::uint8_t* info = header + kFileHeaderSize;
    WriteU32(info + kInfoSizeOffset, kInfoHeaderSize);
    WriteU32(info + kWidthOffset, std::uint32_t(image.Width()));
    WriteU32(info + kHeightOffset, std::uint32_t(image.Height()));
    WriteU16(info + kPlanesOffset, 1);
    WriteU16(info + kBitCountOffset, 24);
    WriteU32(info + kImageSizeOffset, HeaderSize(pixelBytes));
}

// The file's rows bottom row first, blue-green-red, padding bytes zero.
void FillPixels(std::uint8_t* pixels, std::size_t stride, const Image& image)
{
    const int height = image.Height();
    const std::size_t rowBytes = std::size_t(image.Width()) * 3;
    const bool swapRedBlue = image.GetPixelType() == Rgb;
    for (int k = 0; k < height; ++k) {
        const int row = image.GetRowOrder() == TopDown ? height - 1 - k : k;
        const std::uint8_t* in = image.Rows()[row];
        std::uint8_t* out = pixels + std::size_t(k) * stride;
        if (swapRedBlue) {
            for (std::size_t x = 0; x < rowBytes; x += 3) {
                out[x + 0] = in[x + 2];
                out[x + 1] = in[x + 1];
                out[x + 2] = in[x + 0];
            }
        } else {
            std::memcpy(out, in, rowBytes);
        }
        std::memset(out + rowBytes, 0, stride - rowBytes);
    }
}

}  // namespace

bool SaveBmp(const std::string& path, const Image& image, std::string* error)
{
    FileReplacement out(path);
    return WriteBmp(out, path, image, error) && CommitOrFail(out, error);
}

bool WriteBmp(FileReplacement& out, const std::string& path, const Image& image, std::string* error)
{
    if (!image.IsValid())
        return FailWith(error, path, "no picture to save");
    if ((image.GetPixelType() != Rgb && image.GetPixelType() != Bgr) ||
        image.GetSampleType() != SampleU8)
        return FailWith(error, path, "only 8-bit RGB pictures can be saved as BMP");

    const std::size_t stride = std::size_t(RowStride(std::uint64_t(image.Width()), 24));
    const std::size_t pixelBytes = CheckedImageBytes(stride, std::size_t(image.Height()));
    std::vector<std::uint8_t> file;
    try {
        file.resize(kPixelDataOffset + pixelBytes);
    } catch (const std::bad_alloc&) {
        return FailWith(error, path, "not enough memory to save the picture");
    }
    FillHeaders(file.data(), image, pixelBytes);
    FillPixels(file.data() + kPixelDataOffset, stride, image);

    if (out.Open() && out.Write(file.data(), file.size()))
        return true;
    if (error)
        *error = out.Error();
    return false;
}

}  // namespace fovella
