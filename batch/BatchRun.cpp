#include "batch/BatchRun.h"

#include "batch/FileJobs.h"
#include "batch/Work.h"
#include "codecs/CodecError.h"
#include "codecs/ImageFile.h"
#include "codecs/ImageFormats.h"
#include "codecs/PictureSize.h"
#include "exif/ExifReader.h"
#include "fs/DirectoryScanner.h"
#include "fs/FileReplacement.h"
#include "fs/PathString.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "lines/LineEstimator.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>

#include <filesystem>
#include <system_error>

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
// the source and the result. 0 when the header tells nothing (a format
// without a size reader, or not a regular file, which the reader refuses).
std::uint64_t PictureMemory(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::status(path, error).type() != std::filesystem::file_type::regular)
        return 0;
    int width = 0, height = 0;
    if (!ReadPictureSize(path, Unknown, width, height))
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
void Load(Work& work, ImageFile& file)
{
    const Clock::time_point start = Clock::now();
    if (!file.Load(work.path, work.pictures->source, Unknown, KeepExif)) {
        work.state = Work::State::LoadFailed;
        work.error = file.Error();
    } else {
        file.GetExifBlock(work.exif);
        work.state = Work::State::Loaded;
    }
    work.loadSeconds = SecondsSince(start);
}

// The scale from the picture's own straight lines, and the focal length
// that gives it at the run's fine tune.
void ChooseFromLines(Work& work, double fineTune)
{
    const Image& source = work.pictures->source;
    const LineEstimate estimate = EstimateLines(source);
    if (estimate.verdict != LineEstimate::Verdict::Found) {
        work.state = Work::State::Straight;
        work.error = estimate.verdict == LineEstimate::Verdict::NoBarrelDistortion ? "no barrel distortion found"
                                                                                   : "no straight lines found";
        return;
    }
    work.fromLines = true;
    work.scale = estimate.scale;
    work.focal = float(FocalForScale(estimate.scale, source.Width(), source.Height(), fineTune));
}

void ChooseFocal(Work& work, const FocalChoice& choice)
{
    if (choice.usage == FocalUsage::Lines) {
        ChooseFromLines(work, choice.fineTune);
        return;
    }
    float exifFocal = 0;
    if (!work.exif.empty() && choice.usage != FocalUsage::ManualOnly) {
        // A damaged block has no focal length; what the reader found wrong
        // goes to standard error in one piece, so that jobs running side by
        // side do not mix their lines.
        std::ostringstream diagnostics;
        exifFocal = ReadExif(work.exif.data(), work.exif.size(), diagnostics).FocalLength;
        if (!diagnostics.str().empty())
            std::cerr << diagnostics.str() << std::flush;
    }
    if (choice.usage == FocalUsage::ExifOnly && exifFocal == 0) {
        work.state = Work::State::NoFocal;
        return;
    }
    work.fromExif = choice.usage != FocalUsage::ManualOnly && exifFocal != 0;
    work.focal = work.fromExif ? exifFocal : choice.manual;
    const Image& source = work.pictures->source;
    work.scale = PixelScale(work.focal, source.Width(), source.Height(), choice.fineTune);
}

void Correct(Work& work, ProgressCallback callback, void* context, int threads = 1)
{
    const Clock::time_point start = Clock::now();
    const bool done = LensModel(threads).Undistort(work.pictures->source, work.pictures->result, work.scale,
                                                   callback, context);
    work.remapSeconds = SecondsSince(start);
    work.state = done ? Work::State::Corrected : Work::State::Stopped;
}

// Codes the result into a replacement of `output`, on the caller's thread;
// Finish commits it.
void WriteResult(Work& work, ImageFile& file, const std::string& output, int quality)
{
    const Clock::time_point start = Clock::now();
    const ImageFileFormat format = file.ClassifyExtension(output);
    file.SetExifBlock(work.exif);
    work.written = std::make_unique<FileReplacement>(output);
    DibImage& result = work.pictures->result;
    const bool written = format == Jpeg ? result.ConvertPixelType(Rgb) &&
                                              file.Write(*work.written, output, result, Jpeg, quality, 1)
                                        : file.Write(*work.written, output, result,
                                                     format == Bmp ? Bmp : Png, 100, 0);
    if (!written) {
        work.writeError = file.Error();
        work.written.reset();
    }
    work.writeSeconds = SecondsSince(start);
}

