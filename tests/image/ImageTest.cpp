#include "image/DibImage.h"
#include "image/MemoryImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>

namespace fovella {
namespace {

TEST(DibImage, FreshImageIsValidOneByOneRgb)
{
    const DibImage image;
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(image.GetPixelType(), Rgb);
    EXPECT_EQ(image.GetSampleType(), SampleU8);
    EXPECT_EQ(image.GetRowOrder(), BottomUp);
    EXPECT_EQ(image.RowBytes(), 4u);

    const MemoryImage memory;
    ASSERT_TRUE(memory.IsValid());
    EXPECT_EQ(memory.Width(), 1);
    EXPECT_EQ(memory.RowBytes(), 3u);
}

TEST(DibImage, RowsAreAlignedAndStrided)
{
    DibImage image;
    ASSERT_TRUE(image.Create(5, 3, Bgr, SampleU8, TopDown));
    EXPECT_EQ(image.RowBytes(), 16u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.Bits()) % 64, 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(image.Rows()[i], image.Bits() + 16 * i);
    ASSERT_TRUE(image.Create(5, 3, Gray, SampleU8, TopDown));
    EXPECT_EQ(image.RowBytes(), 8u);
    EXPECT_EQ(image.Rows()[2], image.Bits() + 16);
}

TEST(DibImage, CreateWithSameFormatKeepsPixels)
{
    DibImage image;
    ASSERT_TRUE(image.Create(7, 4, Rgb, SampleU8, BottomUp));
    image.Rows()[3][20] = 0x5A;
    std::uint8_t* const firstRow = image.Rows()[0];
    ASSERT_TRUE(image.Create(7, 4, Rgb, SampleU8, BottomUp));
    EXPECT_EQ(image.Rows()[0], firstRow);
    EXPECT_EQ(image.Rows()[3][20], 0x5A);
}

struct FormatChange {
    int width, height;
    PixelType pixelType;
    RowOrder rowOrder;
};

class DibImageRecreate : public testing::TestWithParam<FormatChange> {};

TEST_P(DibImageRecreate, AnyChangedValueGivesTheNewFormat)
{
    DibImage image;
    ASSERT_TRUE(image.Create(7, 4, Rgb, SampleU8, BottomUp));
    const FormatChange& c = GetParam();
    ASSERT_TRUE(image.Create(c.width, c.height, c.pixelType, SampleU8, c.rowOrder));
    EXPECT_EQ(image.Width(), c.width);
    EXPECT_EQ(image.Height(), c.height);
    EXPECT_EQ(image.GetPixelType(), c.pixelType);
    EXPECT_EQ(image.GetRowOrder(), c.rowOrder);
    EXPECT_EQ(image.RowBytes(), std::size_t(DibRowStride(c.width, c.pixelType)));
    // Every row is writable over its whole width.
    for (int y = 0; y < c.height; ++y)
        std::memset(image.Rows()[y], y, image.RowBytes());
}

INSTANTIATE_TEST_SUITE_P(OneValueEach, DibImageRecreate,
                         testing::Values(FormatChange{8, 4, Rgb, BottomUp},
                                         FormatChange{7, 5, Rgb, BottomUp},
                                         FormatChange{7, 4, Bgr, BottomUp},
                                         FormatChange{7, 4, Gray, BottomUp},
                                         FormatChange{7, 4, Rgb, TopDown}));

struct RefusedFormat {
    const char* name;
    int width, height;
    PixelType pixelType;
    SampleType sampleType;
    RowOrder rowOrder;
};

class DibImageRefuses : public testing::TestWithParam<RefusedFormat> {};

TEST_P(DibImageRefuses, FormatItCannotStore)
{
    DibImage image;
    ASSERT_TRUE(image.Create(4, 4, Rgb, SampleU8, BottomUp));
    const RefusedFormat& f = GetParam();
    EXPECT_FALSE(image.Create(f.width, f.height, f.pixelType, f.sampleType, f.rowOrder));
    EXPECT_FALSE(image.IsValid());
    // It recovers with a storable format.
    EXPECT_TRUE(image.Create(4, 4, Rgb, SampleU8, BottomUp));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DibImageRefuses,
    testing::Values(RefusedFormat{"Rgba", 4, 4, Rgba, SampleU8, BottomUp},
                    RefusedFormat{"Samples16", 4, 4, Rgb, SampleU16, BottomUp},
                    RefusedFormat{"WidthZero", 0, 4, Rgb, SampleU8, BottomUp},
                    RefusedFormat{"HeightNegative", 4, -1, Rgb, SampleU8, BottomUp},
                    RefusedFormat{"RowOrderTwo", 4, 4, Rgb, SampleU8, RowOrder(2)},
                    RefusedFormat{"UnknownType", 4, 4, PixelType(3), SampleU8, BottomUp},
                    RefusedFormat{"WidthOverflowsStride", INT_MAX, 1, Rgb, SampleU8, BottomUp},
                    RefusedFormat{"SizeBeyondMemory", INT_MAX / 4, INT_MAX, Rgb, SampleU8,
                                  BottomUp}),
    [](const testing::TestParamInfo<RefusedFormat>& info) { return info.param.name; });

TEST(MemoryImage, StoresAnyKnownFormatUnpadded)
{
    MemoryImage image;
    ASSERT_TRUE(image.Create(5, 2, Rgba, SampleU16, TopDown));
    EXPECT_EQ(image.RowBytes(), 40u);
    EXPECT_EQ(image.Rows()[1], image.Rows()[0] + 40);
    EXPECT_FALSE(image.Create(5, 2, PixelType(3), SampleU8, TopDown));
    EXPECT_FALSE(image.Create(5, 2, Rgb, SampleType(3), TopDown));
    EXPECT_FALSE(image.Create(INT_MAX, INT_MAX, Rgba, SampleU16, TopDown));
    EXPECT_FALSE(image.IsValid());
}

TEST(ImageCopy, CopiesOnlyThePixelBytesOfEachRow)
{
    MemoryImage source;
    ASSERT_TRUE(source.Create(5, 3, Bgr, SampleU8, BottomUp));
    test::FillGradient(source);
    DibImage target;
    ASSERT_TRUE(target.Create(5, 3, Bgr, SampleU8, BottomUp));
    for (int y = 0; y < 3; ++y)
        std::memset(target.Rows()[y], 0xAB, target.RowBytes());

    target = source;
    ASSERT_TRUE(target.IsValid());
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(std::memcmp(target.Rows()[y], source.Rows()[y], 15), 0) << "row " << y;
        EXPECT_EQ(target.Rows()[y][15], 0xAB) << "padding of row " << y;
    }
}

TEST(ImageCopy, CopiesAreDeepAndTakeTheSourceFormat)
{
    DibImage source;
    ASSERT_TRUE(source.Create(6, 4, Gray, SampleU8, TopDown));
    test::FillGradient(source);
    DibImage copy(source);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetPixelType(), Gray);
    EXPECT_EQ(copy.GetRowOrder(), TopDown);
    EXPECT_NE(copy.Rows()[0], source.Rows()[0]);
    copy.Rows()[1][2] = std::uint8_t(source.Rows()[1][2] + 1);
    EXPECT_NE(copy.Rows()[1][2], source.Rows()[1][2]);

    MemoryImage memory(source);
    ASSERT_TRUE(memory.IsValid());
    EXPECT_EQ(test::PictureMd5(memory), test::PictureMd5(source));
}

TEST(ImageCopy, AssignmentFromNotValidOrSelfChangesNothing)
{
    DibImage target;
    ASSERT_TRUE(target.Create(3, 2, Rgb, SampleU8, BottomUp));
    test::FillGradient(target);
    const std::string before = test::PictureMd5(target);

    DibImage invalid;
    ASSERT_FALSE(invalid.Create(0, 0, Rgb, SampleU8, BottomUp));
    target = invalid;
    EXPECT_TRUE(target.IsValid());
    EXPECT_EQ(target.Width(), 3);
    EXPECT_EQ(test::PictureMd5(target), before);

    const Image& self = target;
    target = self;
    EXPECT_EQ(test::PictureMd5(target), before);
}

TEST(ImageCopy, TargetThatCannotStoreTheFormatBecomesNotValid)
{
    MemoryImage rgba;
    ASSERT_TRUE(rgba.Create(2, 2, Rgba, SampleU8, BottomUp));
    DibImage target;
    target = rgba;
    EXPECT_FALSE(target.IsValid());
}

}  // namespace
}  // namespace fovella
