#include "codecs/png/Png.h"
#include "codecs/CodecError.h"
#include "codecs/png/PngError.h"
#include "codecs/png/PngMetadata.h"
#include "fs/FileReplacement.h"

#include <new>
#include <vector>

namespace fovella {

bool SavePng(const std::string& path, const Image& image, const PhotoMetadata* metadata, std::string* error)
{
    FileReplacement out(path);
    return WritePng(out, path, image, metadata, error) && CommitOrFail(out, error);
}

bool WritePng(FileReplacement& out, const std::string& path, const Image& image, const PhotoMetadata* metadata,
              std::string* error)
{
    int colourType;
    switch (image.GetPixelType()) {
    case Gray: colourType = PNG_COLOR_TYPE_GRAY; break;
    case Rgb: colourType = PNG_COLOR_TYPE_RGB; break;
    case Rgba: colourType = PNG_COLOR_TYPE_RGB_ALPHA; break;
    default: return FailWith(error, path, "only grey, RGB and RGBA pictures can be saved as PNG");
    }
    const SampleType sampleType = image.GetSampleType();
    if (!image.IsValid() || (sampleType != SampleU8 && sampleType != SampleU16))
        return FailWith(error, path, "only 8 and 16-bit pictures can be saved as PNG");

    // The picture's rows, top row first, handed to the library as they are.
    std::vector<png_bytep> rows;
    try {
        rows.resize(std::size_t(image.Height()));
    } catch (const std::bad_alloc&) {
        return FailWith(error, path, "not enough memory to save the picture");
    }
    for (int k = 0, height = image.Height(); k < height; ++k)
        rows[k] = const_cast<png_bytep>(image.Rows()[image.GetRowOrder() == TopDown ? k : height - 1 - k]);

    if (!out.Open()) {
        if (error)
            *error = out.Error();
        return false;
    }
    png::ErrorState errors{path, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, png::OnError, png::OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        out.Discard();
        return FailWith(error, path, "not enough memory");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        out.Discard();
        return FailWith(error, path, errors.message);
    }
    png_init_io(png, out.Stream());
    png_set_compression_level(png, 9);
    png_set_compression_mem_level(png, 8);
    png_set_compression_strategy(png, 0);
    png_set_compression_window_bits(png, 15);
    png_set_compression_method(png, 8);
    png_set_compression_buffer_size(png, 8192);
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()),
                 sampleType == SampleU8 ? 8 : 16, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (metadata)
        png::SetMetadata(png, info, *metadata);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_SWAP_ENDIAN, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace fovella
