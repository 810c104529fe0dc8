// fovella-cli's commands on real files, with the console in strings.
#include "apps/fovella-cli/Commands.h"
#include "codecs/ImageFile.h"
#include "exif/ExifReader.h"
#include "fs/PathString.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "tests/support/ConsoleInStrings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include <sys/stat.h>

namespace fovella::cli {
namespace {

class CommandsTest : public testing::Test, protected test::ConsoleInStrings {
protected:
    void SetUp() override
    {
        ImageFile file;
        ASSERT_TRUE(file.Save(dir.File("in.bmp"), picture, Bmp, 100, 0));
        ASSERT_TRUE(file.Save(dir.File("two.png"), picture, Png, 100, 0));
        options.focalMm = 4.0f;
        options.focalGiven = true;
        options.jobs = 1;
    }

    int Correct(bool interactive = false) { return ConsoleInStrings::Correct(options, interactive); }

    test::ScratchDir dir;
    const DibImage picture = test::GradientPicture(31, 20);
    Options options;
};

TEST_F(CommandsTest, SingleFileToAnOutputIsTheRemap)
{
    options.inputs = {dir.File("in.bmp")};
    options.output = dir.File("result.png");
    options.fineTune = 1.25;
    ASSERT_EQ(Correct(), 0) << errors.str();
    DibImage written, expected;
    ImageFile file;
    ASSERT_TRUE(file.Load(options.output, written, Unknown, 0));
    ASSERT_TRUE(LensModel().Undistort(picture, expected, PixelScale(4.0f, 31, 20, 1.25)));
    EXPECT_EQ(test::PictureMd5(written), test::PictureMd5(expected));
    // No folder was listed: the summary counts no folder's files.
    EXPECT_EQ(out.str(), "Total number of image files: 1\nTotal number of processed and saved image files: 1\n");
}

TEST_F(CommandsTest, FolderGoesToUndistortedBesideItAndExitStatusCountsSaves)
{
    test::WriteFileBytes(dir.File("broken.jpg"), {'x'});
    options.inputs = {dir.Path()};
    EXPECT_EQ(Correct(), 1);  // broken.jpg was not saved
    EXPECT_TRUE(IsFile(dir.File("undistorted/in.bmp")));
    EXPECT_TRUE(IsFile(dir.File("undistorted/two.png")));
    EXPECT_NE(errors.str().find("fovella-cli: Failed to open " + dir.File("broken.jpg") + " ("),
              std::string::npos)
        << errors.str();

    std::remove(dir.File("broken.jpg").c_str());
    errors.str("");
    options.overwrite = OverwriteChoice::All;
    EXPECT_EQ(Correct(), 0) << errors.str();
}

TEST_F(CommandsTest, OverwriteAnswersFromTheChoiceOrTheTerminal)
{
    options.inputs = {dir.File("in.bmp")};
    options.suffixGiven = true;
    options.suffix = "_u";
    ASSERT_EQ(Correct(), 0);
    // Not on a terminal, "ask" skips: the existing result stays.
    const std::vector<std::uint8_t> first = test::ReadFileBytes(dir.File("in_u.bmp"));
    options.focalMm = 2.0f;
    EXPECT_EQ(Correct(), 1);
    EXPECT_EQ(test::ReadFileBytes(dir.File("in_u.bmp")), first);
    EXPECT_EQ(errors.str(), "fovella-cli: skipped " + dir.File("in_u.bmp") +
                                ": it exists (no terminal to ask; --overwrite chooses)\n");
    // At a terminal, the answer is read.
    in.str("x\no\n");
    EXPECT_EQ(Correct(true), 0);
    EXPECT_NE(test::ReadFileBytes(dir.File("in_u.bmp")), first);
    EXPECT_NE(errors.str().find("already exists. [o]verwrite, overwrite [a]ll, [s]kip, [c]ancel?"),
              std::string::npos);
    options.overwrite = OverwriteChoice::Cancel;
    EXPECT_EQ(Correct(), 130);
}

// An empty suffix makes each source its own result: the question says so,
// and "--suffix ''" still replaces the source when told to.
TEST_F(CommandsTest, TheQuestionSaysWhenTheResultIsTheSourceItself)
{
    options.inputs = {dir.File("in.bmp")};
    options.suffixGiven = true;
    options.suffix = "";
    const std::vector<std::uint8_t> source = test::ReadFileBytes(dir.File("in.bmp"));
    in.str("s\n");
    EXPECT_EQ(Correct(true), 1);
    EXPECT_NE(errors.str().find("File \"" + dir.File("in.bmp") +
                                "\" already exists and is the source itself: overwriting replaces the original. "
                                "[o]verwrite, overwrite [a]ll, [s]kip, [c]ancel? "),
              std::string::npos)
        << errors.str();
    EXPECT_EQ(test::ReadFileBytes(dir.File("in.bmp")), source);

    options.overwrite = OverwriteChoice::All;
    EXPECT_EQ(Correct(), 0) << errors.str();
    EXPECT_NE(test::ReadFileBytes(dir.File("in.bmp")), source);
}

// A result of an earlier run is refused by name, counted as not saved;
// --force corrects it again. Files without an EXIF focal length are named
// when only that may be used.
TEST_F(CommandsTest, ResultsAreRefusedUnlessForcedAndSkippedFilesAreNamed)
{
    options.inputs = {dir.File("two.png")};
    options.output = dir.File("once.png");
    options.overwrite = OverwriteChoice::All;
    ASSERT_EQ(Correct(), 0) << errors.str();
    options.inputs = {dir.File("once.png")};
    options.output = dir.File("twice.png");
    errors.str("");
    EXPECT_EQ(Correct(), 1);
    char scale[32];
    std::snprintf(scale, sizeof scale, "%.2f px", PixelScale(4.0f, 31, 20, 1.0));
    EXPECT_EQ(errors.str(), "fovella-cli: " + dir.File("once.png") + ": already corrected by Fovella at scale " +
                                scale + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("twice.png")));
    Options info;
    info.inputs = {dir.File("once.png")};
    out.str("");
    EXPECT_EQ(Describe(info), 0);
    EXPECT_EQ(out.str(), dir.File("once.png") + ": 31 x 20, PNG, EXIF focal length: none, already corrected by Fovella at scale " +
                             scale + "\n");
    options.force = true;
    EXPECT_EQ(Correct(), 0) << errors.str();
    EXPECT_TRUE(std::filesystem::exists(dir.File("twice.png")));

