// The image libraries the codecs were built with and run against, for
// --version and bug reports.
#pragma once

#include <string>

namespace fovella {

// "libjpeg-turbo 2.1.5 (JPEG 6b API), libpng 1.6.39, libtiff 4.5.0".
std::string CodecLibraries();

}  // namespace fovella
