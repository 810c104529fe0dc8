// PCX and TGA files made byte by byte, for the cases the test suites lack.
#include "codecs/pcx/Pcx.h"
#include "codecs/tga/Tga.h"
#include "image/DibImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

std::vector<std::uint8_t> PcxHeader(int width, int height, int bytesPerLine, int planes = 3, int bits = 8)
{
    std::vector<std::uint8_t> header(128, 0);
    header[0] = 10;
    header[1] = 5;
    header[2] = 1;
    header[3] = std::uint8_t(bits);
    header[8] = std::uint8_t(width - 1);
    header[10] = std::uint8_t(height - 1);
    header[65] = std::uint8_t(planes);
    header[66] = std::uint8_t(bytesPerLine);
    return header;
}

std::array<std::uint8_t, 3> At(const Image& image, int x, int rowFromTop)
{
    const std::uint8_t* p = image.Rows()[image.Height() - 1 - rowFromTop] + 3 * x;
    return {p[0], p[1], p[2]};
}

TEST(Pcx, RunsCrossFromOnePlaneIntoTheNextAndPaddingIsDropped)
{
    test::ScratchDir dir;
    // 3 pixels wide, 4 bytes per plane line (one padding byte), one line.
    // Red gets 10 20 30; a run of four 40s starts at red's padding (position
    // 3 = width, so it is not skipped) and carries over into green's three
    // pixels; 50 falls on green's padding; blue gets 60, then a run of five
    // 70s whose rest, past the line's last plane, is dropped.
    std::vector<std::uint8_t> file = PcxHeader(3, 1, 4);
    file.insert(file.end(), {10, 20, 30, 0xC0 + 4, 40, 50, 60, 0xC0 + 5, 70});
    test::WriteFileBytes(dir.File("a.pcx"), file);
    DibImage image;
    std::string error;
    ASSERT_TRUE(LoadPcx(dir.File("a.pcx"), image, &error)) << error;
    EXPECT_EQ(At(image, 0, 0), (std::array<std::uint8_t, 3>{10, 40, 60}));
    EXPECT_EQ(At(image, 1, 0), (std::array<std::uint8_t, 3>{20, 40, 70}));
    EXPECT_EQ(At(image, 2, 0), (std::array<std::uint8_t, 3>{30, 40, 70}));
}

TEST(Pcx, RefusesOtherLayoutsAndTruncatedData)
{
    test::ScratchDir dir;
    DibImage image;
    std::string error;
    test::WriteFileBytes(dir.File("one.pcx"), PcxHeader(3, 1, 4, 1, 8));
    EXPECT_FALSE(LoadPcx(dir.File("one.pcx"), image, &error));
    EXPECT_NE(error.find("three 8-bit planes"), std::string::npos) << error;
    test::WriteFileBytes(dir.File("narrow.pcx"), PcxHeader(5, 1, 4));
    EXPECT_FALSE(LoadPcx(dir.File("narrow.pcx"), image, &error));
    std::vector<std::uint8_t> cut = PcxHeader(3, 2, 4);
    cut.insert(cut.end(), {1, 2, 3, 0, 0xC5});  // ends inside a run
    test::WriteFileBytes(dir.File("cut.pcx"), cut);
    EXPECT_FALSE(LoadPcx(dir.File("cut.pcx"), image, &error));
    EXPECT_NE(error.find("ends inside"), std::string::npos) << error;
    test::WriteFileBytes(dir.File("short.pcx"), {10, 5, 1, 8});
    EXPECT_FALSE(LoadPcx(dir.File("short.pcx"), image, &error));
}

std::vector<std::uint8_t> TgaHeader(int type, int width, int height, int depth, int descriptor,
                                    int idLength = 0)
{
    std::vector<std::uint8_t> header(18, 0);
    header[0] = std::uint8_t(idLength);
    header[2] = std::uint8_t(type);
    header[12] = std::uint8_t(width);
    header[14] = std::uint8_t(height);
    header[16] = std::uint8_t(depth);
    header[17] = std::uint8_t(descriptor);
    header.resize(18 + std::size_t(idLength), 'i');
    return header;
}

TEST(Tga, OriginBitsPlaceTheFirstPixel)
{
    test::ScratchDir dir;
    // 2 x 2, pixels in file order: A B / C D (blue, green, red).
    const std::vector<std::uint8_t> pixels = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10};
    struct Case {
        int descriptor;
        std::uint8_t topLeftRed;
    };
    // Bottom-left origin: the first file row is the bottom one.
    for (const Case c : {Case{0x00, 7}, Case{0x20, 1}, Case{0x10, 10}, Case{0x30, 4}}) {
        std::vector<std::uint8_t> file = TgaHeader(2, 2, 2, 24, c.descriptor, 5);
        file.insert(file.end(), pixels.begin(), pixels.end());
        test::WriteFileBytes(dir.File("o.tga"), file);
        DibImage image;
        std::string error;
        ASSERT_TRUE(LoadTga(dir.File("o.tga"), image, &error)) << error;
        EXPECT_EQ(At(image, 0, 0)[0], c.topLeftRed) << c.descriptor;
    }
}

TEST(Tga, RunLengthPacketsMayCrossRowsAndAlphaIsDropped)
{
    test::ScratchDir dir;
    std::vector<std::uint8_t> file = TgaHeader(10, 3, 2, 32, 0x28);
    // A run of 4 red pixels, then 2 literal pixels.
    file.insert(file.end(), {0x83, 0, 0, 200, 99, 0x01, 10, 20, 30, 99, 40, 50, 60, 99});
    test::WriteFileBytes(dir.File("r.tga"), file);
    DibImage image;
    std::string error;
    ASSERT_TRUE(LoadTga(dir.File("r.tga"), image, &error)) << error;
    EXPECT_EQ(At(image, 2, 0), (std::array<std::uint8_t, 3>{200, 0, 0}));
    EXPECT_EQ(At(image, 0, 1), (std::array<std::uint8_t, 3>{200, 0, 0}));
    EXPECT_EQ(At(image, 1, 1), (std::array<std::uint8_t, 3>{30, 20, 10}));
    EXPECT_EQ(At(image, 2, 1), (std::array<std::uint8_t, 3>{60, 50, 40}));

    file.resize(file.size() - 3);
    test::WriteFileBytes(dir.File("cut.tga"), file);
    EXPECT_FALSE(LoadTga(dir.File("cut.tga"), image, &error));
    EXPECT_NE(error.find("ends inside"), std::string::npos) << error;
}

TEST(Tga, RefusesOtherTypesAndDepths)
{
    test::ScratchDir dir;
    DibImage image;
    std::string error;
    for (const auto& [type, depth] : {std::pair{1, 8}, std::pair{3, 8}, std::pair{2, 16}, std::pair{9, 8}}) {
        std::vector<std::uint8_t> file = TgaHeader(type, 1, 1, depth, 0);
        file.insert(file.end(), 4, 0);
        test::WriteFileBytes(dir.File("x.tga"), file);
        EXPECT_FALSE(LoadTga(dir.File("x.tga"), image, &error)) << type << " " << depth;
    }
}

}  // namespace
}  // namespace fovella
