// The BMP reader on real files: BMP Suite and two files from other software.
#include "codecs/bmp/Bmp.h"
#include "image/DibImage.h"
#include "tests/support/ExpectedDecode.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

// What this reader leaves out on purpose; a refused file must name one.
const char* const kStatedRefusals[] = {
    "only the 40-byte header is read", "unsupported bit count", "compression",
    "not a BMP file", "file ends", "impossible size", "larger than this program accepts", "instead of 54",
};

bool IsStatedRefusal(const std::string& error)
{
    for (const char* reason : kStatedRefusals)
        if (error.find(reason) != std::string::npos)
            return true;
    return false;
}

TEST(BmpTestData, EveryFileLoadsCorrectlyOrIsRefusedForAStatedReason)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    const auto rows = test::LoadExpectedDecode(dir, "bmp/");
    ASSERT_GE(rows.size(), 60u);
    int loaded = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        DibImage image;
        std::string error;
        const bool bad = row.file.find("/b/") != std::string::npos;
        if (!LoadBmp(dir + "/" + row.file, image, &error)) {
            EXPECT_TRUE(IsStatedRefusal(error)) << error;
            continue;
        }
        ++loaded;
        if (row.width > 0) {
            EXPECT_EQ(image.Width(), row.width);
            EXPECT_EQ(image.Height(), row.height);
        }
        // Damaged files need only be survived: their pixels are undefined.
        if (!bad) {
            EXPECT_TRUE(row.Accepts(test::PictureMd5(image))) << row.notes;
        }
    }
    // The plain 40-byte files of every depth: 1, 4, 8 and 24 bits, top-down,
    // padded widths, non-square, and the two files from other software.
    EXPECT_GE(loaded, 15);
}

TEST(BmpTestData, PlainFilesOfEveryDepthLoad)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    for (const char* name : {"g/pal1.bmp", "g/pal1wb.bmp", "g/pal4.bmp", "g/pal8.bmp",
                             "g/pal8-0.bmp", "g/pal8topdown.bmp", "g/pal8w124.bmp",
                             "g/pal8w126.bmp", "g/pal8nonsquare.bmp", "g/rgb24.bmp"}) {
        DibImage image;
        std::string error;
        EXPECT_TRUE(LoadBmp(dir + "/bmp/bmpsuite/" + name, image, &error)) << error;
    }
}

}  // namespace
}  // namespace fovella
