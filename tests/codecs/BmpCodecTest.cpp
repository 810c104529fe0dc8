#include "codecs/bmp/Bmp.h"
#include "image/DibImage.h"
#include "image/MemoryImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace fovella {
namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b[at + k] = std::uint8_t(v >> (8 * k));
}

// A bitmap file put together field by field, so that each test can break
// exactly one thing.
struct BmpFile {
    std::int32_t width = 0, height = 0;
    unsigned bits = 24;
    std::uint32_t colorsUsed = 0, compression = 0, infoSize = 40;
    std::vector<std::uint8_t> palette;  // 4 bytes an entry, as stored
    std::vector<std::uint8_t> gap;      // bytes between palette and rows
    std::vector<std::uint8_t> pixels;   // rows as stored, padded
    std::int64_t dataOffset = -1;       // -1: where the rows are

    std::vector<std::uint8_t> Bytes() const
    {
        std::vector<std::uint8_t> b(54 + palette.size() + gap.size() + pixels.size(), 0);
        b[0] = 'B';
        b[1] = 'M';
        Put32(b, 10, std::uint32_t(dataOffset >= 0 ? dataOffset : 54 + palette.size() + gap.size()));
        Put32(b, 14, infoSize);
        Put32(b, 18, std::uint32_t(width));
        Put32(b, 22, std::uint32_t(height));
        Put16(b, 26, 1);
        Put16(b, 28, bits);
        Put32(b, 30, compression);
        Put32(b, 46, colorsUsed);
        auto at = std::copy(palette.begin(), palette.end(), b.begin() + 54);
        at = std::copy(gap.begin(), gap.end(), at);
        std::copy(pixels.begin(), pixels.end(), at);
        return b;
    }
};

std::array<std::uint8_t, 3> RgbAt(const Image& image, int x, int pictureRowFromBottom)
{
    const std::uint8_t* p = image.Rows()[pictureRowFromBottom] + 3 * x;
    return {p[0], p[1], p[2]};
}

class BmpCodec : public testing::Test {
protected:
    bool Load(const BmpFile& file, Image& image, std::string* error = nullptr)
    {
        test::WriteFileBytes(dir.File("in.bmp"), file.Bytes());
        return LoadBmp(dir.File("in.bmp"), image, error);
    }
    test::ScratchDir dir;
};

TEST_F(BmpCodec, TrueColourRowsAreReadBottomUpAsRgb)
{
    BmpFile file;
    file.width = 2;
    file.height = 2;
    // Bottom row first: blue-green-red pixels, 2 bytes of padding per row.
    file.pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(image.GetPixelType(), Rgb);
    EXPECT_EQ(image.GetRowOrder(), BottomUp);
    EXPECT_EQ(RgbAt(image, 0, 0), (std::array<std::uint8_t, 3>{3, 2, 1}));
    EXPECT_EQ(RgbAt(image, 1, 0), (std::array<std::uint8_t, 3>{6, 5, 4}));
    EXPECT_EQ(RgbAt(image, 0, 1), (std::array<std::uint8_t, 3>{9, 8, 7}));
    EXPECT_EQ(RgbAt(image, 1, 1), (std::array<std::uint8_t, 3>{12, 11, 10}));
}

TEST_F(BmpCodec, TopDownFileIsReadUpright)
{
    BmpFile file;
    file.width = 1;
    file.height = -2;
    file.pixels = {1, 2, 3, 0, 7, 8, 9, 0};  // top row first
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(RgbAt(image, 0, 1), (std::array<std::uint8_t, 3>{3, 2, 1}));
    EXPECT_EQ(RgbAt(image, 0, 0), (std::array<std::uint8_t, 3>{9, 8, 7}));
}

