#include "codecs/png/PngMetadata.h"

#include <cstring>
#include <string>

namespace fovella::png {

namespace {

constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";
// Any name will do; readers go by the profile's bytes.
constexpr char kProfileName[] = "ICC profile";
const png_byte kColourChunks[] = "sRGB\0gAMA\0cHRM";

std::uint32_t U32(const png_byte* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void PutU32(std::vector<png_byte>& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(png_byte(value >> shift));
}

}  // namespace

void KeepColourChunks(png_structp png)
{
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kColourChunks, 3);
}

void GetMetadata(png_structp png, png_infop info, PhotoMetadata& metadata)
{
    metadata = PhotoMetadata();
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) && profile)
        metadata.iccProfile.assign(profile, profile + length);

    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    for (int k = 0; k < count; ++k)
        if (std::strcmp(texts[k].key, kXmpKeyword) == 0 && texts[k].text && metadata.xmp.empty())
            metadata.xmp = texts[k].text;

    png_unknown_chunkp chunks = nullptr;
    const int unknown = png_get_unknown_chunks(png, info, &chunks);
    for (int k = 0; k < unknown; ++k) {
        const png_unknown_chunk& chunk = chunks[k];
        const char* type = reinterpret_cast<const char*>(chunk.name);
        // Chunks of the wrong size are left out, as libpng would leave them.
        if (std::memcmp(type, "sRGB", 4) == 0 && chunk.size == 1)
            metadata.srgbIntent = chunk.data[0];
        else if (std::memcmp(type, "gAMA", 4) == 0 && chunk.size == 4)
            metadata.gamma = U32(chunk.data);
        else if (std::memcmp(type, "cHRM", 4) == 0 && chunk.size == 32) {
            std::array<std::uint32_t, 8> points;
            for (int i = 0; i < 8; ++i)
                points[i] = U32(chunk.data + 4 * i);
            metadata.chromaticities = points;
        }
    }
}

void SetMetadata(png_structp png, png_infop info, const PhotoMetadata& metadata)
{
    // A profile that libpng refuses for this picture (a grey one for colour,
    // one whose header is damaged) is left out with a warning, not the
    // whole file with an error.
    png_set_benign_errors(png, 1);
    if (!metadata.iccProfile.empty())
        png_set_iCCP(png, info, kProfileName, PNG_COMPRESSION_TYPE_BASE, metadata.iccProfile.data(),
                     png_uint_32(metadata.iccProfile.size()));

    // libpng copies the chunks' data: the buffers may go with this call.
    std::vector<png_byte> srgb, gamma, chromaticities;
    std::vector<png_unknown_chunk> chunks;
    const auto add = [&](const char* type, std::vector<png_byte>& data) {
        png_unknown_chunk chunk{};
        std::memcpy(chunk.name, type, 5);
        chunk.data = data.data();
        chunk.size = data.size();
        chunk.location = PNG_HAVE_IHDR;
        chunks.push_back(chunk);
    };
    if (metadata.srgbIntent) {
        srgb.push_back(*metadata.srgbIntent);
        add("sRGB", srgb);
    }
    if (metadata.gamma) {
        PutU32(gamma, *metadata.gamma);
        add("gAMA", gamma);
    }
    if (metadata.chromaticities) {
        for (const std::uint32_t point : *metadata.chromaticities)
            PutU32(chromaticities, point);
        add("cHRM", chromaticities);
    }
    if (!chunks.empty()) {
        KeepColourChunks(png);
        png_set_unknown_chunks(png, info, chunks.data(), int(chunks.size()));
    }

    if (!metadata.xmp.empty()) {
        png_text text{};
        text.compression = PNG_ITXT_COMPRESSION_NONE;
        text.key = const_cast<png_charp>(kXmpKeyword);
        text.text = const_cast<png_charp>(metadata.xmp.c_str());
        text.itxt_length = metadata.xmp.size();
        png_set_text(png, info, &text, 1);
    }
}

}  // namespace fovella::png
