// The size of the picture in a file, read from its header alone, so that a
// run can count the memory a picture will take before decoding it.
#pragma once

#include "codecs/ImageFile.h"

#include <string>

namespace fovella {

// Width and height from the header of a JPEG, PNG or BMP file; false when
// the header cannot be read, for other formats, or for a header the reader
// would refuse anyway.
bool ReadPictureSize(const std::string& path, ImageFileFormat format, int& width, int& height);

}  // namespace fovella
