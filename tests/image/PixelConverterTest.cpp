#include "image/DibImage.h"
#include "image/MemoryImage.h"
#include "image/PixelConverter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fovella {
namespace {

TEST(ConvertPixelType, RgbToBgrAndBackSwapsOnlyTheOuterBytes)
{
    DibImage image;
    ASSERT_TRUE(image.Create(5, 3, Rgb, SampleU8, BottomUp));
    for (int y = 0; y < 3; ++y)
        std::memset(image.Rows()[y], 0xEE, image.RowBytes());
    test::FillGradient(image);
    const std::uint8_t* row = image.Rows()[1];
    const std::uint8_t r = row[3], g = row[4], b = row[5];
    ASSERT_TRUE(image.ConvertPixelType(Bgr));
    EXPECT_EQ(image.GetPixelType(), Bgr);
    EXPECT_EQ(row[3], b);
    EXPECT_EQ(row[4], g);
    EXPECT_EQ(row[5], r);
    EXPECT_EQ(row[15], 0xEE);  // the row's fill byte
    const std::string swapped = test::PictureMd5(image);  // PictureMd5 reads Bgr as Bgr
    ASSERT_TRUE(image.ConvertPixelType(Rgb));
    EXPECT_EQ(row[3], r);
    EXPECT_EQ(row[5], b);
    EXPECT_EQ(test::PictureMd5(image), swapped);
}

TEST(ConvertPixelType, SameTypeChangesNothing)
{
    DibImage image;
    ASSERT_TRUE(image.Create(4, 2, Bgr, SampleU8, BottomUp));
    test::FillGradient(image);
    std::vector<std::uint8_t> before(image.Rows()[0], image.Rows()[0] + 12);
    ASSERT_TRUE(image.ConvertPixelType(Bgr));
    EXPECT_EQ(std::vector<std::uint8_t>(image.Rows()[0], image.Rows()[0] + 12), before);
}

TEST(ConvertPixelType, GreyBecomesThreeEqualBytesWithTheColourStride)
{
    DibImage image;
    ASSERT_TRUE(image.Create(5, 2, Gray, SampleU8, TopDown));
    EXPECT_EQ(image.RowBytes(), 8u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            image.Rows()[y][x] = std::uint8_t(77 + x + 10 * y);
    ASSERT_TRUE(image.ConvertPixelType(Bgr));
    EXPECT_EQ(image.GetPixelType(), Bgr);
    EXPECT_EQ(image.GetRowOrder(), TopDown);
    EXPECT_EQ(image.RowBytes(), 16u);
    EXPECT_EQ(image.Rows()[0][0], 77);
    EXPECT_EQ(image.Rows()[0][1], 77);
    EXPECT_EQ(image.Rows()[0][2], 77);
    EXPECT_EQ(image.Rows()[1][12], 91);
    EXPECT_EQ(image.Rows()[1][14], 91);
}

TEST(ConvertPixelType, RgbaOnEitherSideIsRefusedUntouched)
{
    MemoryImage rgba;
    ASSERT_TRUE(rgba.Create(2, 2, Rgba, SampleU8, BottomUp));
    test::FillGradient(rgba);
    const std::string before = test::PictureMd5(rgba);
    EXPECT_FALSE(rgba.ConvertPixelType(Bgr));
    EXPECT_EQ(rgba.GetPixelType(), Rgba);
    EXPECT_EQ(test::PictureMd5(rgba), before);

    DibImage rgb;
    EXPECT_FALSE(rgb.ConvertPixelType(Rgba));
    EXPECT_EQ(rgb.GetPixelType(), Rgb);
}

}  // namespace
}  // namespace fovella
