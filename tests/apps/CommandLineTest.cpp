#include "apps/fovella-cli/CommandLine.h"

#include <gtest/gtest.h>

namespace fovella::cli {
namespace {

bool Parse(std::vector<std::string> arguments, Options& options, std::string& error)
{
    return ParseCommandLine(arguments, options, error);
}

TEST(CommandLine, ReadsFocalLengthFineTuneInputAndOutput)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"-f", "5.8", "--fine-tune", "1.5", "in.bmp", "-o", "out.bmp"}, options, error))
        << error;
    EXPECT_EQ(options.focalMm, 5.8f);
    EXPECT_EQ(options.fineTune, 1.5);
    EXPECT_EQ(options.inputs, std::vector<std::string>{"in.bmp"});
    EXPECT_EQ(options.quality, 95);
    EXPECT_EQ(options.focalSource, FocalSource::Auto);
    EXPECT_EQ(options.output, "out.bmp");

    Options defaults;
    ASSERT_TRUE(Parse({"in.bmp", "--focal", "24", "-o", "out.bmp"}, defaults, error));
    EXPECT_EQ(defaults.fineTune, 1.0);
    EXPECT_EQ(defaults.focalMm, 24.0f);
    EXPECT_FALSE(defaults.force);

    // A decimal comma means what a decimal point means.
    Options comma;
    ASSERT_TRUE(Parse({"-f", "5,8", "--fine-tune", "1,5", "--force", "in.bmp", "-o", "out.bmp"}, comma, error))
        << error;
    EXPECT_EQ(comma.focalMm, 5.8f);
    EXPECT_EQ(comma.fineTune, 1.5);
    EXPECT_TRUE(comma.force);
}

TEST(CommandLine, AttachedValuesAndTheEndOfOptions)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"-j1", "-q80", "-f5", "--fine-tune=2", "--", "-odd.jpg", "--info"}, options, error)) << error;
    EXPECT_EQ(options.jobs, 1);
    EXPECT_EQ(options.quality, 80);
    EXPECT_EQ(options.focalMm, 5.0f);
    EXPECT_EQ(options.fineTune, 2.0);
    EXPECT_FALSE(options.info);
    EXPECT_EQ(options.inputs, (std::vector<std::string>{"-odd.jpg", "--info"}));
    Options limited;
    ASSERT_TRUE(Parse({"--memory-limit", "1.5G", "a.jpg"}, limited, error)) << error;
    EXPECT_EQ(limited.memoryLimit, 3u << 29);
    ASSERT_TRUE(Parse({"--memory-limit=800", "a.jpg"}, limited, error)) << error;
    EXPECT_EQ(limited.memoryLimit, 800u << 20);
    EXPECT_FALSE(Parse({"--memory-limit", "0", "a.jpg"}, limited, error));
    Options spaced;
    ASSERT_TRUE(Parse({"-j", "1", "--jobs", "2", "a.jpg"}, spaced, error)) << error;
    EXPECT_EQ(spaced.jobs, 2);
}

TEST(CommandLine, QualityFocalSourceAndInfo)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"-q", "80", "--focal-source", "exif", "a.jpg", "-o", "b.jpg"}, options, error))
        << error;
    EXPECT_EQ(options.quality, 80);
    EXPECT_EQ(options.focalSource, FocalSource::Exif);
    EXPECT_FALSE(options.focalGiven);

    Options info;
    ASSERT_TRUE(Parse({"--info", "a.jpg", "b.png"}, info, error)) << error;
    EXPECT_TRUE(info.info);
    EXPECT_EQ(info.inputs.size(), 2u);
}

TEST(CommandLine, FoldersPlacementOverwriteJobsAndDryRun)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"pics", "more", "--suffix", "", "--overwrite", "all", "-j", "3", "--dry-run"}, options,
                      error))
        << error;
    EXPECT_EQ(options.inputs, (std::vector<std::string>{"pics", "more"}));
    EXPECT_TRUE(options.suffixGiven);
    EXPECT_EQ(options.suffix, "");
    EXPECT_EQ(options.overwrite, OverwriteChoice::All);
    EXPECT_EQ(options.jobs, 3);
    EXPECT_TRUE(options.dryRun);
}

TEST(CommandLine, NamedOutputIsReplacedUnlessTheOverwriteChoiceSaysOtherwise)
{
    Options named, asked, folder;
    std::string error;
    ASSERT_TRUE(Parse({"a.bmp", "-o", "b.bmp"}, named, error));
    EXPECT_EQ(named.overwrite, OverwriteChoice::All);
    ASSERT_TRUE(Parse({"a.bmp", "-o", "b.bmp", "--overwrite", "ask"}, asked, error));
    EXPECT_EQ(asked.overwrite, OverwriteChoice::Ask);
    ASSERT_TRUE(Parse({"pictures"}, folder, error));
    EXPECT_EQ(folder.overwrite, OverwriteChoice::Ask);
}

