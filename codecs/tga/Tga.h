// Truevision TGA files: true-colour pictures, uncompressed (type 2) or run-
// length coded (type 10), 24 or 32 bits per pixel.
#pragma once

#include "image/Image.h"

#include <string>

namespace fovella {

// Rgb, 8-bit, BottomUp; alpha is dropped, the image-ID field and any colour
// map skipped, and the origin bits of the descriptor honoured. Other image
// types and depths, pictures beyond kMaxImageBytes and files that end early
// fail the load.
bool LoadTga(const std::string& path, Image& image, std::string* error = nullptr);
// The picture's width and height from the header alone, checked as the
// load checks them (a file whose pixel data is cut short is still measured).
bool ReadTgaSize(const std::string& path, int& width, int& height, std::string* error = nullptr);

}  // namespace fovella
