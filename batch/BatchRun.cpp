#include "batch/BatchRun.h"

#include "batch/CorrectedFile.h"
#include "batch/DecimalNumber.h"
#include "batch/FileJobs.h"
#include "batch/Work.h"
#include "codecs/CodecError.h"
#include "codecs/ImageFile.h"
#include "codecs/ImageFormats.h"
#include "exif/ExifDiagnostics.h"
#include "exif/ExifReader.h"
#include "fs/DirectoryScanner.h"
#include "fs/FileReplacement.h"
#include "fs/PathString.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "lines/LineEstimator.h"
#include "metadata/CorrectionMark.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include <filesystem>
#include <system_error>
#include <thread>

#include <unistd.h>

namespace fovella {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string WithSeparator(const std::string& folder)
{
    return !folder.empty() && folder.back() == kNativePaths.separator ? folder
                                                                      : folder + kNativePaths.separator;
}

// What correcting the picture in `path` holds in memory, from its header:
// the source and the result. 0 when the header cannot be read; the load
// then fails with the reason.
std::uint64_t PictureMemory(const std::string& path)
{
    int width = 0, height = 0;
    if (!ImageFile().ReadSize(path, width, height, Unknown, 0))
        return 0;
    const std::uint64_t row = (std::uint64_t(width) * 3 + 3) / 4 * 4;
    return 2 * row * std::uint64_t(height);
}

std::string Mebibytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB"; }

struct FocalChoice {
    FocalUsage usage;
    float manual;
    double fineTune;
};

// Steps that need no front end: load, choose the focal length, remap.
// A result of an earlier correction is not corrected again unless `force`.
void CheckMark(Work& work, const ImageFile& file, bool force)
{
    work.metadata = file.Metadata();
    work.state = Work::State::Loaded;
    const std::optional<double> corrected = CorrectionMarkScale(work.metadata.xmp);
    if (corrected && !force) {
        work.state = Work::State::AlreadyCorrected;
        work.markedScale = *corrected;
    }
}

void Load(Work& work, ImageFile& file, bool force)
{
    const Clock::time_point start = Clock::now();
    if (!file.Load(work.path, work.pictures->source, Unknown, KeepMetadata)) {
        work.state = Work::State::LoadFailed;
        work.error = file.Error();
    } else {
        work.width = work.pictures->source.Width();
        work.height = work.pictures->source.Height();
        CheckMark(work, file, force);
    }
    work.loadSeconds = SecondsSince(start);
}

// What a dry run that takes the scale from the lines needs instead of the
// picture: its size and metadata. The estimate reads the file itself.
void ReadHeader(Work& work, ImageFile& file, bool force)
{
    const Clock::time_point start = Clock::now();
    if (!file.ReadSize(work.path, work.width, work.height, Unknown, KeepMetadata)) {
        work.state = Work::State::LoadFailed;
        work.error = file.Error();
    } else {
        CheckMark(work, file, force);
    }
    work.loadSeconds = SecondsSince(start);
}

// The scale from the picture's own straight lines, and the focal length
// that gives it at the run's fine tune. The estimate reads the file as the
// window's Auto does (a JPEG's luma reduced by the DCT), so that both find
// the same scale, and a dry run need not decode the whole picture; any
// other file already `decoded` for the remap is not read again.
void ChooseFromLines(Work& work, double fineTune, const Image* decoded)
{
    const LineEstimate estimate = EstimateLinesOfFile(work.path, nullptr, decoded);
    if (estimate.verdict == LineEstimate::Verdict::Unreadable) {
        work.state = Work::State::LoadFailed;
        work.error = estimate.error;
        return;
    }
    if (estimate.verdict != LineEstimate::Verdict::Found) {
        work.state = Work::State::Straight;
        work.straightWhy = estimate.verdict == LineEstimate::Verdict::NoBarrelDistortion
                               ? SkipReason::NoBarrelDistortion
                               : SkipReason::NoStraightLines;
        return;
    }
    work.fromLines = true;
    work.scale = estimate.scale;
    work.focal = float(FocalForScale(estimate.scale, work.width, work.height, fineTune));
}

void ChooseFocal(Work& work, const FocalChoice& choice, const Image* decoded)
{
    if (choice.usage == FocalUsage::Lines) {
        ChooseFromLines(work, choice.fineTune, decoded);
        return;
    }
    float exifFocal = 0;
    std::vector<std::uint8_t>& exif = work.metadata.exif;
    if (!exif.empty() && choice.usage != FocalUsage::ManualOnly) {
        // A damaged block has no focal length; what the reader found wrong
        // goes to standard error in one piece, each line naming the file, so
        // that jobs running side by side do not mix their lines.
        std::ostringstream diagnostics;
        exifFocal = ReadExif(exif.data(), exif.size(), diagnostics).FocalLength;
        if (!diagnostics.str().empty())
            std::cerr << NamedDiagnostics(work.path, diagnostics.str()) << std::flush;
    }
    if (choice.usage == FocalUsage::ExifOnly && exifFocal == 0) {
        work.state = Work::State::NoFocal;
        return;
    }
    work.fromExif = choice.usage != FocalUsage::ManualOnly && exifFocal != 0;
    work.focal = work.fromExif ? exifFocal : choice.manual;
    work.scale = PixelScale(work.focal, work.width, work.height, choice.fineTune);
}

void Correct(Work& work, ProgressCallback callback, void* context, int threads)
{
    const Clock::time_point start = Clock::now();
    const bool done = LensModel(threads).Undistort(work.pictures->source, work.pictures->result, work.scale,
                                                   callback, context);
    work.remapSeconds = SecondsSince(start);
    work.state = done ? Work::State::Corrected : Work::State::Stopped;
}

// Codes the result into a replacement of `output`, on the job's thread; the
// run's thread commits it in the file's turn.
void WriteResult(Work& work, const std::string& output, int quality)
{
    const Clock::time_point start = Clock::now();
    work.written = std::make_unique<FileReplacement>(output);
    if (!WriteCorrectedFile(*work.written, output, work.pictures->result, FormatOfPath(output), work.metadata,
                            work.scale, quality, work.writeError))
        work.written.reset();
    work.writeSeconds = SecondsSince(start);
}

// The run over a list: its files go through FileJobs, loaded, corrected and
// coded on the job threads (one job: one file after the other), while this
// thread reports each file in list order, asks the questions and puts the
// results in place. Dry runs and cancels take the same way for any number of
// jobs; so the files written do not depend on it.
class Runner {
public:
    Runner(BatchFrontEnd& frontEnd, const std::vector<std::string>& files, const BatchOptions& options,
           const FocalChoice& focal)
        : m_frontEnd(frontEnd), m_files(files), m_options(options), m_focal(focal)
    {
        m_result.counts.totalFiles = int(files.size());
    }