TEST_F(BmpCodec, EightBitPaletteOfColoursUsedZeroHas256Entries)
{
    BmpFile file;
    file.width = 3;
    file.height = 1;
    file.bits = 8;
    for (int n = 0; n < 256; ++n)
        file.palette.insert(file.palette.end(), {std::uint8_t(n), 1, std::uint8_t(255 - n), 0});
    file.pixels = {0, 200, 255, 0};
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(RgbAt(image, 0, 0), (std::array<std::uint8_t, 3>{255, 1, 0}));
    EXPECT_EQ(RgbAt(image, 1, 0), (std::array<std::uint8_t, 3>{55, 1, 200}));
    EXPECT_EQ(RgbAt(image, 2, 0), (std::array<std::uint8_t, 3>{0, 1, 255}));
}

TEST_F(BmpCodec, IndicesPastAShortPaletteGiveBlack)
{
    BmpFile file;
    file.width = 3;
    file.height = 1;
    file.bits = 8;
    file.colorsUsed = 2;
    file.palette = {10, 20, 30, 0, 40, 50, 60, 0};
    file.pixels = {1, 2, 255, 0};
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(RgbAt(image, 0, 0), (std::array<std::uint8_t, 3>{60, 50, 40}));
    EXPECT_EQ(RgbAt(image, 1, 0), (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(RgbAt(image, 2, 0), (std::array<std::uint8_t, 3>{0, 0, 0}));
}

TEST_F(BmpCodec, PaletteRowsStartAtTheDataOffset)
{
    BmpFile file;
    file.width = 2;
    file.height = 1;
    file.bits = 8;
    file.colorsUsed = 2;
    file.palette = {10, 20, 30, 0, 40, 50, 60, 0};
    file.gap = {1, 1, 1, 1, 1, 1};
    file.pixels = {0, 1, 0, 0};
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(RgbAt(image, 0, 0), (std::array<std::uint8_t, 3>{30, 20, 10}));
    EXPECT_EQ(RgbAt(image, 1, 0), (std::array<std::uint8_t, 3>{60, 50, 40}));

    // An offset into the palette cannot be meant: the rows follow it.
    file.gap.clear();
    file.dataOffset = 0;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(RgbAt(image, 1, 0), (std::array<std::uint8_t, 3>{60, 50, 40}));
}

TEST_F(BmpCodec, FourBitOddWidthUsesTheHighNibbleOfTheLastByte)
{
    BmpFile file;
    file.width = 3;
    file.height = 1;
    file.bits = 4;
    for (int n = 0; n < 16; ++n)
        file.palette.insert(file.palette.end(), {0, 0, std::uint8_t(16 * n), 0});
    file.pixels = {0x12, 0x3F, 0, 0};
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(RgbAt(image, 0, 0)[0], 16);
    EXPECT_EQ(RgbAt(image, 1, 0)[0], 32);
    EXPECT_EQ(RgbAt(image, 2, 0)[0], 48);
}

TEST_F(BmpCodec, OneBitNinePixelsTakeTheNinthFromTheSecondByte)
{
    BmpFile file;
    file.width = 9;
    file.height = 2;
    file.bits = 1;
    file.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    // Stride 4: bottom row 10101010 1, top row 01010101 0.
    file.pixels = {0xAA, 0x80, 0, 0, 0x55, 0x00, 0, 0};
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(RgbAt(image, x, 0)[0], x % 2 == 0 ? 255 : 0) << x;
        EXPECT_EQ(RgbAt(image, x, 1)[0], x % 2 == 1 ? 255 : 0) << x;
    }
}

TEST_F(BmpCodec, PaletteRowsWiderThan4096BytesAreRead)
{
    BmpFile file;
    file.width = 5000;
    file.height = 2;
    file.bits = 8;
    file.colorsUsed = 256;
    for (int n = 0; n < 256; ++n)
        file.palette.insert(file.palette.end(), {0, std::uint8_t(n), 0, 0});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5000; ++x)
            file.pixels.push_back(std::uint8_t(x + y));
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(RgbAt(image, 4999, 1)[1], std::uint8_t(5000));
}

