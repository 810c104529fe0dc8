#include "apps/fovella-cli/CorrectFile.h"

#include "codecs/bmp/Bmp.h"
#include "fs/PathString.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"

#include <cctype>

namespace fovella::cli {

namespace {

bool IsBmpName(const std::string& path)
{
    std::string extension = GetExtension(path);
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == "bmp";
}

}  // namespace

int CorrectFile(const Options& options, std::ostream& errors)
{
    if (!IsBmpName(options.output)) {
        errors << "fovella-cli: '" << options.output << "': only BMP files can be written\n";
        return 1;
    }
    DibImage source;
    std::string error;
    if (!LoadBmp(options.input, source, &error)) {
        errors << "fovella-cli: cannot read " << error << "\n";
        return 1;
    }
    const double m = PixelScale(options.focalMm, source.Width(), source.Height(), options.fineTune);
    DibImage corrected;
    if (!LensModel().Undistort(source, corrected, m)) {
        errors << "fovella-cli: cannot correct '" << options.input << "' with the scale " << m
               << "\n";
        return 1;
    }
    if (!SaveBmp(options.output, corrected, &error)) {
        errors << "fovella-cli: cannot save " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace fovella::cli
