// TIFF files through libtiff: the first picture of files with three or four
// interleaved 8-bit samples per pixel.
#pragma once

#include "image/Image.h"

#include <string>

namespace fovella {

// Three samples give Rgb, four Rgba (which a DibImage cannot hold), 8-bit,
// BottomUp. Other sample counts, sizes other than 8 bits, separate sample
// planes, pictures beyond kMaxImageBytes and unreadable rows fail the load.
bool LoadTiff(const std::string& path, Image& image, std::string* error = nullptr);
// The picture's width and height from the first directory alone, checked
// as the load checks them (a file whose rows are cut short is still measured).
bool ReadTiffSize(const std::string& path, int& width, int& height, std::string* error = nullptr);

}  // namespace fovella
