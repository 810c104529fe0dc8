// Windows bitmap files: 1, 4, 8 and 24-bit uncompressed files with the
// 40-byte information header are read; 24-bit files are written.
#pragma once

#include "image/Image.h"

#include <string>

namespace fovella {

class FileReplacement;

// Fills `image` with the file's picture as Rgb, 8-bit, BottomUp. False, with
// the reason in `error` when given, for a file that cannot be opened, is not
// such a bitmap or is cut short; `image` may then hold a partial picture.
bool LoadBmp(const std::string& path, Image& image, std::string* error = nullptr);
// The picture's width and height from the headers alone, checked as the
// load checks them (a file whose rows are cut short is still measured).
bool ReadBmpSize(const std::string& path, int& width, int& height, std::string* error = nullptr);

// Writes an Rgb or Bgr image with 8-bit samples as a 24-bit bitmap. Any
// other format is refused before the file is touched; a failed write leaves
// an existing file as it was and no new one.
bool SaveBmp(const std::string& path, const Image& image, std::string* error = nullptr);
// The same written into `out`, a replacement of `path` not yet opened, which
// the caller commits (or discards) afterwards.
bool WriteBmp(FileReplacement& out, const std::string& path, const Image& image,
              std::string* error = nullptr);

}  // namespace fovella
