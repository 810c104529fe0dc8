#include "image/PixelCodes.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

TEST(PixelCodes, ChannelsAndSampleSizes)
{
    EXPECT_EQ(ChannelCount(Gray), 1);
    EXPECT_EQ(ChannelCount(Rgb), 3);
    EXPECT_EQ(ChannelCount(Rgba), 4);
    EXPECT_EQ(ChannelCount(Bgr), 3);
    EXPECT_EQ(ChannelCount(PixelType(3)), -1);
    EXPECT_EQ(ChannelCount(PixelType(16)), -1);

    EXPECT_EQ(SampleBytes(SampleU8), 1);
    EXPECT_EQ(SampleBytes(SampleU16), 2);
    EXPECT_EQ(SampleBytes(SampleType(0)), -1);
    EXPECT_EQ(SampleBytes(SampleType(4)), -1);

    EXPECT_EQ(PixelBytes(Rgba, SampleU16), 8);
    EXPECT_EQ(PixelBytes(Bgr, SampleU16), 6);
    EXPECT_EQ(PixelBytes(PixelType(5), SampleU8), -1);
    EXPECT_EQ(PixelBytes(Rgb, SampleType(3)), -1);
}

TEST(PixelCodes, DisplayRowsArePaddedToFourBytes)
{
    EXPECT_EQ(DibRowStride(5, Bgr), 16);
    EXPECT_EQ(DibRowStride(5, Rgb), 16);
    EXPECT_EQ(DibRowStride(5, Gray), 8);
    EXPECT_EQ(DibRowStride(4, Bgr), 12);
    EXPECT_EQ(DibRowStride(1, Bgr), 4);
    EXPECT_EQ(DibRowStride(4, Gray), 4);
    EXPECT_EQ(DibRowStride(5, Rgba), 0);
}

}  // namespace
}  // namespace fovella
