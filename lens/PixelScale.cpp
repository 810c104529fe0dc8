#include "lens/PixelScale.h"

#include <cmath>
#include <cstdint>

namespace fovella {

double FineTuneFactor(int a)
{
    if (a < 50)
        return (a - 50) * 0.8 / 50 + 1;
    return (a - 50) * 4.0 / 50 + 1;
}

double PixelScale(float f, int width, int height, double fineTune)
{
    const std::int64_t w = width;
    const std::int64_t h = height;
    const double diagonal = std::sqrt(static_cast<double>(w * w + h * h));
    return fineTune * ((diagonal * f) * kScalePerDiagonalMm);
}

}  // namespace fovella
