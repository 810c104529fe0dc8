// PNG files through libpng 1.6.
#pragma once

#include "image/Image.h"
#include "metadata/PhotoMetadata.h"

#include <string>

namespace fovella {

class FileReplacement;

// Reads grey, RGB and RGBA files of 8 or 16 bits per sample into an image
// of the matching pixel and sample type (16-bit samples in the host's byte
// order), BottomUp. Palette, grey-with-alpha and 1, 2 or 4-bit files are
// refused, as are pictures beyond kMaxImageBytes, before anything large is
// allocated; so is a format the image cannot store (a DibImage holds only
// 8-bit Gray and Rgb). When `metadata` is given it receives the file's
// colour profile (iCCP), its sRGB, gAMA and cHRM chunks and its XMP packet
// (the text chunk "XML:com.adobe.xmp"), as they are, never applied to the
// pixels.
bool LoadPng(const std::string& path, Image& image, PhotoMetadata* metadata, std::string* error = nullptr);
// The picture's width and height from the IHDR chunk alone, checked as the
// load checks them (a file whose data is cut short is still measured), and
// when `metadata` is given what the load keeps of the chunks before the
// picture data.
bool ReadPngSize(const std::string& path, int& width, int& height, PhotoMetadata* metadata,
                 std::string* error = nullptr);

// Writes a Gray, Rgb or Rgba image of 8 or 16-bit samples, not interlaced,
// at maximum compression, with what PNG holds of `metadata` when it is
// given (the colour profile as iCCP, the sRGB, gAMA and cHRM chunks, the
// XMP packet as an uncompressed iTXt chunk) before the picture; a profile
// that does not suit the picture is left out, with a warning. Other
// formats are refused before anything is written; a failed save leaves an
// existing file as it was and no new one.
bool SavePng(const std::string& path, const Image& image, const PhotoMetadata* metadata,
             std::string* error = nullptr);
// The same written into `out`, a replacement of `path` not yet opened, which
// the caller commits (or discards) afterwards.
bool WritePng(FileReplacement& out, const std::string& path, const Image& image,
              const PhotoMetadata* metadata, std::string* error = nullptr);

}  // namespace fovella
