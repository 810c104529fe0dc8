// A scene of straight bars seen through a barrel lens of the remap's model:
// the picture the line estimator must give the scale back from.
#pragma once

#include "image/Image.h"

#include <string>

namespace fovella::test {

// Draws into `picture` (recreated as 8-bit `type`, `order`) dark bars on a
// light ground, six nearly horizontal and six nearly vertical, none through
// the centre, seen through a barrel distortion of strength x = R / m (R the
// half diagonal; 0 for none): output pixel q shows the scene at
// c + s (q - c) m sinh(|q - c| / m) / |q - c|, with s keeping the corners
// filled, so that the remap with m straightens the bars; a negative
// strength bends the bars the other way (sin for sinh). `noise` adds that
// many grey levels at most, either way, from a fixed sequence. False when
// the picture cannot be created.
bool DrawLineScene(Image& picture, int width, int height, double strength, int noise, PixelType type = Rgb,
                   RowOrder order = TopDown);

// The JPEG photograph at `path`, decoded at `eighths` / 8 of its size, seen
// through the same lens into a Gray picture of that size. False when the
// file cannot be read.
bool PhotographThroughLens(const std::string& path, double strength, Image& picture, int eighths = 1);

}  // namespace fovella::test
