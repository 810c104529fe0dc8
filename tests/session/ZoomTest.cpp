#include "session/Zoom.h"

#include <gtest/gtest.h>

#include <utility>

namespace fovella {
namespace {

TEST(NearestZoomStep, TakesTheClosestStepAndTheLowerOnATie)
{
    const std::pair<double, int> cases[] = {
        {0.4567, 11},  // 50 %
        {0.005, 0},
        {1.125, 13},   // halfway between 100 % and 125 %
        {11.4, kLastZoomStep},
    };
    for (const auto& [ratio, step] : cases)
        EXPECT_EQ(NearestZoomStep(ratio), step) << ratio;
    EXPECT_EQ(kZoomStepsPercent[11], 50);
    EXPECT_EQ(kZoomStepsPercent[kLastZoomStep], 500);
}

TEST(FitRatio, TakesTheSmallerSideRatio)
{
    EXPECT_DOUBLE_EQ(FitRatio(800, 600, 1600, 600), 0.5);
    EXPECT_DOUBLE_EQ(FitRatio(800, 600, 400, 1200), 0.5);
    EXPECT_DOUBLE_EQ(FitRatio(800, 600, 200, 100), 4.0);
    EXPECT_DOUBLE_EQ(FitRatio(729, 523, 3000, 2000), 729.0 / 3000);
}

}  // namespace
}  // namespace fovella
