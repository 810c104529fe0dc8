#include "apps/fovella-cli/CorrectFile.h"
#include "codecs/ImageFile.h"
#include "codecs/bmp/Bmp.h"
#include "exif/ExifReader.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace fovella::cli {
namespace {

class CorrectFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(source.Create(31, 20, Rgb, SampleU8, BottomUp));
        test::FillGradient(source);
        ASSERT_TRUE(SaveBmp(dir.File("in.bmp"), source));
        options.inputs = {dir.File("in.bmp")};
        options.output = dir.File("out.bmp");
        options.focalMm = 4.0f;
        options.focalGiven = true;
    }

    test::ScratchDir dir;
    DibImage source;
    Options options;
    std::ostringstream errors;
};

TEST_F(CorrectFileTest, WritesTheRemapAtTheScaleOfTheFocalLength)
{
    options.fineTune = 1.25;
    ASSERT_EQ(CorrectFile(options, errors), 0) << errors.str();
    DibImage written, expected;
    ASSERT_TRUE(LoadBmp(options.output, written));
    ASSERT_TRUE(LensModel().Undistort(source, expected, PixelScale(4.0f, 31, 20, 1.25)));
    EXPECT_EQ(test::PictureMd5(written), test::PictureMd5(expected));
    EXPECT_TRUE(errors.str().empty());
}

TEST_F(CorrectFileTest, WritesPngAndJpegByTheExtension)
{
    options.output = dir.File("out.png");
    ASSERT_EQ(CorrectFile(options, errors), 0) << errors.str();
    DibImage png, expected;
    ImageFile file;
    ASSERT_TRUE(file.Load(options.output, png, Unknown, 0)) << file.Error();
    ASSERT_TRUE(LensModel().Undistort(source, expected, PixelScale(4.0f, 31, 20, 1.0)));
    EXPECT_EQ(test::PictureMd5(png), test::PictureMd5(expected));

    options.output = dir.File("out.JPG");
    options.quality = 100;
    ASSERT_EQ(CorrectFile(options, errors), 0) << errors.str();
    EXPECT_EQ(test::ReadFileBytes(options.output).at(0), 0xFF);
}

TEST_F(CorrectFileTest, MayWriteOverItsOwnInput)
{
    options.output = options.inputs[0];
    ASSERT_EQ(CorrectFile(options, errors), 0) << errors.str();
    DibImage written;
    ASSERT_TRUE(LoadBmp(options.inputs[0], written));
    EXPECT_NE(test::PictureMd5(written), test::PictureMd5(source));
}

TEST_F(CorrectFileTest, FailuresSayWhyAndWriteNothing)
{
    options.inputs = {dir.File("missing.bmp")};
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_NE(errors.str().find("missing.bmp"), std::string::npos);

    test::WriteFileBytes(dir.File("junk.bmp"), {'n', 'o', 'p', 'e'});
    options.inputs = {dir.File("junk.bmp")};
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_NE(errors.str().find("not a BMP file"), std::string::npos);

    options.inputs = {dir.File("in.bmp")};
    options.output = dir.File("out.tif");
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_NE(errors.str().find("must end in"), std::string::npos);

    options.output = dir.File("no/such/folder/out.bmp");
    EXPECT_EQ(CorrectFile(options, errors), 1);

    // A BMP has no EXIF block: without -f there is no focal length.
    options.output = dir.File("out.bmp");
    options.focalGiven = false;
    options.focalMm = 0;
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_NE(errors.str().find("give one with -f"), std::string::npos);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.bmp", "junk.bmp"}));
}

// A camera file from the shared test data, FocalLength 135 mm.
class CameraFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        testData = test::TestDataDir();
        if (testData.empty())
            GTEST_SKIP() << "shared test data not found (set FOVELLA_TESTDATA to its folder)";
        camera = testData + "/jpeg/camera/exif-samples/Canon_40D.jpg";
        if (!IsReadable(camera))
            GTEST_SKIP() << camera << " is not in the shared test data";
    }

    static bool IsReadable(const std::string& path) { return !test::ReadFileBytes(path).empty(); }

    std::string testData, camera;
    test::ScratchDir dir;
    std::ostringstream out, errors;
};

TEST_F(CameraFileTest, UsesTheExifFocalLengthAndCarriesTheBlock)
{
    Options options;
    options.inputs = {camera};
    options.output = dir.File("corrected.jpg");
    ASSERT_EQ(CorrectFile(options, errors), 0) << errors.str();

    ImageFile original, corrected;
    DibImage a, b;
    ASSERT_TRUE(original.Load(camera, a, Unknown, KeepExif));
    ASSERT_TRUE(corrected.Load(options.output, b, Unknown, KeepExif));
    std::vector<std::uint8_t> before, after;
    original.GetExifBlock(before);
    corrected.GetExifBlock(after);
    ASSERT_FALSE(before.empty());
    std::ostringstream diagnostics;
    ReadExif(before.data(), before.size(), diagnostics);  // trims UserComment as the save did
    EXPECT_EQ(after, before);
    EXPECT_EQ(b.Width(), a.Width());

    // The manual value differs from the EXIF one, so the results differ.
    options.focalSource = FocalSource::Manual;
    options.focalMm = 2.0f;
    options.focalGiven = true;
    options.output = dir.File("manual.jpg");
    ASSERT_EQ(CorrectFile(options, errors), 0) << errors.str();
    EXPECT_NE(test::ReadFileBytes(dir.File("manual.jpg")), test::ReadFileBytes(dir.File("corrected.jpg")));
}

TEST_F(CameraFileTest, InfoDescribesEachFile)
{
    Options options;
    options.info = true;
    options.inputs = {camera, testData + "/bmp/bmpsuite/g/rgb24.bmp", dir.File("missing.png")};
    EXPECT_EQ(DescribeFiles(options, out, errors), 1);
    const std::string text = out.str();
    EXPECT_NE(text.find("Canon_40D.jpg: "), std::string::npos) << text;
    EXPECT_NE(text.find(", JPEG, EXIF focal length: 135.000 mm\n"), std::string::npos) << text;
    EXPECT_NE(text.find("rgb24.bmp: 127 x 64, BMP, EXIF focal length: none\n"), std::string::npos)
        << text;
    EXPECT_NE(errors.str().find("missing.png"), std::string::npos);
}

}  // namespace
}  // namespace fovella::cli