class Runner {
public:
    Runner(BatchFrontEnd& frontEnd, const std::vector<std::string>& files, const BatchOptions& options,
           const FocalChoice& focal)
        : m_frontEnd(frontEnd), m_files(files), m_options(options), m_focal(focal)
    {
        m_result.counts.totalFiles = int(files.size());
    }

    BatchResult Run(const std::string& folderLabel)
    {
        if (!m_options.dryRun && !PrepareFolders())
            return m_result;
        m_frontEnd.RunStarted(folderLabel);
        const bool completed = m_options.jobs > 1 ? RunInParallel() : RunInOrder();
        if (!completed) {
            m_frontEnd.RunEnded();
            m_result.outcome = BatchOutcome::Cancelled;
            return m_result;
        }
        char summary[256];
        std::snprintf(summary, sizeof summary,
                      "Total number of files in folder: %i\nTotal number of image files in folder: "
                      "%i\nTotal number of processed and saved image files: %i",
                      m_result.counts.totalFiles, m_result.counts.imageFiles, m_result.counts.savedFiles);
        m_frontEnd.ShowMessage(summary, "Undistort Directory", MessageIcon::Information);
        m_frontEnd.RunEnded();
        m_result.outcome = BatchOutcome::Completed;
        return m_result;
    }

private:
    // Save mode 0: the output folder, one level, made before the first file.
    bool PrepareFolders()
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
            if (error && error != std::errc::file_exists && !IsDirectory(folder)) {
                m_frontEnd.ShowMessage("The selected directory does not exist and cannot be created!",
                                       "Undistort Directory", MessageIcon::Error);
                return false;
            }
        }
        return true;
    }

    // One file after the other, reporting every column of every remap.
    bool RunInOrder()
    {
        Pictures pictures;
        for (m_index = 0; m_index < int(m_files.size()); ++m_index) {
            if (!IsImage(m_files[m_index]))
                continue;
            Work work;
            work.path = m_files[m_index];
            work.pictures = &pictures;
            ++m_result.counts.imageFiles;
            if (TooLarge(work))
                work.state = Work::State::LoadFailed;
            else
                Load(work, m_file);
            m_result.times.load += work.loadSeconds;
            if (!ReportLoad(work))
                continue;
            ChooseFocal(work, m_focal);
            if (!ReportFocal(work))
                continue;
            Correct(work, &Runner::Progress, this, m_options.remapThreads);
            m_result.times.remap += work.remapSeconds;
            if (work.state == Work::State::Stopped) {
                if (m_cancelled)
                    return false;
                ReportRefusal(work, "not enough memory for the corrected picture");
                continue;
            }
            if (!Finish(work))
                return false;
        }
        return true;
    }

    // Up to `jobs` files are loaded, corrected and coded at once on their
    // own threads, a new one as soon as one is done; every question,
    // message and save still comes in list order from this thread, so the
    // files written do not depend on the number.
    bool RunInParallel()
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
            ++m_result.counts.imageFiles;
            const std::unique_ptr<Work> work = jobs.Take(k, [this] { return m_frontEnd.PollCancelled(); });
            if (!work || m_frontEnd.PollCancelled())
                return false;
            m_result.times.load += work->loadSeconds;
            m_result.times.remap += work->remapSeconds;
            if (!ReportLoad(*work) || !ReportFocal(*work))
                continue;
            if (work->state == Work::State::Stopped) {
                ReportRefusal(*work, "not enough memory for the corrected picture");
                continue;
            }
            ReportProgress(100);
            if (!Finish(*work))
                return false;
        }
        return true;
    }

    // One file of a parallel run, up to its coding, on a job's thread: a
    // set `stop` ends its remap at the next report and leaves it uncoded.
    void Prepare(Work& work, Pictures& pictures, std::atomic<bool>& stop) const
    {
        work.pictures = &pictures;
        ImageFile file;
        if (work.state != Work::State::LoadFailed)
            Load(work, file);
        if (work.state == Work::State::Loaded)
            ChooseFocal(work, m_focal);
        if (work.state == Work::State::Loaded && work.scale > 0 && std::isfinite(work.scale) && !m_options.dryRun)
            Correct(work, [](double, void* flag) { return !static_cast<std::atomic<bool>*>(flag)->load(); }, &stop);
        // The coding too, so that it runs beside the other jobs; only the
        // commit waits for this file's turn.
        if (work.state == Work::State::Corrected && !stop)
            WriteResult(work, file, OutputFor(work.path), m_options.quality);
        work.pictures = nullptr;
    }

    bool ReportLoad(const Work& work)
    {
        if (work.state == Work::State::LoadFailed) {
            m_frontEnd.ShowMessage("Failed to open " + work.path, "Open", MessageIcon::Error, work.error);
            return false;
        }
        m_frontEnd.FileStarted(work.path);
        return true;
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

    // A picture the remap cannot take is that file's failure; the run goes on.
    void ReportRefusal(const Work& work, const std::string& reason)
    {
        m_frontEnd.ShowMessage("Failed to undistort " + work.path, "Undistort", MessageIcon::Error,
                               "'" + work.path + "': " + reason);
    }

    bool ReportFocal(Work& work)
    {
        if (work.state == Work::State::NoFocal)
            return false;
        if (work.state == Work::State::Straight) {
            m_frontEnd.ShowMessage(work.path + ": " + work.error, "Undistort", MessageIcon::Warning);
            return false;
        }
        m_frontEnd.FocalChosen(work.focal, work.fromExif);
        if (!(work.scale > 0)) {
            m_frontEnd.ShowMessage("Focal length should be positive.\n" + work.path, "Undistort",
                                   MessageIcon::Warning);
            return false;
        }
        if (!std::isfinite(work.scale)) {
            ReportRefusal(work, "the focal length and fine tune give a scale too large to compute with");
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
            m_frontEnd.ShowMessage("Failed to save " + output, "Save", MessageIcon::Error,
                                   "'" + output + "': the result of another file of this run has this name");
            return true;
        }
        if (IsFile(output) && !m_overwriteAll) {
            switch (m_frontEnd.AskOverwrite(output)) {
            case OverwriteAnswer::Overwrite: break;
            case OverwriteAnswer::OverwriteAll: m_overwriteAll = true; break;
            case OverwriteAnswer::Skip: return true;
            case OverwriteAnswer::Cancel: return false;
            }
        }
        // Coded here unless a job coded it ahead.
        if (!work.written && work.writeError.empty())
            WriteResult(work, m_file, output, m_options.quality);
        const Clock::time_point start = Clock::now();
        std::string error = work.writeError;
        const bool saved = work.written && CommitOrFail(*work.written, &error);
        work.written.reset();
        m_result.times.save += work.writeSeconds + SecondsSince(start);
        if (!saved) {
            m_frontEnd.ShowMessage("Failed to save " + output, "Save", MessageIcon::Error, error);
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

    static bool Progress(double percent, void* context)
    {
        auto* self = static_cast<Runner*>(context);
        if (self->m_frontEnd.PollCancelled()) {
            self->m_cancelled = true;
            return false;
        }
        self->ReportProgress(int(percent));
        return true;
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
    ImageFile m_file;
    BatchResult m_result;
    int m_index = 0;
    bool m_overwriteAll = false;
    bool m_cancelled = false;  // the user's cancel stopped a remap
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

float ReadFocalText(const std::string& text) { return float(std::atof(text.c_str())); }

BatchResult BatchRun::RunFiles(const std::vector<std::string>& files, const BatchOptions& options,
                               float manualFocal, double fineTune, const std::string& folderLabel)
{
    const FocalChoice focal{options.focalUsage, manualFocal, options.useFineTune ? fineTune : 1.0};
    return Runner(m_frontEnd, files, options, focal).Run(folderLabel);
}

BatchResult BatchRun::RunFolder(const BatchSource& source)
{
    const float focal = source.useExif ? source.exifFocal : ReadFocalText(source.focalText);
    if (!(PixelScale(focal, source.width, source.height, source.fineTune) > 0)) {
        m_frontEnd.ShowMessage("Focal length should be positive.", "Undistort", MessageIcon::Warning);
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
    scanner.Scan("*", folder, 1);
    std::vector<std::string> files(scanner.Files().begin(), scanner.Files().end());
    return RunFiles(files, options, ReadFocalText(source.focalText), source.fineTune, folder);
}

std::uint64_t DefaultMemoryLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::uint64_t(4) << 30;
    return std::uint64_t(pages) * std::uint64_t(pageSize) / 2;
}

}  // namespace fovella
