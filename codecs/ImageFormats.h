// The one table of the image file formats: which extensions name which
// format, which formats can be read and written, and which are the "image
// files" that the window opens, browses and saves and that folder runs take.
// Every list of formats in the program (the codecs' dispatch, the file
// choosers' filters, the command line's format names) is read from it.
#pragma once

#include "codecs/ImageFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fovella {

class FileReplacement;

// Fills `metadata`, when given, with what the format holds of it.
using FormatReader = bool (*)(const std::string& path, Image& image, PhotoMetadata* metadata,
                              std::string* error);
// The picture's width and height from the file's header alone, checked as
// the reader checks it; with `metadata`, the metadata as the reader keeps it
// (for PNG, the chunks before the picture data).
using FormatSizeReader = bool (*)(const std::string& path, int& width, int& height,
                                  PhotoMetadata* metadata, std::string* error);
// Writes into `out`, a replacement of `path` not yet opened; the caller
// commits it. Writes what the format holds of `metadata`, when given.
using FormatWriter = bool (*)(FileReplacement& out, const std::string& path, const Image& image,
                              int quality, const PhotoMetadata* metadata, std::string* error);

struct ImageFormatInfo {
    ImageFileFormat format;
    const char* name;                // as a user reads it: "JPEG"
    std::vector<const char*> extensions;  // lower case, the usual one first
    FormatReader read;               // null: no reader
    FormatSizeReader size;           // with every reader
    FormatWriter write;              // null: no writer
    bool imageFile;                  // opened, browsed, saved by the window, taken by folder runs
};

// JPEG, BMP and PNG first, in the order the file choosers list them; then
// the formats that are only read.
const std::vector<ImageFormatInfo>& ImageFormats();

// The row of `format`; null for a format without a codec.
const ImageFormatInfo* FindImageFormat(ImageFileFormat format);
// The format that the extension of `path` names, letter case ignored;
// Unknown for any other extension.
ImageFileFormat FormatOfPath(const std::string& path);
// True when the extension of `path` names an image file (jpg, jpeg, bmp,
// png in any case).
bool IsImageFile(const std::string& path);

}  // namespace fovella