    options = Options();
    options.inputs = {dir.File("in.bmp"), dir.File("two.png")};
    options.focalSource = FocalSource::Exif;
    options.outDir = dir.File("exif");
    errors.str("");
    EXPECT_EQ(Correct(), 1);
    EXPECT_EQ(errors.str(), "fovella-cli: skipped " + dir.File("in.bmp") + ": no EXIF focal length\n" +
                                "fovella-cli: skipped " + dir.File("two.png") + ": no EXIF focal length\n");
}

TEST_F(CommandsTest, DryRunWritesNothing)
{
    options.inputs = {dir.Path()};
    options.dryRun = true;
    EXPECT_EQ(Correct(), 0) << errors.str();
    EXPECT_NE(out.str().find(dir.File("in.bmp") + " -> " + dir.File("undistorted/in.bmp") +
                             ": focal length 4.000 mm (manual), scale "),
              std::string::npos)
        << out.str();
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.bmp", "two.png"}));
}

TEST_F(CommandsTest, OutputForAFolderOrInAFormatWithoutWriterIsWrongUsage)
{
    options.inputs = {dir.Path()};
    options.output = dir.File("x.png");
    EXPECT_EQ(Correct(), 2);
    options.inputs = {dir.File("in.bmp")};
    options.output = dir.File("x.tif");
    EXPECT_EQ(Correct(), 2);
    EXPECT_NE(errors.str().find("must end in"), std::string::npos);
}

TEST_F(CommandsTest, NamedFilesInAnyReadableFormatFolderFilesAsTheBatchTakesThem)
{
    // A TGA named on the command line is corrected into a PNG; in a
    // folder it is only counted.
    std::vector<std::uint8_t> tga(18 + 6, 0);
    tga[2] = 2, tga[12] = 2, tga[14] = 1, tga[16] = 24;
    for (int k = 0; k < 6; ++k)
        tga[18 + k] = std::uint8_t(10 * (k + 1));
    test::WriteFileBytes(dir.File("pic.tga"), tga);
    options.inputs = {dir.File("pic.tga")};
    options.outDir = dir.File("named");
    ASSERT_EQ(Correct(), 0) << errors.str();
    EXPECT_TRUE(IsFile(dir.File("named/pic.png")));

    test::WriteFileBytes(dir.File("notes.txt"), {'n'});
    options.inputs = {dir.File("notes.txt")};
    EXPECT_EQ(Correct(), 1);
    EXPECT_NE(errors.str().find("Failed to open " + dir.File("notes.txt")), std::string::npos);
    std::remove(dir.File("notes.txt").c_str());

    options.inputs = {dir.Path()};
    options.outDir = dir.File("listed");
    ASSERT_EQ(Correct(), 0) << errors.str();
    EXPECT_FALSE(IsFile(dir.File("listed/pic.png")));
    EXPECT_NE(out.str().find("Total number of files in folder: 3\nTotal number of image files in folder: 2\n"),
              std::string::npos)
        << out.str();
}

class CameraFileTest : public testing::Test, protected test::ConsoleInStrings {
protected:
    void SetUp() override
    {
        testData = test::TestDataDir();
        if (testData.empty())
            GTEST_SKIP() << "shared test data not found (set FOVELLA_TESTDATA to its folder)";
        camera = testData + "/jpeg/camera/exif-samples/Canon_40D.jpg";  // FocalLength 135 mm
    }

