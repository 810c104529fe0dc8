// A photograph-like picture for the benchmarks: smooth gradients under
// noise, so that JPEG coding costs what it costs on a real photograph.
#pragma once

#include "image/DibImage.h"

#include <cstdint>
#include <vector>

namespace fovella::bench {

// Rgb, bottom-up, the same pixels at every call.
DibImage SyntheticPhoto(int width, int height);

// An EXIF block whose only entry is the focal length, 5.8 mm.
const std::vector<std::uint8_t>& ExifWithFocal58();

// Row y of the correction as a map of source points for the peers that
// remap by map (cv::remap, vips mapim): x then y of each pixel, as floats.
void CorrectionMapRow(int y, int width, int height, double m, float* points);

}  // namespace fovella::bench
