// The picture the line finder looks at: grey levels in sixteenths, read
// as floats, top row first, usually a reduced copy of the photograph.
#pragma once

#include "image/Image.h"
#include "image/LargeBlock.h"

#include <cstdint>
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

// The reduction, in eighths of the picture's size (8 for the whole, 1 for
// an eighth), at which the line finder looks at it: the largest at which it
// has at most 1.8 megapixels, as a 3072 x 2048 photograph has 1.6 at a
// half, where the finder's thresholds were measured. Finer and coarser
// looks answered fewer pictures within 3 %, at every size tried.
int LineReductionEighths(int width, int height);

// Grey levels of an 8-bit Gray, Rgb, Bgr or Rgba picture (luma weights
// 1:2:1) at `eighths` / 8 of its size, each pixel the mean of the area it
// covers, the last of a row or column cut short at the border:
// ceil(W * eighths / 8) x ceil(H * eighths / 8), as a JPEG decoder's DCT
// scaling gives. At 4, 2 and 1 eighths, the means of 2 x 2, 4 x 4 and 8 x 8
// blocks. An empty plane for other formats or scales.
GreyPlane ReduceToGrey(const Image& picture, int eighths);

}  // namespace fovella