    BatchResult Run(const std::string& label)
    {
        if (!m_options.dryRun && !PrepareFolders()) {
            m_frontEnd.RunRefused(RunRefusal::OutputFolder);
            return m_result;
        }
        m_frontEnd.RunStarted(label);
        const bool completed = RunFiles();
        if (completed)
            m_frontEnd.RunCompleted(m_result.counts);
        m_frontEnd.RunEnded();
        m_result.outcome = completed ? BatchOutcome::Completed : BatchOutcome::Cancelled;
        return m_result;
    }

private:
    // Save mode 0: the output folder, one level, made before the first file.
    bool PrepareFolders() const
    {
        if (m_options.saveMode != SaveMode::OtherFolder || !m_options.output.empty())
            return true;
        std::set<std::string> folders;
        if (!m_options.folder.empty())
            folders.insert(m_options.folder);
        else
            for (const std::string& file : m_files)
                if (IsImage(file))
                    folders.insert(GetDirectory(BatchOutputPath(file, m_options)));
        for (const std::string& folder : folders) {
            // One level only: a missing parent is an error; a name that exists
            // already is not (a file there makes every save fail instead).
            std::error_code error;
            std::filesystem::create_directory(folder, error);
            if (error && error != std::errc::file_exists && !IsDirectory(folder))
                return false;
        }
        return true;
    }

