#include "lens/PixelScale.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

TEST(FineTuneFactor, IsOneInTheMiddleAndFiveTimesCoarserToTheRight)
{
    EXPECT_EQ(FineTuneFactor(50), 1.0);
    EXPECT_NEAR(FineTuneFactor(0), 0.2, 1e-15);
    EXPECT_NEAR(FineTuneFactor(100), 5.0, 1e-15);
    EXPECT_NEAR(FineTuneFactor(49), 0.984, 1e-15);
    EXPECT_NEAR(FineTuneFactor(51), 1.08, 1e-15);
    EXPECT_NEAR(FineTuneFactor(50) - FineTuneFactor(49), 0.016, 1e-15);
    EXPECT_NEAR(FineTuneFactor(51) - FineTuneFactor(50), 0.08, 1e-15);
    for (int a = 1; a <= 100; ++a)
        EXPECT_GT(FineTuneFactor(a), FineTuneFactor(a - 1)) << a;
}

TEST(PixelScale, WorkedValues)
{
    // 2048 x 1536 has the diagonal 2560; f = 5.8 mm in single precision.
    EXPECT_NEAR(PixelScale(5.8f, 2048, 1536, FineTuneFactor(0)), 504.83, 0.005);
    EXPECT_NEAR(PixelScale(5.8f, 2048, 1536, FineTuneFactor(50)), 2524.16, 0.005);
    EXPECT_NEAR(PixelScale(5.8f, 2048, 1536, FineTuneFactor(100)), 12620.80, 0.005);
    // Exactly the single-precision focal length, multiplied in order.
    EXPECT_EQ(PixelScale(5.8f, 2048, 1536, 1.0), (2560.0 * double(5.8f)) * 0.17);
}

TEST(PixelScale, ScalesWithTheImageAndVanishesWithTheFocalLength)
{
    EXPECT_EQ(PixelScale(4.5f, 1200, 900, 1.3), 2 * PixelScale(4.5f, 600, 450, 1.3));
    EXPECT_EQ(PixelScale(0.0f, 1200, 900, 1.0), 0.0);
    EXPECT_LT(PixelScale(-3.0f, 1200, 900, 1.0), 0.0);
    // The diagonal is formed in integers wide enough for any int size.
    EXPECT_NEAR(PixelScale(1.0f, 2000000000, 0, 1.0), 2e9 * 0.17, 1.0);
}

}  // namespace
}  // namespace fovella