    std::string testData, camera;
    test::ScratchDir dir;
};

TEST_F(CameraFileTest, UsesTheExifFocalLengthAndCarriesTheBlock)
{
    Options options;
    options.inputs = {camera};
    options.output = dir.File("corrected.jpg");
    ASSERT_EQ(Correct(options), 0) << errors.str();

    ImageFile original, corrected;
    DibImage a, b;
    ASSERT_TRUE(original.Load(camera, a, Unknown, KeepExif));
    ASSERT_TRUE(corrected.Load(options.output, b, Unknown, KeepExif));
    std::vector<std::uint8_t> before, after;
    original.GetExifBlock(before);
    corrected.GetExifBlock(after);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(after, before);

    options.focalSource = FocalSource::Manual;
    options.focalMm = 2.0f;
    options.focalGiven = true;
    options.output = dir.File("manual.jpg");
    ASSERT_EQ(Correct(options), 0) << errors.str();
    EXPECT_NE(test::ReadFileBytes(dir.File("manual.jpg")), test::ReadFileBytes(dir.File("corrected.jpg")));
}

// Any focal length but 0 is reported as read; what the EXIF reader finds
// wrong goes to the error stream, for --info and for folder runs alike.
TEST_F(CommandsTest, NegativeFocalLengthsAndTheReadersDiagnosticsAreReported)
{
    std::vector<std::uint8_t> damaged = test::ExifWithFocal(18, 1);
    damaged[6] = 'X';  // no byte order
    test::ScratchDir photos;
    test::WriteGradientFile(photos.File("damaged.jpg"), 20, 10, damaged);
    test::WriteGradientFile(photos.File("neg.jpg"), 20, 10, test::ExifWithFocal(-160, 1000));
    options.info = true;
    options.inputs = {photos.File("neg.jpg"), photos.File("damaged.jpg")};
    EXPECT_EQ(Describe(options), 0);
    EXPECT_EQ(out.str(), photos.File("neg.jpg") + ": 20 x 10, JPEG, EXIF focal length: -0.160 mm\n" +
                             photos.File("damaged.jpg") + ": 20 x 10, JPEG, EXIF focal length: none\n");
    // Each line names its file, so that a run over many files can be read.
    const std::string diagnostic = "'" + photos.File("damaged.jpg") + "': Nonfatal Error : Invalid Exif alignment marker.\n";
    EXPECT_EQ(errors.str(), diagnostic);

    // Only the header and the EXIF block are read: a photograph whose coded
    // picture is cut short is still described.
    test::WriteGradientFile(photos.File("whole.jpg"), 640, 480, test::ExifWithFocal(58, 10));
    std::vector<std::uint8_t> bytes = test::ReadFileBytes(photos.File("whole.jpg"));
    bytes.resize(bytes.size() / 3);
    test::WriteFileBytes(photos.File("cut.jpg"), bytes);
    out.str("");
    options.inputs = {photos.File("cut.jpg")};
    EXPECT_EQ(Describe(options), 0);
    EXPECT_EQ(out.str(), photos.File("cut.jpg") + ": 640 x 480, JPEG, EXIF focal length: 5.800 mm\n");

    options.info = false;
    std::filesystem::remove(photos.File("whole.jpg"));
    std::filesystem::remove(photos.File("cut.jpg"));
    options.inputs = {photos.Path()};
    options.focalSource = FocalSource::Auto;
    options.jobs = 2;
    testing::internal::CaptureStderr();
    Correct();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), diagnostic);
}