    // False when the user cancelled.
    bool RunFiles()
    {
        std::vector<int> images;
        std::vector<std::string> paths;
        for (int i = 0; i < int(m_files.size()); ++i)
            if (IsImage(m_files[i])) {
                images.push_back(i);
                paths.push_back(m_files[i]);
            }
        FileJobs jobs(
            paths, m_options.jobs, m_memoryLimit, [this](Work& work) { return !TooLarge(work); },
            [this](Work& work, Pictures& pictures, std::atomic<bool>& stop) { Prepare(work, pictures, stop); });
        for (std::size_t k = 0; k < images.size(); ++k) {
            m_index = images[k];
            m_turnStarted = false;
            ++m_result.counts.imageFiles;
            const std::unique_ptr<Work> work = jobs.Take(k, [this](const Work* turn) { return Waiting(turn); });
            if (!work)
                return false;
            m_result.times.load += work->loadSeconds;
            m_result.times.remap += work->remapSeconds;
            if (!ReportLoad(*work) || !ReportFocal(*work))
                continue;
            if (work->state == Work::State::Stopped) {
                Fail(FileStage::Undistort, *work, "not enough memory for the corrected picture");
                continue;
            }
            ReportProgress(100);
            // A cancel pressed while the file was corrected comes before its save.
            if (m_frontEnd.PollCancelled() || !Finish(*work))
                return false;
        }
        return true;
    }

    // While the run's thread waits for the file whose turn it is: the file's
    // start and the progress of its remap, as the job reports them.
    bool Waiting(const Work* turn)
    {
        if (m_frontEnd.PollCancelled())
            return true;
        const int percent = turn ? turn->percent.load(std::memory_order_acquire) : -1;
        if (percent >= 0) {
            ReportStart(*turn, true);
            ReportProgress(percent);
        }
        return false;
    }

    // One file up to its coding, on a job's thread: a set `stop` ends its
    // remap at the next column and leaves it uncoded.
    void Prepare(Work& work, Pictures& pictures, std::atomic<bool>& stop) const
    {
        work.pictures = &pictures;
        ImageFile file;
        const bool headerOnly = m_options.dryRun && m_focal.usage == FocalUsage::Lines;
        if (work.state != Work::State::LoadFailed) {
            if (headerOnly)
                ReadHeader(work, file, m_options.force);
            else
                Load(work, file, m_options.force);
        }
        if (work.state == Work::State::Loaded)
            ChooseFocal(work, m_focal, headerOnly ? nullptr : &pictures.source);
        if (work.state == Work::State::Loaded && work.scale > 0 && std::isfinite(work.scale) && !m_options.dryRun) {
            // One job has every core the options give it; several, one each.
            const int threads = m_options.jobs > 1 ? 1 : m_options.remapThreads;
            struct Report {
                Work& work;
                std::atomic<bool>& stop;
            } report{work, stop};
            work.percent.store(0, std::memory_order_release);
            Correct(
                work,
                [](double percent, void* context) {
                    auto* report = static_cast<Report*>(context);
                    report->work.percent.store(int(percent), std::memory_order_relaxed);
                    return !report->stop.load();
                },
                &report, threads);
        }
        // The coding too, so that it runs beside the other jobs; only the
        // commit waits for this file's turn.
        if (work.state == Work::State::Corrected && !stop)
            WriteResult(work, OutputFor(work.path), m_options.quality);
        work.pictures = nullptr;
    }

    // A failure before the save; `reason` is said of the source.
    void Fail(FileStage stage, const Work& work, const std::string& reason)
    {
        m_frontEnd.FileFailed({stage, work.path, {}, reason.empty() ? reason : "'" + work.path + "': " + reason});
    }

