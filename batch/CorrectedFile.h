// How a corrected picture becomes a file: the one way for the window's Save
// and for the batch run (fovella-cli's FILE -o OUTPUT among it), so that
// both write the same bytes for every kind of source and every format.
#pragma once

#include "codecs/ImageFile.h"
#include "metadata/PhotoMetadata.h"

#include <string>

namespace fovella {

class FileReplacement;

// The pixel type a correction in `type` is written in as `format`: PNG
// keeps grey, which it holds; JPEG and BMP take colour, grey as three equal
// samples; colour is always red, green, blue.
PixelType WrittenPixelType(PixelType type, ImageFileFormat format);

// Codes `result`, the correction at `scale` (pixels) of a picture that
// carried `source`, into `out`, a replacement of `path` not yet opened,
// which the caller commits: `format` (JPEG at `quality`, 0..100; BMP; PNG)
// with the source's metadata marked as corrected at `scale`, as much of it
// as the format holds. `result` is left as it came: a red-blue swap is
// undone, a grey picture written in colour is converted in a copy. False,
// with the reason naming `path` in `error`, when it could not be written.
bool WriteCorrectedFile(FileReplacement& out, const std::string& path, Image& result, ImageFileFormat format,
                        const PhotoMetadata& source, double scale, int quality, std::string& error);

}  // namespace fovella