TEST_F(BmpCodec, OversizedPaletteIsSkippedPastIts256thEntry)
{
    BmpFile file;
    file.width = 2;
    file.height = 1;
    file.bits = 8;
    file.colorsUsed = 300;
    for (int n = 0; n < 300; ++n)
        file.palette.insert(file.palette.end(), {std::uint8_t(n), 0, 0, 0});
    file.pixels = {7, 255, 0, 0};
    DibImage image;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(RgbAt(image, 0, 0)[2], 7);
    EXPECT_EQ(RgbAt(image, 1, 0)[2], 255);
}

struct BadFile {
    const char* name;
    void (*breakIt)(BmpFile&);
    const char* reason;
};

class BmpRefuses : public BmpCodec, public testing::WithParamInterface<BadFile> {};

TEST_P(BmpRefuses, WithAReason)
{
    BmpFile file;
    file.width = 3;
    file.height = 2;
    file.pixels.assign(24, 100);
    GetParam().breakIt(file);
    DibImage image;
    std::string error;
    EXPECT_FALSE(Load(file, image, &error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BmpRefuses,
    testing::Values(
        BadFile{"DataOffset56", [](BmpFile& f) { f.dataOffset = 56; }, "offset 56"},
        BadFile{"Os2Header", [](BmpFile& f) { f.infoSize = 12; }, "12 bytes"},
        BadFile{"V4Header", [](BmpFile& f) { f.infoSize = 108; }, "108 bytes"},
        BadFile{"V5Header", [](BmpFile& f) { f.infoSize = 124; }, "124 bytes"},
        BadFile{"SixteenBits", [](BmpFile& f) { f.bits = 16; }, "bit count 16"},
        BadFile{"ThirtyTwoBits", [](BmpFile& f) { f.bits = 32; }, "bit count 32"},
        BadFile{"RunLength", [](BmpFile& f) { f.bits = 8, f.compression = 1; }, "compression 1"},
        BadFile{"CutInPixels", [](BmpFile& f) { f.pixels.resize(23); }, "pixel data"},
        BadFile{"CutInPaletteRows",
                [](BmpFile& f) {
                    f.bits = 8;
                    f.colorsUsed = 1;
                    f.palette.assign(4, 0);
                    f.pixels.resize(7);
                },
                "pixel data"},
        BadFile{"CutInPalette",
                [](BmpFile& f) {
                    f.bits = 8;
                    f.palette.assign(40, 0);
                    f.pixels.clear();
                },
                "palette"},
        BadFile{"HugeColoursUsed",
                [](BmpFile& f) {
                    f.bits = 4;
                    f.colorsUsed = 0xFFFFFFFF;
                },
                "palette"},
        BadFile{"ZeroWidth", [](BmpFile& f) { f.width = 0; }, "impossible size"},
        BadFile{"NegativeWidth", [](BmpFile& f) { f.width = -3; }, "impossible size"},
        BadFile{"MostNegativeHeight", [](BmpFile& f) { f.height = INT32_MIN; }, "impossible size"},
        BadFile{"HugeImage",
                [](BmpFile& f) {
                    f.width = 2000000000;
                    f.height = 2000000000;
                },
                "larger than"},
        BadFile{"FarMoreRowsThanTheFile", [](BmpFile& f) { f.height = 1000000; }, "before its pixel data"}),
    [](const testing::TestParamInfo<BadFile>& info) { return info.param.name; });

TEST_F(BmpCodec, FileThatIsNotABitmapIsRefused)
{
    test::WriteFileBytes(dir.File("x.bmp"), {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    DibImage image;
    std::string error;
    EXPECT_FALSE(LoadBmp(dir.File("x.bmp"), image, &error));
    EXPECT_NE(error.find("not a BMP file"), std::string::npos);
    EXPECT_FALSE(LoadBmp(dir.File("missing.bmp"), image, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    test::WriteFileBytes(dir.File("short.bmp"), {'B', 'M', 0});
    EXPECT_FALSE(LoadBmp(dir.File("short.bmp"), image, &error));
}

TEST_F(BmpCodec, SavedFileHasTheExactLayout)
{
    DibImage image;
    ASSERT_TRUE(image.Create(1, 2, Rgb, SampleU8, BottomUp));
    std::memcpy(image.Rows()[0], "\x01\x02\x03", 3);
    std::memcpy(image.Rows()[1], "\x04\x05\x06", 3);
    ASSERT_TRUE(SaveBmp(dir.File("out.bmp"), image));
    std::vector<std::uint8_t> expected(54, 0);
    expected[0] = 'B';
    expected[1] = 'M';
    expected[2] = 62;  // the file's size, which peers check
    expected[10] = 54;
    expected[14] = 40;
    expected[18] = 1;
    expected[22] = 2;
    expected[26] = 1;
    expected[28] = 24;
    expected[34] = 8;  // bytes of pixel rows
    expected.insert(expected.end(), {3, 2, 1, 0, 6, 5, 4, 0});
    EXPECT_EQ(test::ReadFileBytes(dir.File("out.bmp")), expected);
}

struct RoundTrip {
    int width, height;
    PixelType type;
    RowOrder order;
};

class BmpRoundTrip : public BmpCodec, public testing::WithParamInterface<RoundTrip> {};

TEST_P(BmpRoundTrip, GivesThePictureBack)
{
    const RoundTrip& r = GetParam();
    MemoryImage image;
    ASSERT_TRUE(image.Create(r.width, r.height, r.type, SampleU8, r.order));
    test::FillGradient(image, r.width);
    ASSERT_TRUE(SaveBmp(dir.File("rt.bmp"), image));
    DibImage back;
    ASSERT_TRUE(LoadBmp(dir.File("rt.bmp"), back));
    EXPECT_EQ(back.Width(), r.width);
    EXPECT_EQ(back.Height(), r.height);
    EXPECT_EQ(test::PictureMd5(back), test::PictureMd5(image));
}

INSTANTIATE_TEST_SUITE_P(Formats, BmpRoundTrip,
                         testing::Values(RoundTrip{1, 1, Rgb, BottomUp},
                                         RoundTrip{1, 5, Rgb, BottomUp},
                                         RoundTrip{7, 3, Rgb, TopDown},
                                         RoundTrip{8, 5, Bgr, BottomUp},
                                         RoundTrip{13, 11, Bgr, TopDown}));

TEST_F(BmpCodec, RefusedPixelTypesCreateNoFile)
{
    MemoryImage gray, rgba, deep;
    ASSERT_TRUE(gray.Create(4, 4, Gray, SampleU8, BottomUp));
    ASSERT_TRUE(rgba.Create(4, 4, Rgba, SampleU8, BottomUp));
    ASSERT_TRUE(deep.Create(4, 4, Rgb, SampleU16, BottomUp));
    for (const Image* image : {static_cast<const Image*>(&gray), static_cast<const Image*>(&rgba),
                               static_cast<const Image*>(&deep)}) {
        std::string error;
        EXPECT_FALSE(SaveBmp(dir.File("refused.bmp"), *image, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(BmpCodec, FailedSaveKeepsTheOldFile)
{
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    test::WriteFileBytes(dir.File("keep.bmp"), old);
    DibImage image;
    ASSERT_TRUE(image.Create(4, 4, Rgb, SampleU8, BottomUp));
    std::string error;
    EXPECT_FALSE(SaveBmp(dir.File("missing/out.bmp"), image, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SaveBmp(dir.Path(), image, &error));
    EXPECT_EQ(test::ReadFileBytes(dir.File("keep.bmp")), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.bmp"});
}

}  // namespace
}  // namespace fovella