    bool ReportLoad(const Work& work)
    {
        if (work.state == Work::State::LoadFailed) {
            m_frontEnd.FileFailed({FileStage::Open, work.path, {}, work.error});
            return false;
        }
        if (work.state == Work::State::AlreadyCorrected) {
            m_frontEnd.FileSkipped({SkipReason::AlreadyCorrected, work.path, {}, work.markedScale});
            return false;
        }
        return true;
    }

    // The file's start and, when it has one, its focal length: once, as
    // soon as they are known.
    void ReportStart(const Work& work, bool focalChosen)
    {
        if (m_turnStarted)
            return;
        m_turnStarted = true;
        m_frontEnd.FileStarted(work.path);
        if (focalChosen)
            m_frontEnd.FocalChosen(work.focal, work.fromExif);
    }

    // A picture larger than the memory limit is that file's failure, known
    // from its header before anything is allocated. Sets work.memory.
    bool TooLarge(Work& work) const
    {
        work.memory = PictureMemory(work.path);
        if (work.memory <= m_memoryLimit)
            return false;
        work.error = "'" + work.path + "': the picture needs " + Mebibytes(work.memory) +
                     ", more than the memory limit of " + Mebibytes(m_memoryLimit);
        return true;
    }

    bool ReportFocal(Work& work)
    {
        ReportStart(work, work.state != Work::State::NoFocal && work.state != Work::State::Straight);
        if (work.state == Work::State::NoFocal) {
            m_frontEnd.FileSkipped({SkipReason::NoExifFocal, work.path, {}});
            return false;
        }
        if (work.state == Work::State::Straight) {
            m_frontEnd.FileSkipped({work.straightWhy, work.path, {}});
            return false;
        }
        if (!(work.scale > 0)) {
            Fail(FileStage::Scale, work, "");
            return false;
        }
        if (!std::isfinite(work.scale)) {
            Fail(FileStage::Undistort, work, "the focal length and fine tune give a scale too large to compute with");
            return false;
        }
        if (m_options.dryRun) {
            m_frontEnd.DescribeDryRun(
                {work.path, OutputFor(work.path), work.focal, work.fromExif, work.fromLines, work.scale});
            return false;
        }
        return true;
    }

    // Naming, the overwrite question and the save. False when the user
    // cancels at the question.
    bool Finish(Work& work)
    {
        const std::string output = OutputFor(work.path);
        // Two sources of one run with one result name (a.tif and a.png, or
        // two input folders into one): the first result stays.
        if (m_outputs.count(output)) {
            m_frontEnd.FileFailed({FileStage::Save, work.path, output,
                                   "'" + output + "': the result of another file of this run has this name"});
            return true;
        }
        if (IsFile(output) && !m_overwriteAll) {
            switch (m_frontEnd.AskOverwrite(output)) {
            case OverwriteAnswer::Overwrite: break;
            case OverwriteAnswer::OverwriteAll: m_overwriteAll = true; break;
            case OverwriteAnswer::Skip:
                m_frontEnd.FileSkipped({SkipReason::ResultExists, work.path, output});
                return true;
            case OverwriteAnswer::Cancel: return false;
            }
        }
        // Its job coded it ahead; only the commit is left.
        const Clock::time_point start = Clock::now();
        std::string error = work.writeError;
        const bool saved = work.written && CommitOrFail(*work.written, &error);
        work.written.reset();
        m_result.times.save += work.writeSeconds + SecondsSince(start);
        if (!saved) {
            m_frontEnd.FileFailed({FileStage::Save, work.path, output, error});
            return true;
        }
        ++m_result.counts.savedFiles;
        m_outputs.insert(output);
        m_frontEnd.ResultSaved(work.path, output);
        return true;
    }

    bool IsImage(const std::string& path) const
    {
        return m_options.isImage ? m_options.isImage(path) : IsImageFile(path);
    }

    std::string OutputFor(const std::string& source) const
    {
        return m_options.output.empty() ? BatchOutputPath(source, m_options) : m_options.output;
    }

