// JPEG files through libjpeg (the version 6b interface).
#pragma once

#include "image/Image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fovella {

class FileReplacement;

// Decodes the file into an Rgb, 8-bit, BottomUp image (grey files come out
// with three equal channels). When `exif` is given it receives the payload
// of the file's first APP1 marker, or is emptied when there is none. False,
// with the reason in `error`, for a file that cannot be opened or decoded
// (CMYK files among them), or whose picture exceeds kMaxImageBytes.
// Thread-safe: each call has its own recovery point.
bool LoadJpeg(const std::string& path, Image& image, std::vector<std::uint8_t>* exif,
              std::string* error = nullptr);
// The picture's width and height from the header segments alone, checked
// as the load checks them, and the EXIF block as the load keeps it: a file
// whose coded picture is cut short is still measured.
bool ReadJpegSize(const std::string& path, int& width, int& height, std::vector<std::uint8_t>* exif,
                  std::string* error = nullptr);

// Encodes an Rgb, 8-bit image as a baseline JPEG with `quality` (limited to
// 0..100) and the library's defaults; a non-empty `exif` is written as one
// APP1 marker right after the JFIF APP0 marker, byte for byte. Other formats
// are refused before anything is written; a failed save leaves an existing
// file as it was and no new one.
bool SaveJpeg(const std::string& path, const Image& image, int quality,
              const std::vector<std::uint8_t>* exif, std::string* error = nullptr);
// The same written into `out`, a replacement of `path` not yet opened, which
// the caller commits (or discards) afterwards.
bool WriteJpeg(FileReplacement& out, const std::string& path, const Image& image, int quality,
               const std::vector<std::uint8_t>* exif, std::string* error = nullptr);

}  // namespace fovella
