// Every reader on the shared test files: a file either loads with the
// pixels that independent decoders give, or is refused with a reason; and
// its header alone gives the size and EXIF block of every file that loads.
#include "codecs/ImageFile.h"
#include "image/MemoryImage.h"
#include "tests/support/ExpectedDecode.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace fovella {
namespace {

struct Outcome {
    std::set<std::string> matched, mismatched, refused;
    // The header's size or EXIF block differ from the load's, or the header
    // was refused for another reason than the load gave.
    std::set<std::string> headerDisagrees;
};

// Compares what ImageFile::ReadSize says of a file with what the load found.
bool HeaderAgrees(const std::string& path, bool loaded, const Image& image, const ImageFile& load)
{
    ImageFile header;
    int width = 0, height = 0;
    const bool measured = header.ReadSize(path, width, height, Unknown, KeepExif);
    if (!measured)
        return !loaded && header.Error() == load.Error();
    std::vector<std::uint8_t> headerExif, loadExif;
    header.GetExifBlock(headerExif);
    load.GetExifBlock(loadExif);
    // A file may pass its header's checks and still fail in its data.
    return !loaded || (width == image.Width() && height == image.Height() && headerExif == loadExif);
}

Outcome DecodeAll(const std::string& dir, const std::string& prefix)
{
    Outcome outcome;
    for (const auto& row : test::LoadExpectedDecode(dir, prefix)) {
        ImageFile file;
        MemoryImage image;
        const bool loaded = file.Load(dir + "/" + row.file, image, Unknown, KeepExif);
        if (!HeaderAgrees(dir + "/" + row.file, loaded, image, file))
            outcome.headerDisagrees.insert(row.file);
        if (!loaded) {
            EXPECT_FALSE(file.Error().empty()) << row.file;
            outcome.refused.insert(row.file);
            continue;
        }
        const bool match = row.Accepts(test::PictureMd5(image)) &&
                           (row.width == 0 || (image.Width() == row.width && image.Height() == row.height));
        (match ? outcome.matched : outcome.mismatched).insert(row.file);
    }
    return outcome;
}

std::set<std::string> Files(const std::string& prefix, std::initializer_list<const char*> names)
{
    std::set<std::string> files;
    for (const char* name : names)
        files.insert(prefix + name);
    return files;
}

TEST(TestDataDecode, Png)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    const Outcome outcome = DecodeAll(dir, "png/");
    EXPECT_TRUE(outcome.headerDisagrees.empty()) << *outcome.headerDisagrees.begin();
    EXPECT_TRUE(outcome.mismatched.empty()) << *outcome.mismatched.begin();
    // Grey, RGB and RGBA of 8 and 16 bits, plain and interlaced, load.
    for (const std::string& file : Files("png/pngsuite/", {"basn0g08.png", "basn0g16.png", "basn2c08.png",
                                                          "basn2c16.png", "basn6a08.png", "basn6a16.png",
                                                          "basi2c08.png", "basi6a16.png", "f00n0g08.png",
                                                          "z09n2c08.png", "oi9n0g16.png"}))
        EXPECT_TRUE(outcome.matched.count(file)) << file;
    // Palettes, grey with alpha, small depths and corrupt files do not.
    for (const std::string& file : Files("png/pngsuite/", {"basn3p08.png", "basn4a08.png", "basn0g01.png",
                                                          "basn0g04.png", "xs2n0g01.png", "xcrn0g04.png",
                                                          "xhdn0g08.png", "xcsn0g01.png", "xd3n2c08.png"}))
        EXPECT_TRUE(outcome.refused.count(file)) << file;
    EXPECT_GE(outcome.matched.size(), 40u);
}

TEST(TestDataDecode, Jpeg)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    // Same libjpeg-turbo, same default settings as the reference decoders.
    const Outcome outcome = DecodeAll(dir, "jpeg/");
    EXPECT_TRUE(outcome.headerDisagrees.empty()) << *outcome.headerDisagrees.begin();
    for (const std::string& file : outcome.mismatched)
        EXPECT_NE(file.find("/corrupt/"), std::string::npos) << file;
    EXPECT_TRUE(outcome.refused.count("jpeg/special/pillow/pil_sample_cmyk.jpg"));
    EXPECT_GE(outcome.matched.size(), 95u);
}

TEST(TestDataDecode, Tiff)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    const Outcome outcome = DecodeAll(dir, "tiff/");
    EXPECT_TRUE(outcome.headerDisagrees.empty()) << *outcome.headerDisagrees.begin();
    for (const std::string& file :
         Files("tiff/", {"libtiffpic/flower-rgb-contig-08.tif", "libtiffpic/quad-lzw.tif", "pillow/hopper.tif",
                         "pillow/hopper_bigtiff.tif", "pillow/hopper_lzw.tif", "pillow/copyleft.tiff",
                         "pillow/tiff_adobe_deflate.tif", "exiftool/ExifTool.tif", "sdl_image/sample.tif"}))
        EXPECT_TRUE(outcome.matched.count(file)) << file;
    // 16-bit, planar, tiled, grey and palette files are refused.
    for (const std::string& file :
         Files("tiff/", {"libtiffpic/flower-rgb-contig-16.tif", "libtiffpic/flower-rgb-planar-08.tif",
                         "libtiffpic/quad-tile.tif", "libtiffpic/jim___cg.tif", "libtiffpic/jello.tif",
                         "pillow/tiff_16bit_RGB.tiff", "pillow/tiff_strip_planar_lzw.tiff"}))
        EXPECT_TRUE(outcome.refused.count(file)) << file;
}

TEST(TestDataDecode, PcxAndTga)
{
    FOVELLA_REQUIRE_TESTDATA(dir);
    const Outcome pcx = DecodeAll(dir, "pcx/");
    EXPECT_TRUE(pcx.mismatched.empty()) << *pcx.mismatched.begin();
    EXPECT_TRUE(pcx.headerDisagrees.empty()) << *pcx.headerDisagrees.begin();
    for (const std::string& file : Files("pcx/", {"kimageformats/rgb.pcx", "sdl_image/sample.pcx"}))
        EXPECT_TRUE(pcx.matched.count(file)) << file;

    const Outcome tga = DecodeAll(dir, "tga/");
    EXPECT_TRUE(tga.mismatched.empty()) << *tga.mismatched.begin();
    EXPECT_TRUE(tga.headerDisagrees.empty()) << *tga.headerDisagrees.begin();
    for (const std::string& file :
         Files("tga/", {"truevision/UTC24.TGA", "truevision/UTC32.TGA", "truevision/CTC24.TGA",
                        "truevision/CTC32.TGA", "sdl_image/sample.tga", "pillow/tga_id_field.tga"}))
        EXPECT_TRUE(tga.matched.count(file)) << file;
    for (const std::string& file : Files("tga/", {"truevision/UTC16.TGA", "truevision/UBW8.TGA", "truevision/CCM8.TGA"}))
        EXPECT_TRUE(tga.refused.count(file)) << file;
}

}  // namespace
}  // namespace fovella