    void ReportProgress(int imagePercent)
    {
        const double overall = (m_index * 100.0 + imagePercent) / m_result.counts.totalFiles;
        m_frontEnd.Progress(imagePercent, int(overall));
    }

    BatchFrontEnd& m_frontEnd;
    const std::vector<std::string>& m_files;
    const BatchOptions& m_options;
    const FocalChoice m_focal;
    BatchResult m_result;
    int m_index = 0;
    bool m_turnStarted = false;  // FileStarted reported for the file whose turn it is
    bool m_overwriteAll = false;
    std::set<std::string> m_outputs;  // results written by this run
    const std::uint64_t m_memoryLimit =
        m_options.memoryLimit > 0 ? m_options.memoryLimit : DefaultMemoryLimit();
};

}  // namespace

std::string BatchOutputPath(const std::string& source, const BatchOptions& options)
{
    // A format without a writer (TIFF, PCX, TGA) gives a PNG file.
    const ImageFormatInfo* format = FindImageFormat(FormatOfPath(source));
    const bool writable = format && format->write;
    const std::string name = writable ? GetFileName(source) : GetFileStem(source) + ".png";
    if (options.saveMode == SaveMode::OtherFolder) {
        const std::string folder = options.folder.empty()
                                       ? WithSeparator(GetDirectory(source).empty() ? "." : GetDirectory(source)) + "undistorted"
                                       : options.folder;
        return PathString(WithSeparator(folder) + name).str();
    }
    const std::string folder = GetDirectory(source);
    return PathString((folder.empty() ? std::string() : WithSeparator(folder)) + GetFileStem(source) +
                      options.suffix + "." + (writable ? GetExtension(source) : std::string("png")))
        .str();
}

float ReadFocalText(const std::string& text)
{
    // A decimal comma means what it says; text with a number only at its
    // start keeps the value atof reads from it.
    if (const std::optional<double> number = ParseDecimal(text))
        return float(*number);
    return float(std::atof(text.c_str()));
}

BatchResult BatchRun::RunFiles(const std::vector<std::string>& files, const BatchOptions& options,
                               float manualFocal, double fineTune, const std::string& folderLabel)
{
    const FocalChoice focal{options.focalUsage, manualFocal, options.useFineTune ? fineTune : 1.0};
    return Runner(m_frontEnd, files, options, focal).Run(folderLabel);
}

BatchResult BatchRun::RunFolder(const BatchSource& source)
{
    const float focal = source.useExif ? source.exifFocal : source.manualFocal;
    if (!(PixelScale(focal, source.width, source.height, source.fineTune) > 0)) {
        m_frontEnd.RunRefused(RunRefusal::FocalNotPositive);
        return {};
    }
    const std::string folder = GetDirectory(source.currentPath);
    BatchOptions options;
    options.folder = WithSeparator(folder) + "undistorted";
    options.focalUsage = source.useExif ? FocalUsage::ExifOnly : FocalUsage::ManualOnly;
    options.useFineTune = source.fineTune != 1;
    if (!m_frontEnd.ChooseOptions(options))
        return {};
    DirectoryScanner scanner;
    scanner.Scan(folder);
    std::vector<std::string> files(scanner.Files().begin(), scanner.Files().end());
    // Every core, as the command line uses them.
    ShareCores(options, int(std::count_if(files.begin(), files.end(),
                                          [](const std::string& file) { return IsImageFile(file); })));
    return RunFiles(files, options, source.manualFocal, source.fineTune, folder);
}

void ShareCores(BatchOptions& options, int imageFiles, int jobs)
{
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    options.jobs = imageFiles == 1 ? 1 : jobs > 0 ? jobs : cores;
    options.remapThreads = options.jobs == 1 ? cores : 1;
}

std::uint64_t DefaultMemoryLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::uint64_t(4) << 30;
    return std::uint64_t(pages) * std::uint64_t(pageSize) / 2;
}

}  // namespace fovella
