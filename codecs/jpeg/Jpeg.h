// JPEG files through libjpeg (the version 6b interface).
#pragma once

#include "image/Image.h"
#include "metadata/PhotoMetadata.h"

#include <string>

namespace fovella {

class FileReplacement;

// Decodes the file into an Rgb, 8-bit, BottomUp image (grey files come out
// with three equal channels). When `metadata` is given it receives the
// file's EXIF block, XMP packet and colour profile (JpegMetadata.h). False,
// with the reason in `error`, for a file that cannot be opened or decoded
// (CMYK files among them), or whose picture exceeds kMaxImageBytes.
// Thread-safe: each call has its own recovery point.
bool LoadJpeg(const std::string& path, Image& image, PhotoMetadata* metadata,
              std::string* error = nullptr);
// The picture's width and height from the header segments alone, checked
// as the load checks them, and the metadata as the load keeps it: a file
// whose coded picture is cut short is still measured.
bool ReadJpegSize(const std::string& path, int& width, int& height, PhotoMetadata* metadata,
                  std::string* error = nullptr);

// Encodes an Rgb, 8-bit image as a baseline JPEG with `quality` (limited to
// 0..100) and the library's defaults; `metadata`, when given, is written
// right after the JFIF APP0 marker: the EXIF block as one APP1 marker, byte
// for byte, then the XMP packet, its extension and the colour profile (a
// part larger than JPEG holds is left out, with a warning on standard
// error). Other formats are refused before anything is written; a failed
// save leaves an existing file as it was and no new one.
bool SaveJpeg(const std::string& path, const Image& image, int quality, const PhotoMetadata* metadata,
              std::string* error = nullptr);
// The same written into `out`, a replacement of `path` not yet opened, which
// the caller commits (or discards) afterwards.
bool WriteJpeg(FileReplacement& out, const std::string& path, const Image& image, int quality,
               const PhotoMetadata* metadata, std::string* error = nullptr);

}  // namespace fovella