// Only the user's cancel ends a run: a picture the remap refuses (here a
// scale too large to compute with, from the fine tune or from an infinite
// EXIF focal length) is that file's failure, named, and the run goes on.
// Every file not saved gets a line; names cannot drive the terminal.
TEST_F(CommandsTest, NothingIsSilentAndNamesArePrintedSafely)
{
    // Two inputs whose results share a name: the first stays, the second is refused.
    test::ScratchDir other;
    test::WriteGradientFile(other.File("in.bmp"), 10, 8);
    options.inputs = {dir.Path(), other.Path()};
    options.outDir = dir.File("all");
    EXPECT_EQ(Correct(), 1);
    EXPECT_NE(errors.str().find("Failed to save " + dir.File("all/in.bmp") +
                                " (the result of another file of this run has this name)"),
              std::string::npos)
        << errors.str();
    DibImage kept;
    ImageFile file;
    ASSERT_TRUE(file.Load(dir.File("all/in.bmp"), kept, Unknown, 0));
    EXPECT_EQ(kept.Width(), 31);

    // A missing input folder is named; so is a file whose name holds escapes,
    // and one whose name is not UTF-8.
    errors.str("");
    test::WriteFileBytes(dir.File("bad\x1b[31m.jpg"), {'x'});
    test::WriteFileBytes(dir.File("caf\xE9.jpg"), {'x'});
    options.inputs = {dir.File("nowhere/"), dir.File("bad\x1b[31m.jpg"), dir.File("caf\xE9.jpg")};
    options.outDir.clear();
    EXPECT_EQ(Correct(), 1);
    EXPECT_NE(errors.str().find("'" + dir.File("nowhere/") + "': no such file or folder\n"), std::string::npos)
        << errors.str();
    EXPECT_NE(errors.str().find("bad\\x1B[31m.jpg"), std::string::npos) << errors.str();
    EXPECT_EQ(errors.str().find('\x1b'), std::string::npos);
    EXPECT_NE(errors.str().find("Failed to open " + dir.File("caf\\xE9.jpg")), std::string::npos) << errors.str();
    EXPECT_EQ(errors.str().find('\xE9'), std::string::npos);
    EXPECT_EQ(errors.str().find("cannot be created"), std::string::npos);
}

// A long list can be split over runs or machines: each file's result is
// the same however the list was split, and a rerun with --overwrite skip
// finishes only what is missing.
TEST_F(CommandsTest, FilesFromAListAndASplitListGiveTheSameResults)
{
    test::ScratchDir photos;
    std::string all, first, second;
    for (int k = 0; k < 4; ++k) {
        const std::string name = photos.File("p" + std::to_string(k) + (k % 2 ? ".png" : ".jpg"));
        test::WriteGradientFile(name, 30 + k, 20, {}, k);
        all += name + "\n";
        (k < 2 ? first : second) += name + '\0';
    }
    options.inputs.clear();
    options.filesFrom = "-";
    options.outDir = dir.File("whole");
    in.str(all);
    EXPECT_EQ(Correct(), 0) << errors.str();

    options.outDir = dir.File("split");
    options.nulSeparated = true;
    for (const std::string& part : {first, second}) {
        in.clear();
        in.str(part);
        EXPECT_EQ(Correct(), 0) << errors.str();
    }
    for (const std::string& name : dir.Entries("whole"))
        EXPECT_EQ(test::ReadFileBytes(dir.File("whole/" + name)), test::ReadFileBytes(dir.File("split/" + name)))
            << name;
    EXPECT_EQ(dir.Entries("whole").size(), 4u);

    // A rerun keeps what is there and says so; every file is done: status 0.
    std::filesystem::remove(dir.File("split/p3.png"));
    options.overwrite = OverwriteChoice::Skip;
    in.clear();
    in.str(first + second);
    errors.str("");
    EXPECT_EQ(Correct(), 0) << errors.str();
    EXPECT_TRUE(IsFile(dir.File("split/p3.png")));
    EXPECT_NE(errors.str().find("skipped " + dir.File("split/p0.jpg")), std::string::npos);
}

