#include "image/DibImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fovella {
namespace {

TEST(ScaleBy, SizesTruncateAndNeverReachZero)
{
    DibImage image, half, tiny;
    ASSERT_TRUE(image.Create(101, 75, Bgr, SampleU8, BottomUp));
    test::FillGradient(image);
    EXPECT_TRUE(image.ScaleBy(0.5, half));
    EXPECT_EQ(half.Width(), 50);
    EXPECT_EQ(half.Height(), 37);
    EXPECT_TRUE(image.ScaleBy(0.001, tiny));
    EXPECT_EQ(tiny.Width(), 1);
    EXPECT_EQ(tiny.Height(), 1);
}

TEST(ScaleBy, FactorOneIsAnExactCopy)
{
    for (PixelType type : {Bgr, Gray}) {
        DibImage image, copy;
        ASSERT_TRUE(image.Create(13, 7, type, SampleU8, TopDown));
        test::FillGradient(image);
        ASSERT_TRUE(image.ScaleBy(1.0, copy));
        EXPECT_EQ(copy.GetPixelType(), type);
        EXPECT_EQ(copy.GetRowOrder(), TopDown);
        EXPECT_EQ(test::PictureMd5(copy), test::PictureMd5(image));
    }
}

// Each destination pixel is one source pixel: the one under its centre.
TEST(ScaledCopyTo, TakesWholeSourcePixelsUnderTheCentres)
{
    DibImage image, out;
    ASSERT_TRUE(image.Create(4, 2, Gray, SampleU8, TopDown));
    std::memcpy(image.Rows()[0], "\x0a\x14\x1e\x28", 4);  // 10 20 30 40
    std::memcpy(image.Rows()[1], "\x32\x3c\x46\x50", 4);  // 50 60 70 80
    // Halved: columns 1 and 3 (centres 0.5 and 1.5 of 2 over 4), row 1.
    ASSERT_TRUE(image.ScaledCopyTo(2, 1, out));
    EXPECT_EQ(out.Rows()[0][0], 60);
    EXPECT_EQ(out.Rows()[0][1], 80);
    // Doubled: every pixel twice in both directions.
    ASSERT_TRUE(image.ScaledCopyTo(8, 4, out));
    const std::uint8_t top[8] = {10, 10, 20, 20, 30, 30, 40, 40};
    EXPECT_EQ(std::memcmp(out.Rows()[0], top, 8), 0);
    EXPECT_EQ(std::memcmp(out.Rows()[1], top, 8), 0);
    EXPECT_EQ(out.Rows()[3][7], 80);
}

TEST(ScaledCopyTo, BothRowOrdersGiveThePicture)
{
    DibImage bottomUp, topDown, a, b;
    ASSERT_TRUE(bottomUp.Create(37, 23, Bgr, SampleU8, BottomUp));
    ASSERT_TRUE(topDown.Create(37, 23, Bgr, SampleU8, TopDown));
    test::FillGradient(bottomUp);
    for (int y = 0; y < 23; ++y)
        std::memcpy(topDown.Rows()[y], bottomUp.Rows()[22 - y], 37 * 3);
    for (const auto& [w, h] : {std::pair{10, 7}, std::pair{80, 51}, std::pair{37, 5}}) {
        ASSERT_TRUE(bottomUp.ScaledCopyTo(w, h, a));
        ASSERT_TRUE(topDown.ScaledCopyTo(w, h, b));
        EXPECT_EQ(test::PictureMd5(a), test::PictureMd5(b)) << w << " x " << h;
    }
}

}  // namespace
}  // namespace fovella
