// A photograph-like picture for the benchmarks: smooth gradients under
// noise, so that JPEG coding costs what it costs on a real photograph.
#pragma once

#include "image/DibImage.h"

namespace fovella::bench {

// Rgb, bottom-up, the same pixels at every call.
DibImage SyntheticPhoto(int width, int height);

}  // namespace fovella::bench
