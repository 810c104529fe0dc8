#include "codecs/png/Png.h"
#include "codecs/CodecError.h"
#include "codecs/png/PngError.h"
#include "codecs/png/PngMetadata.h"
#include "image/ImageLimits.h"

#include <cstdio>
#include <cstring>
#include <memory>

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

// What the file is, as a user would call it: "a 16-bit colour PNG with
// transparency", "a palette PNG".
std::string Described(const Header& header)
{
    const char* kind = "";
    switch (header.colourType) {
    case PNG_COLOR_TYPE_GRAY: kind = "grey PNG"; break;
    case PNG_COLOR_TYPE_RGB: kind = "colour PNG"; break;
    case PNG_COLOR_TYPE_PALETTE: return "a palette PNG";
    case PNG_COLOR_TYPE_GRAY_ALPHA: kind = "grey PNG with transparency"; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: kind = "colour PNG with transparency"; break;
    default: return "a PNG of colour type " + std::to_string(header.colourType);
    }
    return (header.bitDepth == 8 ? "an " : "a ") + std::to_string(header.bitDepth) + "-bit " + kind;
}

// What the header says the picture is, checked against what the reader
// takes and against the file's size.
struct Picture {
    PixelType pixelType = Rgb;
    SampleType sampleType = SampleU8;
    int pixelBytes = 0;
};

bool CheckHeader(const Header& header, Picture& picture, std::string& reason)
{
    int channels = 0;
    switch (header.colourType) {
    case PNG_COLOR_TYPE_GRAY: picture.pixelType = Gray, channels = 1; break;
    case PNG_COLOR_TYPE_RGB: picture.pixelType = Rgb, channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: picture.pixelType = Rgba, channels = 4; break;
    default: reason = Described(header) + ", which is not read"; return false;
    }
    if (header.bitDepth != 8 && header.bitDepth != 16) {
        reason = Described(header) + ", which is not read";
        return false;
    }
    picture.sampleType = header.bitDepth == 8 ? SampleU8 : SampleU16;
    picture.pixelBytes = channels * header.bitDepth / 8;
    if (!FitsImageLimit(header.width, header.height, picture.pixelBytes)) {
        reason = "picture of " + std::to_string(header.width) + " x " + std::to_string(header.height) +
                 " pixels is larger than this program accepts";
        return false;
    }
    // Every row is a filter byte and the row's bytes, deflated.
    const std::uint64_t rawBytes =
        std::uint64_t(header.height) * (1 + std::uint64_t(header.width) * picture.pixelBytes);
    if (!IsInProportion(rawBytes, std::uint64_t(header.fileBytes), kMaxExpansion)) {
        reason = "a file of " + std::to_string(header.fileBytes) + " bytes cannot hold a picture of " +
                 std::to_string(header.width) + " x " + std::to_string(header.height) + " pixels";
        return false;
    }
    return true;
}

// The chunks up to the picture data, where writers put the profile and
// the XMP packet; what follows the picture is not looked for. A chunk the
// library refuses leaves the metadata empty: the size stands.
void ReadMetadataBeforePicture(const std::string& path, std::FILE* file, PhotoMetadata& metadata)
{
    png::ErrorState errors{path, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, png::OnError, png::OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        metadata = PhotoMetadata();
        return;
    }
    png_init_io(png, file);
    png::KeepColourChunks(png);
    png_read_info(png, info);
    png::GetMetadata(png, info, metadata);
    png_destroy_read_struct(&png, &info, nullptr);
}

}  // namespace

bool ReadPngSize(const std::string& path, int& width, int& height, PhotoMetadata* metadata, std::string* error)
{
    if (metadata)
        *metadata = PhotoMetadata();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return FailWith(error, path, "cannot open the file");
    Header header;
    if (!ReadHeader(file.get(), header))
        return FailWith(error, path, "not a PNG file");
    Picture picture;
    std::string reason;
    if (!CheckHeader(header, picture, reason))
        return FailWith(error, path, reason);
    width = int(header.width);
    height = int(header.height);
    if (metadata && std::fseek(file.get(), 0, SEEK_SET) == 0)
        ReadMetadataBeforePicture(path, file.get(), *metadata);
    return true;
}

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
    Picture picture;
    std::string reason;
    if (!CheckHeader(header, picture, reason)) {
        std::fclose(file);
        return FailWith(error, path, reason);
    }
    const PixelType pixelType = picture.pixelType;
    const SampleType sampleType = picture.sampleType;
    const int pixelBytes = picture.pixelBytes;

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
        // A single pixel of the same kind tells a kind the image cannot hold
        // (a display picture takes 8-bit grey and colour only) from memory.
        if (!image.Create(1, 1, pixelType, sampleType, BottomUp))
            return FailWith(error, path, Described(header) + ", which cannot be held here");
        return FailWith(error, path, "not enough memory for a picture of " + std::to_string(width) + " x " +
                                         std::to_string(height) + " pixels");
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
