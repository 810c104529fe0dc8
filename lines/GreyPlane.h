// The picture the line finder looks at: grey levels as floats, top row
// first, usually a reduced copy of the photograph.
#pragma once

#include "image/Image.h"
#include "image/LargeBlock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fovella {

struct GreyPlane {
    // Levels are sixteenths of a grey level: a block's mean keeps its
    // fractions in half the memory of floats (fresh pages cost more than
    // the arithmetic on them).
    static constexpr float kUnit = 16;
    int width = 0, height = 0;
    LargeVector<std::uint16_t> values;  // width * height, row after row from the top

    float At(int x, int y) const
    {
        return values[std::size_t(y) * std::size_t(width) + std::size_t(x)] * (1 / kUnit);
    }
};

// The smallest of 1, 2, 4 and 8 that brings width x height to at most
// about three megapixels: enough for edges to a tenth of a pixel, few
// enough to find them in tens of milliseconds.
int LineReductionFactor(int width, int height);

// Grey levels of an 8-bit Gray, Rgb, Bgr or Rgba picture (luma weights
// 1:2:1), each pixel the mean of a `factor` x `factor` block, the last
// blocks of a row or column cut short: ceil(W / factor) x ceil(H / factor),
// as a JPEG decoder's DCT scaling gives. An empty plane for other formats.
GreyPlane ReduceToGrey(const Image& picture, int factor);

}  // namespace fovella
