// The batch run driven by a scripted front end over real files.
#include "batch/BatchRun.h"
#include "codecs/ImageFile.h"
#include "fs/PathString.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "metadata/CorrectionMark.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <deque>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fovella {

static bool operator==(const BatchCounts& a, const BatchCounts& b)
{
    return a.totalFiles == b.totalFiles && a.imageFiles == b.imageFiles && a.savedFiles == b.savedFiles;
}

namespace {

// A failure without its reason, which the lower layers word.
struct Failed {
    FileStage stage;
    std::string path, output;
    bool operator==(const Failed& o) const { return stage == o.stage && path == o.path && output == o.output; }
};

class ScriptedFrontEnd : public BatchFrontEnd {
public:
    bool ChooseOptions(BatchOptions& options) override
    {
        offered = options;
        if (editOptions)
            editOptions(options);
        return acceptOptions;
    }
    void RunRefused(RunRefusal why) override { refusals.push_back(why); }
    void RunCompleted(const BatchCounts& counts) override { summaries.push_back(counts); }
    void FileFailed(const FileFailure& failure) override
    {
        EXPECT_EQ(failure.reason.empty(), failure.stage == FileStage::Scale) << failure.path;
        failures.push_back({failure.stage, failure.path, failure.output});
    }
    void FileSkipped(const FileSkip& skip) override
    {
        skips.push_back({skip.why, skip.path});
        markedScales.push_back(skip.markedScale);
    }
    void DescribeDryRun(const DryRunLine& line) override { described.push_back(line.source + " -> " + line.output); }
    OverwriteAnswer AskOverwrite(const std::string& text) override
    {
        questions.push_back(text);
        if (onQuestion)
            onQuestion();
        if (answers.empty())
            return OverwriteAnswer::Cancel;
        const OverwriteAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void RunStarted(const std::string& label) override
    {
        folder = label;
        ++opened;
    }
    void RunEnded() override { ++closed; }
    void FileStarted(const std::string& path) override
    {
        started.push_back(path);
        log.push_back("start " + GetFileName(path));
        cancelled = cancelled || path == cancelAtStart;
    }
    void FocalChosen(float focalMm, bool fromExif) override
    {
        focals.push_back({focalMm, fromExif});
        log.push_back("focal");
    }
    void Progress(int filePercent, int runPercent) override
    {
        filePercents.push_back(filePercent);
        runPercents.push_back(runPercent);
        log.push_back(std::to_string(filePercent));
    }
    bool PollCancelled() override { return cancelled || ++polls > cancelAfterPolls; }
    void ResultSaved(const std::string& source, const std::string&) override { saved.push_back(source); }

    BatchOptions offered;
    std::function<void(BatchOptions&)> editOptions;
    std::function<void()> onQuestion;
    bool acceptOptions = true;
    std::vector<RunRefusal> refusals;
    std::vector<BatchCounts> summaries;
    std::vector<Failed> failures;
    std::vector<std::pair<SkipReason, std::string>> skips;
    std::vector<double> markedScales;
    std::vector<std::string> described;
    std::vector<std::string> log;  // starts, focal lengths and per-cents, in order
    std::vector<std::string> questions, started;
    std::deque<OverwriteAnswer> answers;
    std::string folder;
    std::vector<std::pair<float, bool>> focals;  // focal length, from EXIF
    std::vector<int> filePercents, runPercents;
    std::vector<std::string> saved;  // sources whose results were written
    int opened = 0, closed = 0;
    long polls = 0, cancelAfterPolls = 1L << 40;
    std::string cancelAtStart;  // the user cancels as this file starts
    bool cancelled = false;
};

// An EXIF block whose first directory holds FocalLength = tenths / 10.
std::vector<std::uint8_t> ExifWithFocal(std::int32_t tenths) { return test::ExifWithFocal(tenths, 10); }

class BatchRunTest : public testing::Test {
protected:
    std::string Write(const std::string& name, std::vector<std::uint8_t> exif = {})
    {
        const std::string path = dir.File(name);
        ImageFile file;
        file.SetExifBlock(exif);
        EXPECT_TRUE(file.Save(path, picture, Unknown, 90, 1)) << file.Error();
        return path;
    }

    std::vector<std::string> List() const
    {
        std::vector<std::string> files;
        for (const std::string& name : dir.Entries())
            if (IsFile(dir.File(name)))
                files.push_back(dir.File(name));
        return files;
    }

