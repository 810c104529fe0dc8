#include "codecs/LibraryVersions.h"

#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace fovella {

namespace {

std::string JpegVersion()
{
#ifdef LIBJPEG_TURBO_VERSION_NUMBER
    char text[64];
    std::snprintf(text, sizeof text, "libjpeg-turbo %d.%d.%d", LIBJPEG_TURBO_VERSION_NUMBER / 1000000,
                  LIBJPEG_TURBO_VERSION_NUMBER / 1000 % 1000, LIBJPEG_TURBO_VERSION_NUMBER % 1000);
    return text + std::string(" (JPEG ") + std::to_string(JPEG_LIB_VERSION / 10) + "b API)";
#else
    return "libjpeg " + std::to_string(JPEG_LIB_VERSION);
#endif
}

// "LIBTIFF, Version 4.5.0" and a copyright notice: the number alone.
std::string TiffVersion()
{
    const std::string text = TIFFGetVersion();
    const auto start = text.find("Version ");
    const auto end = text.find('\n');
    return start == std::string::npos ? "libtiff" : "libtiff " + text.substr(start + 8, end - start - 8);
}

}  // namespace

std::string CodecLibraries()
{
    return JpegVersion() + ", libpng " + png_get_libpng_ver(nullptr) + ", " + TiffVersion();
}

}  // namespace fovella
