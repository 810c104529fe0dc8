#include "session/Zoom.h"

#include <cmath>

namespace fovella {

double FitRatio(int fullWidth, int fullHeight, int imageWidth, int imageHeight)
{
    const double across = double(fullWidth) / imageWidth;
    const double down = double(fullHeight) / imageHeight;
    return across < down ? across : down;
}

int NearestZoomStep(double ratio)
{
    const auto distance = [ratio](int i) { return std::abs(ratio - kZoomStepsPercent[std::size_t(i)] / 100.0); };
    int nearest = 0;
    for (int i = 1; i < kZoomStepCount; ++i)
        if (distance(i) < distance(nearest))
            nearest = i;
    return nearest;
}

}  // namespace fovella