    // Results into the scratch folder's sub-folder `name`.
    BatchOptions IntoFolder(const std::string& name, FocalUsage usage) const
    {
        BatchOptions options;
        options.folder = name.empty() ? dir.Path() : dir.File(name);
        options.focalUsage = usage;
        return options;
    }

    BatchResult Run(const BatchOptions& options, float manual = 4.0f, double fineTune = 1.0)
    {
        return Run(frontEnd, options, manual, fineTune);
    }

    BatchResult Run(ScriptedFrontEnd& front, const BatchOptions& options, float manual = 4.0f,
                    double fineTune = 1.0)
    {
        return BatchRun(front).RunFiles(List(), options, manual, fineTune, dir.Path());
    }

    // Results into the sources' own folder, so that each one is asked about.
    BatchOptions IntoTheSourceFolder() const { return IntoFolder("", FocalUsage::ManualOnly); }

    // An empty suffix: each result replaces its source.
    BatchOptions OverTheSources() const
    {
        BatchOptions options;
        options.saveMode = SaveMode::Suffix;
        options.suffix = "";
        options.focalUsage = FocalUsage::ManualOnly;
        return options;
    }

    test::ScratchDir dir;
    DibImage picture = test::GradientPicture(40, 30);
    ScriptedFrontEnd frontEnd;
};

TEST_F(BatchRunTest, MixedFolderCountsEveryFileAndOpensOnlyImages)
{
    Write("a.JPG", ExifWithFocal(58));
    Write("b.jpeg", ExifWithFocal(58));
    Write("c.Png");
    Write("d.bmp");
    test::WriteFileBytes(dir.File("e.tif"), {'n', 'o'});
    test::WriteFileBytes(dir.File("notes.txt"), {'n', 'o'});
    BatchOptions options = IntoFolder("out", FocalUsage::ExifOrManual);
    const BatchResult result = Run(options);
    EXPECT_EQ(result.outcome, BatchOutcome::Completed);
    EXPECT_EQ(result.counts.totalFiles, 6);
    EXPECT_EQ(result.counts.imageFiles, 4);
    EXPECT_EQ(result.counts.savedFiles, 4);
    EXPECT_EQ(frontEnd.summaries, (std::vector<BatchCounts>{BatchCounts{6, 4, 4}}));
    EXPECT_TRUE(frontEnd.failures.empty());
    EXPECT_EQ(frontEnd.folder, dir.Path());
    EXPECT_EQ(frontEnd.started,
              (std::vector<std::string>{dir.File("a.JPG"), dir.File("b.jpeg"), dir.File("c.Png"), dir.File("d.bmp")}));
    EXPECT_EQ(frontEnd.saved, frontEnd.started);
    EXPECT_EQ(frontEnd.focals.back(), std::make_pair(4.0f, false));
    EXPECT_EQ(frontEnd.filePercents.back(), 100);
    // d.bmp is the fourth of six files: (3 * 100 + 100) / 6.
    EXPECT_EQ(frontEnd.runPercents.back(), 66);
    EXPECT_EQ(frontEnd.opened, 1);
    EXPECT_EQ(frontEnd.closed, 1);
    for (const char* name : {"a.JPG", "b.jpeg", "c.Png", "d.bmp"})
        EXPECT_TRUE(IsFile(dir.File(std::string("out/") + name))) << name;
}

TEST_F(BatchRunTest, ResultsAreTheRemapWithTheChosenFocalLengthAndFactor)
{
    Write("exif.jpg", ExifWithFocal(73));
    Write("plain.png");
    BatchOptions options;
    options.saveMode = SaveMode::Suffix;
    options.focalUsage = FocalUsage::ExifOrManual;
    options.useFineTune = false;  // the window's 1.6 must not apply
    ASSERT_EQ(Run(options, 3.0f, 1.6).counts.savedFiles, 2);

    ImageFile file;
    DibImage png, expected;
    ASSERT_TRUE(file.Load(dir.File("plain_u.png"), png, Unknown, 0));
    ASSERT_TRUE(LensModel().Undistort(picture, expected, PixelScale(3.0f, 40, 30, 1.0)));
    EXPECT_EQ(test::PictureMd5(png), test::PictureMd5(expected));

    // The JPEG carries its own source's block, byte for byte.
    DibImage jpeg;
    ASSERT_TRUE(file.Load(dir.File("exif_u.jpg"), jpeg, Unknown, KeepExif));
    std::vector<std::uint8_t> block;
    file.GetExifBlock(block);
    EXPECT_EQ(block, ExifWithFocal(73));

    options.useFineTune = true;
    options.suffix = "_f";
    // The _u files are images too, but results: not corrected again.
    ASSERT_EQ(Run(options, 3.0f, 1.6).counts.savedFiles, 2);
    EXPECT_FALSE(IsFile(dir.File("plain_u_f.png")));
    DibImage tuned, expectedTuned;
    ASSERT_TRUE(file.Load(dir.File("plain_f.png"), tuned, Unknown, 0));
    ASSERT_TRUE(LensModel().Undistort(picture, expectedTuned, PixelScale(3.0f, 40, 30, 1.6)));
    EXPECT_EQ(test::PictureMd5(tuned), test::PictureMd5(expectedTuned));
}

TEST_F(BatchRunTest, EmptySuffixAsksOnceWithOverwriteAllAndReplacesTheSources)
{
    Write("a.bmp");
    Write("b.bmp");
    const std::vector<std::uint8_t> before = test::ReadFileBytes(dir.File("a.bmp"));
    const BatchOptions options = OverTheSources();
    frontEnd.answers = {OverwriteAnswer::OverwriteAll};
    const BatchResult result = Run(options);
    EXPECT_EQ(result.counts.savedFiles, 2);
    EXPECT_EQ(frontEnd.questions, std::vector<std::string>{dir.File("a.bmp")});
    EXPECT_NE(test::ReadFileBytes(dir.File("a.bmp")), before);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(BatchRunTest, SourceFolderAsOutputFolderAsksForEveryFile)
{
    Write("a.png");
    Write("b.png");
    Write("c.png");
    BatchOptions options = IntoTheSourceFolder();
    frontEnd.answers = {OverwriteAnswer::Overwrite, OverwriteAnswer::Skip, OverwriteAnswer::Overwrite};
    const BatchResult result = Run(options);
    EXPECT_EQ(frontEnd.questions.size(), 3u);
    EXPECT_EQ(result.counts.savedFiles, 2);
    EXPECT_EQ(result.outcome, BatchOutcome::Completed);
}

// With one job or several.
TEST_F(BatchRunTest, CancelAtTheQuestionStopsAtOnceWithoutSummary)
{
    for (int k = 0; k < 6; ++k)
        Write("p" + std::to_string(k) + ".png");
    for (int jobs : {1, 3}) {
        BatchOptions options = IntoTheSourceFolder();
        options.jobs = jobs;
        ScriptedFrontEnd front;
        front.answers = {OverwriteAnswer::Cancel};
        EXPECT_EQ(Run(front, options).outcome, BatchOutcome::Cancelled) << jobs;
        EXPECT_EQ(front.questions.size(), 1u) << jobs;
        EXPECT_TRUE(front.summaries.empty()) << jobs;
        EXPECT_TRUE(front.failures.empty()) << jobs;
        EXPECT_EQ(front.closed, 1) << jobs;
    }
}

TEST_F(BatchRunTest, MissingParentFolderStopsBeforeAnything)
{
    Write("a.png");
    BatchOptions options;
    options.folder = dir.File("no/such");
    const BatchResult result = Run(options);
    EXPECT_EQ(result.outcome, BatchOutcome::NotStarted);
    EXPECT_EQ(frontEnd.refusals, std::vector<RunRefusal>{RunRefusal::OutputFolder});
    EXPECT_EQ(frontEnd.opened, 0);
}

// A file where the results' folder goes, or a folder that cannot be
// written to (which root can), fails every save and loses nothing.
TEST_F(BatchRunTest, AResultsFolderThatCannotBeWrittenFailsEverySaveAndLosesNothing)
{
    Write("a.png");
    Write("b.bmp");
    test::WriteFileBytes(dir.File("blocker"), {'x'});
    ASSERT_EQ(::mkdir(dir.File("out").c_str(), 0555), 0);
    for (const char* folder : {"blocker", "out"}) {
        if (folder == std::string("out") && ::geteuid() == 0)
            continue;  // root writes into read-only folders: nothing to try
        ScriptedFrontEnd front;
        const BatchResult result = Run(front, IntoFolder(folder, FocalUsage::ManualOnly));
        EXPECT_EQ(result.outcome, BatchOutcome::Completed) << folder;
        EXPECT_EQ(result.counts.savedFiles, 0) << folder;
        EXPECT_EQ(front.failures, (std::vector<Failed>{
                                      {FileStage::Save, dir.File("a.png"), dir.File(folder + std::string("/a.png"))},
                                      {FileStage::Save, dir.File("b.bmp"), dir.File(folder + std::string("/b.bmp"))}}))
            << folder;
    }
    ::chmod(dir.File("out").c_str(), 0755);
    EXPECT_EQ(test::ReadFileBytes(dir.File("blocker")), std::vector<std::uint8_t>{'x'});
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.png", "b.bmp", "blocker", "out"}));
    EXPECT_TRUE(dir.Entries("out").empty());
}

// One save failing does not stand for the next file's, with one job or more.
TEST_F(BatchRunTest, AFailedSaveIsThatFilesAlone)
{
    Write("a.png");
    Write("b.png");
    for (int jobs : {1, 2}) {
        const std::string out = "out" + std::to_string(jobs);
        std::filesystem::create_directories(dir.File(out + "/a.png"));  // a folder where a.png goes
        BatchOptions options = IntoFolder(out, FocalUsage::ManualOnly);
        options.jobs = jobs;
        ScriptedFrontEnd front;
        const BatchResult result = Run(front, options);
        EXPECT_EQ(result.counts.savedFiles, 1) << jobs;
        EXPECT_EQ(front.failures, (std::vector<Failed>{{FileStage::Save, dir.File("a.png"), dir.File(out + "/a.png")}}))
            << jobs;
        EXPECT_TRUE(std::filesystem::is_regular_file(dir.File(out + "/b.png"))) << jobs;
    }
}

// Without a message box each, but named to the front end with the reason.
TEST_F(BatchRunTest, ExifOnlyOnPngsSkipsWithoutAMessage)
{
    Write("a.png");
    Write("b.png");
    BatchOptions options = IntoFolder("out", FocalUsage::ExifOnly);
    const BatchResult result = Run(options);
    EXPECT_EQ(result.counts.imageFiles, 2);
    EXPECT_EQ(result.counts.savedFiles, 0);
    EXPECT_TRUE(frontEnd.failures.empty());
    EXPECT_EQ(frontEnd.skips, (std::vector<std::pair<SkipReason, std::string>>{
                                  {SkipReason::NoExifFocal, dir.File("a.png")}, {SkipReason::NoExifFocal, dir.File("b.png")}}));
    EXPECT_TRUE(frontEnd.focals.empty());
}

TEST_F(BatchRunTest, ExifOrManualFallsBackToTheTypedValue)
{
    Write("a.jpg", ExifWithFocal(0));
    BatchOptions options = IntoFolder("out", FocalUsage::ExifOrManual);
    EXPECT_EQ(Run(options, 6.5f).counts.savedFiles, 1);
    EXPECT_EQ(frontEnd.focals.back(), std::make_pair(6.5f, false));
}

TEST_F(BatchRunTest, NonPositiveScaleIsReportedWithTheFileAndNotSaved)
{
    Write("a.png");
    BatchOptions options = IntoFolder("out", FocalUsage::ManualOnly);
    const BatchResult result = Run(options, 0.0f);
    EXPECT_EQ(result.counts.imageFiles, 1);
    EXPECT_EQ(result.counts.savedFiles, 0);
    EXPECT_EQ(frontEnd.failures, (std::vector<Failed>{{FileStage::Scale, dir.File("a.png"), ""}}));
    EXPECT_FALSE(IsFile(dir.File("out/a.png")));
}

TEST_F(BatchRunTest, UnreadableImagesAreReportedAndTheRunGoesOn)
{
    test::WriteFileBytes(dir.File("a.jpg"), {'n', 'o', 't'});
    Write("b.png");
    BatchOptions options = IntoFolder("out", FocalUsage::ManualOnly);
    const BatchResult result = Run(options);
    EXPECT_EQ(result.counts.savedFiles, 1);
    EXPECT_EQ(frontEnd.failures, (std::vector<Failed>{{FileStage::Open, dir.File("a.jpg"), ""}}));
}

// A cancel while a file is corrected stops the run before that file's save,
// with one job or several; what was saved stays, nothing else is left.
TEST_F(BatchRunTest, CancelDuringAFileSavesNothingMore)
{
    for (const char* name : {"a.png", "b.png", "c.png"})
        Write(name);
    for (int jobs : {1, 2, 3}) {
        const std::string out = "out" + std::to_string(jobs);
        BatchOptions options = IntoFolder(out, FocalUsage::ManualOnly);
        options.jobs = jobs;
        ScriptedFrontEnd front;
        front.cancelAtStart = dir.File("b.png");
        const BatchResult result = Run(front, options);
        EXPECT_EQ(result.outcome, BatchOutcome::Cancelled) << jobs;
        EXPECT_EQ(result.counts.savedFiles, 1) << jobs;
        EXPECT_EQ(dir.Entries(out), std::vector<std::string>{"a.png"}) << jobs;
        EXPECT_TRUE(front.summaries.empty()) << jobs;
        EXPECT_EQ(front.closed, 1) << jobs;
    }
}

// Each file is reported in list order, for any number of jobs: its start,
// its focal length, then its per-cents rising to 100.
TEST_F(BatchRunTest, EachFileIsReportedInOrderFromItsStartToItsEnd)
{
    picture = test::GradientPicture(900, 600);
    for (const char* name : {"a.png", "b.bmp", "c.jpg"})
        Write(name);
    for (int jobs : {1, 2}) {
        BatchOptions options = IntoFolder("out" + std::to_string(jobs), FocalUsage::ManualOnly);
        options.jobs = jobs;
        ScriptedFrontEnd front;
        ASSERT_EQ(Run(front, options).counts.savedFiles, 3);
        std::vector<std::string> files;
        int last = 100;
        for (std::size_t k = 0; k < front.log.size(); ++k) {
            const std::string& entry = front.log[k];
            if (entry.rfind("start ", 0) == 0) {
                EXPECT_EQ(last, 100) << "the file before " << entry << " did not end, jobs " << jobs;
                ASSERT_LT(k + 1, front.log.size());
                EXPECT_EQ(front.log[k + 1], "focal") << entry;
                files.push_back(entry.substr(6));
                last = -1;
            } else if (entry != "focal") {
                EXPECT_GE(std::stoi(entry), last) << entry << " after " << last;
                last = std::stoi(entry);
            }
        }
        EXPECT_EQ(last, 100);
        EXPECT_EQ(files, (std::vector<std::string>{"a.png", "b.bmp", "c.jpg"})) << jobs;
    }
}

// A dry run describes the same files with any number of jobs and writes
// nothing, not even the results' folder.
TEST_F(BatchRunTest, DryRunsDescribeAndWriteNothing)
{
    Write("a.jpg", ExifWithFocal(58));
    Write("b.png");
    Write("c.bmp");
    std::vector<std::string> first;
    for (int jobs : {1, 3}) {
        BatchOptions options = IntoFolder("out", FocalUsage::ExifOnly);
        options.jobs = jobs;
        options.dryRun = true;
        ScriptedFrontEnd front;
        const BatchResult result = Run(front, options);
        EXPECT_EQ(result.outcome, BatchOutcome::Completed) << jobs;
        EXPECT_EQ(result.counts.savedFiles, 0) << jobs;
        EXPECT_EQ(front.described, std::vector<std::string>{dir.File("a.jpg") + " -> " + dir.File("out/a.jpg")})
            << jobs;
        EXPECT_EQ(front.skips.size(), 2u) << jobs;
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.jpg", "b.png", "c.bmp"})) << jobs;
    }
}

TEST_F(BatchRunTest, EmptyFolderAndManyFiles)
{
    BatchOptions options = IntoFolder("out", FocalUsage::ManualOnly);
    BatchResult result = Run(options);
    EXPECT_EQ(result.outcome, BatchOutcome::Completed);
    EXPECT_EQ(frontEnd.summaries, (std::vector<BatchCounts>{BatchCounts{0, 0, 0}}));

    ASSERT_TRUE(picture.Create(6, 4, Rgb, SampleU8, BottomUp));
    for (int k = 0; k < 200; ++k)
        Write("img " + std::to_string(k) + (k % 2 ? ".BMP" : ".png"));
    Write("é ü.bmp");
    result = Run(options);
    EXPECT_EQ(result.counts.totalFiles, 201);
    EXPECT_EQ(result.counts.savedFiles, 201);
    EXPECT_TRUE(IsFile(dir.File("out/é ü.bmp")));
    EXPECT_TRUE(IsFile(dir.File("out/img 7.BMP")));
}

TEST_F(BatchRunTest, AnyNumberOfJobsWritesTheSameBytes)
{
    const auto name = [](int k) { return "p" + std::to_string(k) + (k % 3 == 0 ? ".jpg" : k % 3 == 1 ? ".png" : ".bmp"); };
    for (int k = 0; k < 7; ++k)
        Write(name(k), ExifWithFocal(40 + k));
    test::WriteFileBytes(dir.File("broken.png"), {'x'});
    BatchOptions options;
    options.focalUsage = FocalUsage::ExifOrManual;
    options.folder = dir.File("one");
    options.jobs = 1;
    const BatchResult one = Run(options);
    ScriptedFrontEnd parallelFrontEnd;
    options.folder = dir.File("three");
    options.jobs = 3;
    const BatchResult three = Run(parallelFrontEnd, options);
    EXPECT_EQ(one.counts.savedFiles, 7);
    EXPECT_EQ(three.counts.savedFiles, 7);
    EXPECT_EQ(three.counts.totalFiles, one.counts.totalFiles);
    EXPECT_EQ(frontEnd.failures, (std::vector<Failed>{{FileStage::Open, dir.File("broken.png"), ""}}));
    EXPECT_EQ(parallelFrontEnd.failures, frontEnd.failures);
    EXPECT_EQ(parallelFrontEnd.summaries, frontEnd.summaries);
    EXPECT_EQ(parallelFrontEnd.started, frontEnd.started);
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(test::ReadFileBytes(dir.File("one/" + name(k))), test::ReadFileBytes(dir.File("three/" + name(k))))
            << name(k);
}

// With several jobs the results are coded ahead, beside their targets; what
// the answers skip or a cancel leaves behind is only the files as they were.
TEST_F(BatchRunTest, ResultsCodedAheadAndNotWantedLeaveNothingBehind)
{
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        Write(name);
    const std::vector<std::uint8_t> before = test::ReadFileBytes(dir.File("b.png"));
    BatchOptions options = IntoTheSourceFolder();
    options.jobs = 3;
    frontEnd.answers = {OverwriteAnswer::Overwrite, OverwriteAnswer::Skip, OverwriteAnswer::Cancel};
    const BatchResult result = Run(options);
    EXPECT_EQ(result.outcome, BatchOutcome::Cancelled);
    EXPECT_EQ(result.counts.savedFiles, 1);
    EXPECT_EQ(frontEnd.questions.size(), 3u);
    EXPECT_NE(test::ReadFileBytes(dir.File("a.png")), test::ReadFileBytes(dir.File("b.png")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("b.png")), before);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.png", "b.png", "c.png", "d.png"}));
}

// While the first file's question waits for an answer, the jobs go on with
// the files after it, further than one file per job.
TEST_F(BatchRunTest, JobsGoOnWhileAQuestionWaits)
{
    for (const char* name : {"a.png", "b.png", "c.png", "d.png", "e.png", "f.png"})
        Write(name);
    BatchOptions options = IntoTheSourceFolder();
    options.jobs = 2;
    frontEnd.answers = {OverwriteAnswer::OverwriteAll};
    // Each result coded ahead waits, unnamed and open, for its turn.
    const auto openFiles = [] {
        const std::filesystem::directory_iterator descriptors("/proc/self/fd");
        return std::size_t(std::distance(begin(descriptors), end(descriptors)));
    };
    const std::size_t before = openFiles();
    std::size_t coded = 0;
    frontEnd.onQuestion = [&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while ((coded = openFiles() - before) < 4 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    EXPECT_EQ(Run(options).counts.savedFiles, 6);
    EXPECT_EQ(coded, 4u);  // a and the three after it; e waits for a's turn to pass
    EXPECT_EQ(dir.Entries().size(), 6u);
}

// Pictures are counted from their headers: jobs wait for memory rather than
// exceed the limit, and a picture over it fails alone, before it is read.
TEST_F(BatchRunTest, TheMemoryLimitHoldsJobsBackAndRefusesWhatIsLarger)
{
    for (const char* name : {"a.jpg", "b.png", "c.bmp"})
        Write(name);
    // 40 x 30 pixels: two rows of 120 bytes times 30, source and result.
    const std::uint64_t onePicture = 2 * 120 * 30;
    BatchOptions options = IntoFolder("out", FocalUsage::ManualOnly);
    options.jobs = 3;
    options.memoryLimit = onePicture;
    EXPECT_EQ(Run(options).counts.savedFiles, 3);

    ScriptedFrontEnd tight;
    options.folder = dir.File("none");
    options.memoryLimit = onePicture - 1;
    for (int jobs : {1, 3}) {
        tight.failures.clear();
        options.jobs = jobs;
        EXPECT_EQ(Run(tight, options).counts.savedFiles, 0);
        ASSERT_EQ(tight.failures.size(), 3u) << jobs;
        EXPECT_EQ(tight.failures[0], (Failed{FileStage::Open, dir.File("a.jpg"), ""}));
    }
}

TEST_F(BatchRunTest, CancelWithSeveralJobsStopsCleanly)
{
    for (int k = 0; k < 6; ++k)
        Write("p" + std::to_string(k) + ".png");
    BatchOptions options = IntoFolder("out", FocalUsage::ManualOnly);
    options.jobs = 3;
    frontEnd.cancelAfterPolls = 2;
    const BatchResult result = Run(options);
    EXPECT_EQ(result.outcome, BatchOutcome::Cancelled);
    EXPECT_LT(result.counts.savedFiles, 6);
    EXPECT_TRUE(frontEnd.summaries.empty());
}

TEST_F(BatchRunTest, FullDiskWithEmptySuffixNeverLosesASource)
{
    picture = test::GradientPicture(200, 150);
    Write("a.bmp");
    Write("b.bmp");
    const std::vector<std::uint8_t> a = test::ReadFileBytes(dir.File("a.bmp"));
    EXPECT_TRUE(test::SucceedsWithFileSizeLimit(4096, [&] {
        frontEnd.answers = {OverwriteAnswer::OverwriteAll};
        const BatchResult result = Run(OverTheSources());
        return result.counts.savedFiles == 0 && frontEnd.failures.size() == 2;
    }));
    EXPECT_EQ(test::ReadFileBytes(dir.File("a.bmp")), a);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST(BatchOutputPath, NamesBySaveMode)
{
    BatchOptions folder;
    folder.folder = "/out";
    EXPECT_EQ(BatchOutputPath("/pics/IMG_1.JPG", folder), "/out/IMG_1.JPG");
    folder.folder = "/out/";
    EXPECT_EQ(BatchOutputPath("/pics/IMG_1.JPG", folder), "/out/IMG_1.JPG");
    folder.folder.clear();
    EXPECT_EQ(BatchOutputPath("/pics/IMG_1.JPG", folder), "/pics/undistorted/IMG_1.JPG");
    EXPECT_EQ(BatchOutputPath("/x.jpg", folder), "/undistorted/x.jpg");

    BatchOptions suffix;
    suffix.saveMode = SaveMode::Suffix;
    EXPECT_EQ(BatchOutputPath("/pics/IMG_1.JPG", suffix), "/pics/IMG_1_u.JPG");
    EXPECT_EQ(BatchOutputPath("/x.jpg", suffix), "/x_u.jpg");
    EXPECT_EQ(BatchOutputPath("a.b.png", suffix), "a.b_u.png");

    // Formats that cannot be written give PNG results.
    EXPECT_EQ(BatchOutputPath("/pics/scan.TIF", suffix), "/pics/scan_u.png");
    EXPECT_EQ(BatchOutputPath("/pics/scan.tga", folder), "/pics/undistorted/scan.png");
}

// Every core in use: one picture, or one job, takes them all for its remap;
// several files one each, as many at once as asked or as there are cores.
TEST(ShareCores, OnePictureTakesEveryCoreSeveralFilesOneEach)
{
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const struct {
        int images, asked, jobs, remapThreads;
    } cases[] = {{1, 0, 1, cores}, {1, 4, 1, cores}, {8, 0, cores, 1}, {8, 3, 3, 1}, {8, 1, 1, cores}};
    for (const auto& c : cases) {
        BatchOptions options;
        ShareCores(options, c.images, c.asked);
        EXPECT_EQ(std::make_pair(options.jobs, options.remapThreads), std::make_pair(c.jobs, c.remapThreads))
            << c.images << " images, " << c.asked << " jobs asked";
    }
}

TEST_F(BatchRunTest, FolderRunChecksTheScaleOffersDefaultsAndReportsEachResult)
{
    const std::string path = Write("cur.png");
    Write("other.bmp");
    BatchSource source;
    source.currentPath = path;
    source.width = 40;
    source.height = 30;
    source.manualFocal = 0;
    BatchRun(frontEnd).RunFolder(source);
    EXPECT_EQ(frontEnd.refusals, std::vector<RunRefusal>{RunRefusal::FocalNotPositive});

    ScriptedFrontEnd second;
    source.manualFocal = 12;
    source.fineTune = 1.08;
    second.editOptions = [&](BatchOptions& options) { options.folder = dir.File("res"); };
    const BatchResult result = BatchRun(second).RunFolder(source);
    EXPECT_EQ(second.offered.folder, dir.Path() + "/undistorted");
    EXPECT_EQ(second.offered.focalUsage, FocalUsage::ManualOnly);
    EXPECT_TRUE(second.offered.useFineTune);
    EXPECT_EQ(second.offered.suffix, "_u");
    EXPECT_EQ(second.offered.quality, 95);
    EXPECT_EQ(result.counts.savedFiles, 2);
    EXPECT_EQ(second.saved, (std::vector<std::string>{path, dir.File("other.bmp")}));
    EXPECT_EQ(second.focals.back(), std::make_pair(12.0f, false));

    ScriptedFrontEnd declined;
    declined.acceptOptions = false;
    source.useExif = true;
    source.exifFocal = 5;
    source.fineTune = 1;
    EXPECT_EQ(BatchRun(declined).RunFolder(source).outcome, BatchOutcome::NotStarted);
    EXPECT_EQ(declined.offered.focalUsage, FocalUsage::ExifOnly);
    EXPECT_FALSE(declined.offered.useFineTune);
    EXPECT_EQ(declined.opened, 0);
}

struct SecondRunCase {
    const char* name;
    const char* extension;
    int jobs;
};

class SecondRunTest : public BatchRunTest, public testing::WithParamInterface<SecondRunCase> {};

// A run with a suffix, then a second run of the same folder: the result of
// the first is refused, named with the scale it was corrected at, and left
// as it was; only a forced run corrects it again.
TEST_P(SecondRunTest, RefusesAResultUnlessForced)
{
    const std::string extension = GetParam().extension;
    Write("a." + extension, ExifWithFocal(73));
    BatchOptions options;
    options.saveMode = SaveMode::Suffix;
    options.focalUsage = FocalUsage::ManualOnly;
    options.jobs = GetParam().jobs;
    ASSERT_EQ(Run(options).counts.savedFiles, 1);
    const std::string result = dir.File("a_u." + extension);
    const double scale = PixelScale(4.0f, 40, 30, 1.0);
    ImageFile file;
    DibImage image;
    ASSERT_TRUE(file.Load(result, image, Unknown, KeepMetadata));
    EXPECT_EQ(CorrectionMarkScale(file.Metadata().xmp), scale);

    const std::vector<std::uint8_t> before = test::ReadFileBytes(result);
    ScriptedFrontEnd second;
    second.answers = {OverwriteAnswer::Skip};  // a_u exists: the source's own result
    const BatchResult again = Run(second, options);
    EXPECT_EQ(again.counts.imageFiles, 2);
    EXPECT_EQ(again.counts.savedFiles, 0);
    EXPECT_EQ(second.skips, (std::vector<std::pair<SkipReason, std::string>>{
                                {SkipReason::ResultExists, dir.File("a." + extension)},
                                {SkipReason::AlreadyCorrected, result}}));
    EXPECT_EQ(second.markedScales, (std::vector<double>{0, scale}));
    EXPECT_FALSE(IsFile(dir.File("a_u_u." + extension)));
    EXPECT_EQ(test::ReadFileBytes(result), before);

    ScriptedFrontEnd forced;
    forced.answers = {OverwriteAnswer::Skip};
    options.force = true;
    const BatchResult third = Run(forced, options);
    EXPECT_EQ(third.counts.savedFiles, 1);
    EXPECT_EQ(forced.skips, (std::vector<std::pair<SkipReason, std::string>>{
                                {SkipReason::ResultExists, dir.File("a." + extension)}}));
    ASSERT_TRUE(file.Load(dir.File("a_u_u." + extension), image, Unknown, KeepMetadata));
    EXPECT_EQ(CorrectionMarkScale(file.Metadata().xmp), scale);
}

INSTANTIATE_TEST_SUITE_P(Results, SecondRunTest,
                         testing::Values(SecondRunCase{"JpegInOrder", "jpg", 1}, SecondRunCase{"PngInOrder", "png", 1},
                                         SecondRunCase{"JpegWithJobs", "jpg", 2},
                                         SecondRunCase{"PngWithJobs", "png", 2}),
                         [](const testing::TestParamInfo<SecondRunCase>& info) { return info.param.name; });

}  // namespace
}  // namespace fovella
