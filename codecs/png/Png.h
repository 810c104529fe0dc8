// PNG files through libpng 1.6.
#pragma once

#include "image/Image.h"

#include <string>

namespace fovella {

class FileReplacement;

// Reads grey, RGB and RGBA files of 8 or 16 bits per sample into an image
// of the matching pixel and sample type (16-bit samples in the host's byte
// order), BottomUp. Palette, grey-with-alpha and 1, 2 or 4-bit files are
// refused, as are pictures beyond kMaxImageBytes, before anything large is
// allocated; so is a format the image cannot store (a DibImage holds only
// 8-bit Gray and Rgb).
bool LoadPng(const std::string& path, Image& image, std::string* error = nullptr);
// The picture's width and height from the IHDR chunk alone, checked as the
// load checks them (a file whose data is cut short is still measured).
bool ReadPngSize(const std::string& path, int& width, int& height, std::string* error = nullptr);

// Writes a Gray, Rgb or Rgba image of 8 or 16-bit samples, not interlaced,
// at maximum compression. Other formats are refused before anything is
// written; a failed save leaves an existing file as it was and no new one.
bool SavePng(const std::string& path, const Image& image, std::string* error = nullptr);
// The same written into `out`, a replacement of `path` not yet opened, which
// the caller commits (or discards) afterwards.
bool WritePng(FileReplacement& out, const std::string& path, const Image& image,
              std::string* error = nullptr);

}  // namespace fovella
