#include "apps/fovella-cli/CorrectFile.h"

#include "codecs/ImageFile.h"
#include "exif/ExifReader.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"

#include <cstdio>
#include <sstream>

namespace fovella::cli {

namespace {

const char* FormatName(ImageFileFormat format)
{
    switch (format) {
    case Jpeg: return "JPEG";
    case Bmp: return "BMP";
    case Png: return "PNG";
    case Tiff: return "TIFF";
    case Pcx: return "PCX";
    case Tga: return "TGA";
    default: return "unknown";
    }
}

// The focal length in the block (trimming its UserComment as a save would
// carry it), 0 when there is none. Diagnostics of a damaged block are
// dropped: the user learns that there is no EXIF focal length.
float ExifFocalLength(std::vector<std::uint8_t>& block)
{
    if (block.empty())
        return 0;
    std::ostringstream diagnostics;
    return ReadExif(block.data(), block.size(), diagnostics).FocalLength;
}

}  // namespace

int CorrectFile(const Options& options, std::ostream& errors)
{
    const std::string& input = options.inputs.front();
    ImageFile file;
    const ImageFileFormat outputFormat = file.ClassifyExtension(options.output);
    if (outputFormat != Jpeg && outputFormat != Bmp && outputFormat != Png) {
        errors << "fovella-cli: '" << options.output
               << "': the output must end in .jpg, .jpeg, .bmp or .png\n";
        return 1;
    }
    DibImage source;
    if (!file.Load(input, source, Unknown, KeepExif)) {
        errors << "fovella-cli: cannot read " << file.Error() << "\n";
        return 1;
    }
    std::vector<std::uint8_t> exif;
    file.GetExifBlock(exif);
    const float exifFocal = ExifFocalLength(exif);
    float focal = options.focalMm;
    if (options.focalSource == FocalSource::Exif ||
        (options.focalSource == FocalSource::Auto && exifFocal > 0))
        focal = exifFocal;
    if (!(focal > 0)) {
        errors << "fovella-cli: '" << input << "': "
               << (options.focalSource == FocalSource::Exif
                       ? "no focal length in the file's EXIF block"
                       : "no focal length in the file's EXIF block; give one with -f MM")
               << "\n";
        return 1;
    }
    const double m = PixelScale(focal, source.Width(), source.Height(), options.fineTune);
    DibImage corrected;
    if (!LensModel().Undistort(source, corrected, m)) {
        errors << "fovella-cli: cannot correct '" << input << "' with the scale " << m << "\n";
        return 1;
    }
    // A JPEG holds colour only; grey pictures are written as colour.
    if (outputFormat == Jpeg && !corrected.ConvertPixelType(Rgb)) {
        errors << "fovella-cli: '" << input << "': not enough memory\n";
        return 1;
    }
    file.SetExifBlock(exif);
    if (!file.Save(options.output, corrected, outputFormat, options.quality, outputFormat == Jpeg)) {
        errors << "fovella-cli: cannot save " << file.Error() << "\n";
        return 1;
    }
    return 0;
}

int DescribeFiles(const Options& options, std::ostream& out, std::ostream& errors)
{
    int status = 0;
    for (const std::string& path : options.inputs) {
        ImageFile file;
        DibImage image;
        if (!file.Load(path, image, Unknown, KeepExif)) {
            errors << "fovella-cli: cannot read " << file.Error() << "\n";
            status = 1;
            continue;
        }
        std::vector<std::uint8_t> exif;
        file.GetExifBlock(exif);
        const float focal = ExifFocalLength(exif);
        char focalText[64];
        if (focal > 0)
            std::snprintf(focalText, sizeof focalText, "EXIF focal length: %.3f mm", double(focal));
        else
            std::snprintf(focalText, sizeof focalText, "EXIF focal length: none");
        out << path << ": " << image.Width() << " x " << image.Height() << ", "
            << FormatName(file.ClassifyExtension(path)) << ", " << focalText << "\n";
    }
    return status;
}

}  // namespace fovella::cli