TEST(CommandLine, HelpAndVersionNeedNothingElse)
{
    Options help, version;
    std::string error;
    EXPECT_TRUE(Parse({"--help"}, help, error));
    EXPECT_TRUE(help.help);
    EXPECT_TRUE(Parse({"--version"}, version, error));
    EXPECT_TRUE(version.version);
}

struct Wrong {
    const char* name;
    std::vector<std::string> arguments;
    const char* reason;
};

class CommandLineRefuses : public testing::TestWithParam<Wrong> {};

TEST_P(CommandLineRefuses, WithOneLine)
{
    Options options;
    std::string error;
    EXPECT_FALSE(Parse(GetParam().arguments, options, error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineRefuses,
    testing::Values(Wrong{"ZeroFocal", {"-f", "0", "a.bmp", "-o", "b.bmp"}, "not a positive number"},
                    Wrong{"NegativeFocal", {"-f", "-2", "a.bmp", "-o", "b.bmp"}, "not a positive number"},
                    Wrong{"FocalWithUnit", {"-f", "12mm", "a.bmp", "-o", "b.bmp"}, "'12mm'"},
                    Wrong{"NanFocal", {"-f", "nan", "a.bmp", "-o", "b.bmp"}, "option -f: 'nan' is not a number"},
                    Wrong{"TextFocal", {"--focal", "abc", "a.bmp", "-o", "b.bmp"}, "option --focal: 'abc' is not a number"},
                    Wrong{"TwoCommas", {"-f", "5,8,1", "a.bmp", "-o", "b.bmp"}, "option -f: '5,8,1' is not a number"},
                    Wrong{"HexFocal", {"-f", "0x10", "a.bmp", "-o", "b.bmp"}, "option -f: '0x10' is not a number"},
                    Wrong{"TextQuality", {"-q", "high", "a.jpg", "-o", "b.jpg"}, "option -q: 'high' is not a number"},
                    Wrong{"TextJobs", {"--jobs=two", "a.bmp"}, "option --jobs: 'two' is not a number"},
                    Wrong{"TextMemoryLimit", {"--memory-limit", "lotsG", "a.bmp"},
                          "option --memory-limit: 'lotsG' is not a number"},
                    Wrong{"FocalBeyondFloat", {"-f", "1e300", "a.bmp", "-o", "b.bmp"}, "not a positive number"},
                    Wrong{"EmptyFocal", {"-f", "", "a.bmp", "-o", "b.bmp"}, "option -f: '' is not a number"},
                    Wrong{"FineTuneNotANumber", {"-f", "5", "--fine-tune", "x", "a.bmp", "-o", "b.bmp"},
                          "option --fine-tune: 'x' is not a number"},
                    Wrong{"FineTuneZero", {"-f", "5", "--fine-tune", "0", "a.bmp", "-o", "b.bmp"}, "fine-tune"},
                    Wrong{"OutputWithoutValue", {"-f", "5", "a.bmp", "-o"}, "needs a value"},
                    Wrong{"NoInput", {"-f", "5", "-o", "b.bmp"}, "no input file"},
                    Wrong{"ManualWithoutFocal", {"--focal-source", "manual", "a.bmp", "-o", "b.bmp"}, "no focal length"},
                    Wrong{"BadFocalSource", {"--focal-source", "lens", "a.bmp", "-o", "b.bmp"}, "'lens'"},
                    Wrong{"QualityTooHigh", {"-q", "101", "a.jpg", "-o", "b.jpg"}, "quality '101'"},
                    Wrong{"QualityNotWhole", {"-q", "9.5", "a.jpg", "-o", "b.jpg"}, "quality '9.5'"},
                    Wrong{"InfoWithoutFiles", {"--info"}, "no file to describe"},
                    Wrong{"OutputForTwoInputs", {"-f", "5", "a.bmp", "c.bmp", "-o", "b.bmp"}, "single input file"},
                    Wrong{"OutDirAndSuffix", {"--out-dir", "x", "--suffix", "_u", "a.bmp"}, "exclude each other"},
                    Wrong{"BadOverwrite", {"--overwrite", "never", "a.bmp"}, "'never'"},
                    Wrong{"ZeroJobs", {"-j", "0", "a.bmp"}, "jobs '0'"},
                    Wrong{"UnknownOption", {"-x", "a.bmp"}, "unknown option -x"}),
    [](const testing::TestParamInfo<Wrong>& info) { return info.param.name; });

}  // namespace
}  // namespace fovella::cli
