// The remap written the plain way, straight from its definition: columns of
// the left half outside, rows of the upper half inside, four mirrored
// writes per position. Slow, obviously right: the oracle that the fast
// LensModel::Undistort must equal byte for byte.
#pragma once

#include "image/Image.h"
#include "lens/LensModel.h"

namespace fovella::test {

bool ReferenceUndistort(const Image& source, Image& destination, double m,
                        ProgressCallback callback = nullptr, void* context = nullptr);

}  // namespace fovella::test
