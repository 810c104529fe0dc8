// The window's zoom, apart from any widget: the table of steps that "+" and
// "-" walk, the ratio that fits a picture into a view, and the step nearest
// to a ratio.
#pragma once

#include <array>

namespace fovella {

// The steps in percent, from 1 % (index 0) to 500 % (index kLastZoomStep).
constexpr int kZoomStepCount = 20;
constexpr int kLastZoomStep = kZoomStepCount - 1;
constexpr std::array<int, kZoomStepCount> kZoomStepsPercent{1,  2,  3,  4,   5,   6,   8,   12,  17,  25,
                                                            33, 50, 67, 100, 125, 150, 200, 300, 400, 500};

// The zoom that shows a whole image of `imageWidth` x `imageHeight` in a view
// whose room without scroll bars is `fullWidth` x `fullHeight`: the smaller
// of the two side ratios.
double FitRatio(int fullWidth, int fullHeight, int imageWidth, int imageHeight);

// The index of the step of kZoomStepsPercent nearest to `ratio`; on a tie
// the lower index.
int NearestZoomStep(double ratio);

}  // namespace fovella
