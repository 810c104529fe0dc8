// Focal lengths of real camera files against what exiftool reads from the
// first APP1 block of each (rationals taken as signed 32-bit numbers).
#include "codecs/ImageFile.h"
#include "exif/ExifReader.h"
#include "image/MemoryImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fovella {
namespace {

TEST(ExifTestData, FocalLengthOfEveryCameraFile)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    std::ifstream table(dir + "/expected-exif.tsv");
    std::string line;
    std::getline(table, line);
    int compared = 0, withFocal = 0;
    while (std::getline(table, line)) {
        std::vector<std::string> c;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            c.push_back(cell);
        ASSERT_GE(c.size(), 8u) << line;
        ImageFile file;
        MemoryImage image;
        if (!file.Load(dir + "/" + c[0], image, Unknown, KeepExif))
            continue;  // a file that does not decode never gets this far
        std::vector<std::uint8_t> block;
        file.GetExifBlock(block);
        std::ostringstream diagnostics;
        const float focal = block.empty() ? 0 : ReadExif(block.data(), block.size(), diagnostics).FocalLength;
        const double expected = c[4] == "exif" && c[7] != "none" ? std::atof(c[7].c_str()) : 0;
        EXPECT_NEAR(focal, expected, 1e-4 * (1 + expected)) << c[0] << "\n" << diagnostics.str();
        ++compared;
        withFocal += expected > 0;
    }
    EXPECT_GE(compared, 100);
    EXPECT_GE(withFocal, 60);
}

// Orientations as exiftool reads them from the first directory (IFD0):
// Sony_DSC-P12's thumbnail directory says 6, its picture's says 1.
TEST(ExifTestData, OrientationOfTheFirstDirectory)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    const std::pair<const char*, int> files[] = {
        {"jpeg/exif-edge/pillow/hopper_orientation_6.jpg", 6},
        {"jpeg/exif-edge/exif-samples/portrait_6.jpg", 6},
        {"jpeg/exif-edge/exiftool/MWG.jpg", 6},
        {"jpeg/camera/metadata-extractor-images/Samsung_GT-I9000_Galaxy_S.jpg", 6},
        {"jpeg/camera/metadata-extractor-images/Sony_DSC-P12.jpg", 1},
        {"jpeg/camera/exif-samples/Canon_40D.jpg", 1},
    };
    for (const auto& [name, expected] : files) {
        ImageFile file;
        MemoryImage image;
        ASSERT_TRUE(file.Load(dir + "/" + name, image, Unknown, KeepExif)) << name;
        std::vector<std::uint8_t> block;
        file.GetExifBlock(block);
        ASSERT_FALSE(block.empty()) << name;
        std::ostringstream diagnostics;
        EXPECT_EQ(ReadExif(block.data(), block.size(), diagnostics).Orientation, expected) << name;
    }
}

}  // namespace
}  // namespace fovella
