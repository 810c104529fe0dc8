#include "codecs/tiff/Tiff.h"
#include "codecs/CodecError.h"
#include "image/ImageLimits.h"

#include <tiffio.h>

#include <memory>

namespace fovella {

namespace {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

}  // namespace

bool LoadTiff(const std::string& path, Image& image, std::string* error)
{
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(path.c_str(), "r"));
    if (!tiff)
        return FailWith(error, path, "cannot open the file as TIFF");
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 0, bits = 1, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return FailWith(error, path, "impossible size");
    if (samples != 3 && samples != 4)
        return FailWith(error, path, std::to_string(samples) + " samples per pixel are not read");
    // Rows of other sample sizes or of separate planes would not fit the
    // image's rows.
    if (bits != 8)
        return FailWith(error, path, std::to_string(bits) + "-bit samples are not read");
    if (planar != PLANARCONFIG_CONTIG)
        return FailWith(error, path, "separate sample planes are not read");
    if (!FitsImageLimit(width, height, samples))
        return FailWith(error, path, "picture larger than this program accepts");
    if (TIFFScanlineSize64(tiff.get()) != std::uint64_t(width) * samples)
        return FailWith(error, path, "rows of an unexpected size");
    if (!image.Create(int(width), int(height), samples == 3 ? Rgb : Rgba, SampleU8, BottomUp))
        return FailWith(error, path, "the picture's format cannot be held here, or memory ran out");
    for (std::uint32_t r = 0; r < height; ++r)
        if (TIFFReadScanline(tiff.get(), image.Rows()[height - 1 - r], r, 0) < 0)
            return FailWith(error, path, "row " + std::to_string(r) + " cannot be read");
    return true;
}

}  // namespace fovella
