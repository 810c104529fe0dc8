#include "codecs/png/Png.h"
#include "codecs/CodecError.h"
#include "codecs/png/PngError.h"
#include "codecs/png/PngMetadata.h"
#include "image/ImageLimits.h"

#include <cstdio>
#include <cstring>

namespace fovella {

namespace {


struct Header {
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    long fileBytes = 0;
};

// Deflate expands its data at most 1032 times.
constexpr std::uint64_t kMaxExpansion = 1032;

// The signature and the IHDR chunk, which must come first: enough to refuse
// a file before libpng allocates its rows.
bool ReadHeader(std::FILE* file, Header& header)
{
    std::uint8_t bytes[8 + 8 + 13];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes || png_sig_cmp(bytes, 0, 8) != 0 ||
        std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return false;
    const auto u32 = [&](int at) {
        return std::uint32_t(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
    };
    header.width = u32(16);
    header.height = u32(20);
    header.bitDepth = bytes[24];
    header.colourType = bytes[25];
    if (std::fseek(file, 0, SEEK_END) != 0 || (header.fileBytes = std::ftell(file)) < 0)
        return false;
    std::rewind(file);
    return true;
}

}  // namespace

bool LoadPng(const std::string& path, Image& image, PhotoMetadata* metadata, std::string* error)
{
    if (metadata)
        *metadata = PhotoMetadata();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return FailWith(error, path, "cannot open the file");
    Header header;
    if (!ReadHeader(file, header)) {
        std::fclose(file);
        return FailWith(error, path, "not a PNG file");
    }
    PixelType pixelType;
    int channels;
    switch (header.colourType) {
    case PNG_COLOR_TYPE_GRAY: pixelType = Gray, channels = 1; break;
    case PNG_COLOR_TYPE_RGB: pixelType = Rgb, channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: pixelType = Rgba, channels = 4; break;
    default:
        std::fclose(file);
        return FailWith(error, path, "colour type " + std::to_string(header.colourType) + " is not read");
    }
    if (header.bitDepth != 8 && header.bitDepth != 16) {
        std::fclose(file);
        return FailWith(error, path, std::to_string(header.bitDepth) + "-bit samples are not read");
    }
    const SampleType sampleType = header.bitDepth == 8 ? SampleU8 : SampleU16;
    const int pixelBytes = channels * header.bitDepth / 8;
    if (!FitsImageLimit(header.width, header.height, pixelBytes)) {
        std::fclose(file);
        return FailWith(error, path, "picture of " + std::to_string(header.width) + " x " +
                                     std::to_string(header.height) +
                                     " pixels is larger than this program accepts");
    }

    // Every row is a filter byte and the row's bytes, deflated.
    const std::uint64_t rawBytes = std::uint64_t(header.height) * (1 + std::uint64_t(header.width) * pixelBytes);
    if (!IsInProportion(rawBytes, std::uint64_t(header.fileBytes), kMaxExpansion)) {
        std::fclose(file);
        return FailWith(error, path, "a file of " + std::to_string(header.fileBytes) +
                                         " bytes cannot hold a picture of " + std::to_string(header.width) +
                                         " x " + std::to_string(header.height) + " pixels");
    }

    png::ErrorState errors{path, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, png::OnError, png::OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::fclose(file);
        return FailWith(error, path, "not enough memory");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return FailWith(error, path, errors.message);
    }
    // The header was checked; the library must agree with what was checked.
    png_set_user_limits(png, header.width, header.height);
    png_init_io(png, file);
    if (metadata)
        png::KeepColourChunks(png);
    png_read_png(png, info, PNG_TRANSFORM_SWAP_ENDIAN, nullptr);
    const int width = int(png_get_image_width(png, info));
    const int height = int(png_get_image_height(png, info));
    if (!image.Create(width, height, pixelType, sampleType, BottomUp)) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return FailWith(error, path, "the picture's format cannot be held here, or memory ran out");
    }
    png_bytepp rows = png_get_rows(png, info);
    const std::size_t rowBytes = std::size_t(width) * std::size_t(pixelBytes);
    for (int i = 0; i < height; ++i)
        std::memcpy(image.Rows()[i], rows[height - 1 - i], rowBytes);
    if (metadata)
        png::GetMetadata(png, info, *metadata);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

}  // namespace fovella
