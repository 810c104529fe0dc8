#include "apps/fovella-cli/CorrectFile.h"
#include "codecs/bmp/Bmp.h"
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
        options.input = dir.File("in.bmp");
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

TEST_F(CorrectFileTest, MayWriteOverItsOwnInput)
{
    options.output = options.input;
    ASSERT_EQ(CorrectFile(options, errors), 0) << errors.str();
    DibImage written;
    ASSERT_TRUE(LoadBmp(options.input, written));
    EXPECT_NE(test::PictureMd5(written), test::PictureMd5(source));
}

TEST_F(CorrectFileTest, FailuresSayWhyAndWriteNothing)
{
    options.input = dir.File("missing.bmp");
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_NE(errors.str().find("missing.bmp"), std::string::npos);

    test::WriteFileBytes(dir.File("junk.bmp"), {'n', 'o', 'p', 'e'});
    options.input = dir.File("junk.bmp");
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_NE(errors.str().find("not a BMP file"), std::string::npos);

    options.input = dir.File("in.bmp");
    options.output = dir.File("out.png");
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_NE(errors.str().find("only BMP"), std::string::npos);

    options.output = dir.File("no/such/folder/out.bmp");
    EXPECT_EQ(CorrectFile(options, errors), 1);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.bmp", "junk.bmp"}));
}

}  // namespace
}  // namespace fovella::cli
