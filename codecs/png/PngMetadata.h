// A PNG file's metadata moved between PhotoMetadata and libpng's info
// structure. The sRGB, gAMA and cHRM chunks go through libpng as chunks it
// does not interpret, so that each is kept as the file had it and none is
// derived from another (libpng would otherwise report an sRGB file as
// having gamma and end points too).
#pragma once

#include "metadata/PhotoMetadata.h"

#include <png.h>

namespace fovella::png {

// Before the file is read: have libpng keep the colour chunks as they are.
void KeepColourChunks(png_structp png);
// After the file is read (with KeepColourChunks).
void GetMetadata(png_structp png, png_infop info, PhotoMetadata& metadata);
// Before the file is written; the chunks go before the picture.
void SetMetadata(png_structp png, png_infop info, const PhotoMetadata& metadata);

}  // namespace fovella::png
