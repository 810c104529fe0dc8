// From what the user controls to the remap's scale m, in pixels.
#pragma once

namespace fovella {

// Fine-tune slider position (0..100) to its factor: 0.2 at 0, exactly 1 at
// 50, 5 at 100; five times coarser right of the middle than left of it.
double FineTuneFactor(int sliderPosition);

// Pixels of m per pixel of the image diagonal and millimetre of focal
// length: the focal length converted to pixels for a sensor whose
// diagonal, 1 / 0.17 mm, spans the image diagonal.
constexpr double kScalePerDiagonalMm = 0.17;

// m = F * ((D * f) * 0.17), D the image diagonal in pixels and f the focal
// length in millimetres. Not positive when f is not.
double PixelScale(float focalLengthMm, int width, int height, double fineTune);

}  // namespace fovella
