// PCX files: 24-bit pictures of three 8-bit colour planes, run-length coded.
#pragma once

#include "image/Image.h"

#include <string>

namespace fovella {

// Rgb, 8-bit, BottomUp; width xmax + 1, height ymax + 1. Files of other
// plane layouts, with plane lines shorter than the picture, beyond
// kMaxImageBytes, or that end before their last line fail the load.
bool LoadPcx(const std::string& path, Image& image, std::string* error = nullptr);
// The picture's width and height from the header alone, checked as the
// load checks them (a file whose pixel data is cut short is still measured).
bool ReadPcxSize(const std::string& path, int& width, int& height, std::string* error = nullptr);

}  // namespace fovella
