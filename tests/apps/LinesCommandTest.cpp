// fovella-cli --focal-source lines: each file's scale from its own straight
// lines; files with none, or none bent, are named and not written.
#include "apps/fovella-cli/CommandLine.h"
#include "apps/fovella-cli/Commands.h"
#include "codecs/ImageFile.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lines/LineEstimator.h"
#include "tests/support/ConsoleInStrings.h"
#include "tests/support/LineScene.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace fovella::cli {
namespace {

class LinesCommandTest : public testing::Test, protected test::ConsoleInStrings {
protected:
    void SetUp() override
    {
        ImageFile file;
        DibImage straight, flat;
        ASSERT_TRUE(test::DrawLineScene(bent, 901, 600, 0.6, 4, Bgr, BottomUp));
        ASSERT_TRUE(test::DrawLineScene(straight, 900, 601, 0, 4, Bgr, BottomUp));
        ASSERT_TRUE(flat.Create(300, 200, Bgr, SampleU8, BottomUp));
        for (int y = 0; y < 200; ++y)
            std::fill_n(flat.Rows()[y], 900, std::uint8_t(90));
        ASSERT_TRUE(file.Save(dir.File("a-bent.bmp"), bent, Bmp, 100, 0));
        ASSERT_TRUE(file.Save(dir.File("b-straight.bmp"), straight, Bmp, 100, 0));
        ASSERT_TRUE(file.Save(dir.File("c-flat.bmp"), flat, Bmp, 100, 0));
        std::string error;
        ASSERT_TRUE(ParseCommandLine({"--focal-source", "lines", "--fine-tune", "1.5", "-j", "2", "--out-dir",
                                      dir.File("out"), dir.Path()},
                                     options, error))
            << error;
    }

    int Run() { return Correct(options); }

    test::ScratchDir dir;
    DibImage bent;
    Options options;
};

TEST_F(LinesCommandTest, DryRunNamesTheScaleAndTheFilesWithoutOne)
{
    options.dryRun = true;
    EXPECT_EQ(Run(), 1);
    const LineEstimate estimate = EstimateLines(bent);
    ASSERT_EQ(estimate.verdict, LineEstimate::Verdict::Found);
    char expected[160];
    std::snprintf(expected, sizeof expected, ": focal length %.3f mm (lines), scale %.2f px\n",
                  double(float(FocalForScale(estimate.scale, 901, 600, 1.5))), estimate.scale);
    EXPECT_EQ(out.str().find(dir.File("a-bent.bmp") + " -> " + dir.File("out/a-bent.bmp") + expected),
              0u) << out.str();
    EXPECT_NEAR(estimate.scale, std::hypot(901.0, 600.0) / 2 / 0.6, std::hypot(901.0, 600.0) / 2 / 0.6 * 0.01);
    EXPECT_NE(errors.str().find("fovella-cli: " + dir.File("b-straight.bmp") + ": no barrel distortion found\n"),
              std::string::npos) << errors.str();
    EXPECT_NE(errors.str().find("fovella-cli: " + dir.File("c-flat.bmp") + ": no straight lines found\n"),
              std::string::npos) << errors.str();
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a-bent.bmp", "b-straight.bmp", "c-flat.bmp"}));
}

TEST_F(LinesCommandTest, WritesTheCorrectedFileAloneAndCountsTheOthersAsNotSaved)
{
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(out.str().find("Total number of image files in folder: 3"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Total number of processed and saved image files: 1"), std::string::npos);
    DibImage written, expected;
    ImageFile file;
    ASSERT_TRUE(file.Load(dir.File("out/a-bent.bmp"), written, Unknown, 0));
    ASSERT_TRUE(LensModel().Undistort(bent, expected, EstimateLines(bent).scale));
    EXPECT_EQ(test::PictureMd5(written), test::PictureMd5(expected));
    EXPECT_FALSE(file.Load(dir.File("out/b-straight.bmp"), written, Unknown, 0));
    EXPECT_FALSE(file.Load(dir.File("out/c-flat.bmp"), written, Unknown, 0));
}

// A dry run with the lines reads each file's header and the estimate's own
// copy, not the whole picture: an earlier run's result and a file that is
// no picture are still told as a dry run with a typed focal length tells them.
TEST_F(LinesCommandTest, DryRunTellsResultsAndUnreadableFilesAsATypedOneDoes)
{
    test::ScratchDir other;
    std::string error;
    Options write;
    ASSERT_TRUE(ParseCommandLine({"-f", "4", "-o", other.File("result.png"), dir.File("a-bent.bmp")}, write, error));
    ASSERT_EQ(Correct(write), 0) << errors.str();
    test::WriteFileBytes(other.File("damaged.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 3});
    std::string told[2];
    for (int k = 0; k < 2; ++k) {
        Options dry;
        ASSERT_TRUE(ParseCommandLine({"--dry-run", "--focal-source", k ? "manual" : "lines", "-f", "4", other.Path()},
                                     dry, error));
        errors.str("");
        EXPECT_EQ(Correct(dry), 1);
        told[k] = errors.str();
    }
    EXPECT_EQ(told[0], told[1]);
    EXPECT_NE(told[0].find(other.File("result.png") + ": already corrected by Fovella"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("Failed to open " + other.File("damaged.jpg")), std::string::npos) << told[0];
}

TEST(LinesCommand, AnotherSourceNameIsWrongUsage)
{
    Options other;
    std::string error;
    EXPECT_FALSE(ParseCommandLine({"--focal-source", "line", "x.jpg"}, other, error));
    EXPECT_EQ(error, "focal source 'line' is not one of exif, manual, auto, lines");
}

}  // namespace
}  // namespace fovella::cli
