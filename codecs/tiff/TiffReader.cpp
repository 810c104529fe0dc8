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

using Tiff = std::unique_ptr<TIFF, TiffCloser>;

// The first directory's numbers, checked as the reader needs them.
struct Header {
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 0;
};

bool ReadHeader(TIFF* tiff, Header& header, std::string& reason)
{
    std::uint16_t bits = 1, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &header.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &header.height);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &header.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    const std::uint32_t width = header.width, height = header.height;
    const std::uint16_t samples = header.samples;
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        reason = "impossible size";
    else if (samples != 3 && samples != 4)
        reason = std::to_string(samples) + " samples per pixel are not read";
    // Rows of other sample sizes or of separate planes would not fit the
    // image's rows.
    else if (bits != 8)
        reason = std::to_string(bits) + "-bit samples are not read";
    else if (planar != PLANARCONFIG_CONTIG)
        reason = "separate sample planes are not read";
    else if (!FitsImageLimit(width, height, samples))
        reason = "picture larger than this program accepts";
    else if (TIFFScanlineSize64(tiff) != std::uint64_t(width) * samples)
        reason = "rows of an unexpected size";
    else
        return true;
    return false;
}

}  // namespace

bool ReadTiffSize(const std::string& path, int& width, int& height, std::string* error)
{
    const Tiff tiff(TIFFOpen(path.c_str(), "r"));
    if (!tiff)
        return FailWith(error, path, "cannot open the file as TIFF");
    Header header;
    std::string reason;
    if (!ReadHeader(tiff.get(), header, reason))
        return FailWith(error, path, reason);
    width = int(header.width);
    height = int(header.height);
    return true;
}

bool LoadTiff(const std::string& path, Image& image, std::string* error)
{
    const Tiff tiff(TIFFOpen(path.c_str(), "r"));
    if (!tiff)
        return FailWith(error, path, "cannot open the file as TIFF");
    Header header;
    std::string reason;
    if (!ReadHeader(tiff.get(), header, reason))
        return FailWith(error, path, reason);
    const std::uint32_t width = header.width, height = header.height;
    const std::uint16_t samples = header.samples;
    if (!image.Create(int(width), int(height), samples == 3 ? Rgb : Rgba, SampleU8, BottomUp))
        return FailWith(error, path, "the picture's format cannot be held here, or memory ran out");
    for (std::uint32_t r = 0; r < height; ++r)
        if (TIFFReadScanline(tiff.get(), image.Rows()[height - 1 - r], r, 0) < 0)
            return FailWith(error, path, "row " + std::to_string(r) + " cannot be read");
    return true;
}

}  // namespace fovella