TEST_F(CommandsTest, ARefusedPictureFailsAloneAndTheRunGoesOn)
{
    options.inputs = {dir.Path()};
    options.fineTune = 1e308;
    EXPECT_EQ(Correct(), 1);
    EXPECT_NE(errors.str().find("Failed to undistort " + dir.File("in.bmp") + " ("), std::string::npos)
        << errors.str();
    EXPECT_NE(errors.str().find("Failed to undistort " + dir.File("two.png")), std::string::npos);
    EXPECT_NE(out.str().find("processed and saved image files: 0"), std::string::npos) << out.str();

    std::vector<std::uint8_t> infinite = test::ExifWithFocal(1, 1);
    infinite[18] = 11;  // FLOAT, held in the entry itself: +Inf
    const std::uint8_t inf[] = {0x00, 0x00, 0x80, 0x7F};
    std::copy(inf, inf + 4, infinite.begin() + 24);
    test::WriteGradientFile(dir.File("inf.jpg"), 20, 10, infinite);
    options.fineTune = 1;
    options.outDir = dir.File("out");
    errors.str("");
    EXPECT_EQ(Correct(), 1);
    EXPECT_NE(errors.str().find("Failed to undistort " + dir.File("inf.jpg")), std::string::npos) << errors.str();
    EXPECT_TRUE(IsFile(dir.File("out/in.bmp")));
    EXPECT_TRUE(IsFile(dir.File("out/two.png")));
}

// A FIFO, a folder or a device under an image's name is refused before it is
// opened, so that nothing blocks.
TEST_F(CommandsTest, WhatIsNotARegularFileIsRefusedWithoutBlocking)
{
    ASSERT_EQ(::mkfifo(dir.File("pipe.jpg").c_str(), 0600), 0);
    test::ScratchDir other;
    ASSERT_EQ(::mkfifo(other.File("named.png").c_str(), 0600), 0);
    options.inputs = {dir.Path(), other.File("named.png")};
    EXPECT_EQ(Correct(), 1);
    for (const std::string& pipe : {dir.File("pipe.jpg"), other.File("named.png")})
        EXPECT_NE(errors.str().find("Failed to open " + pipe + " (not a regular file)"), std::string::npos)
            << errors.str();
    EXPECT_TRUE(IsFile(dir.File("undistorted/in.bmp")));
}

TEST_F(CameraFileTest, InfoDescribesEachFile)
{
    Options options;
    options.info = true;
    options.inputs = {camera, testData + "/bmp/bmpsuite/g/rgb24.bmp", testData + "/png/pngsuite/basn6a16.png",
                      dir.File("missing.png")};
    EXPECT_EQ(Describe(options), 1);
    const std::string text = out.str();
    EXPECT_NE(text.find("Canon_40D.jpg: "), std::string::npos) << text;
    EXPECT_NE(text.find(", JPEG, EXIF focal length: 135.000 mm\n"), std::string::npos) << text;
    EXPECT_NE(text.find("rgb24.bmp: 127 x 64, BMP, EXIF focal length: none\n"), std::string::npos) << text;
    EXPECT_NE(text.find("basn6a16.png: 32 x 32, PNG, EXIF focal length: none\n"), std::string::npos) << text;
    EXPECT_NE(errors.str().find("missing.png"), std::string::npos);
}

}  // namespace
}  // namespace fovella::cli
