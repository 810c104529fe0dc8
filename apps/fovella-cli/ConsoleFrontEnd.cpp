#include "apps/fovella-cli/ConsoleFrontEnd.h"

#include "metadata/CorrectionMark.h"

#include "fs/PathString.h"
#include "fs/ReadableName.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <ostream>
#include <system_error>

namespace fovella::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

// The first signal asks the run to stop at its next report, so that no file
// is left half-written; a second one ends the program at once.
void OnInterrupt(int signal)
{
    if (g_interrupted) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    g_interrupted = 1;
}

// The codecs' reasons begin with the quoted path, which the message names.
std::string WithoutPath(const std::string& reason)
{
    const auto at = reason.find("': ");
    return reason.rfind('\'', 0) == 0 && at != std::string::npos ? reason.substr(at + 3) : reason;
}

// An empty suffix names the source as its own result.
bool IsSameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error);
}

std::string OneLine(std::string text)
{
    for (std::size_t at; (at = text.find('\n')) != std::string::npos;)
        text.replace(at, 1, " ");
    return text;
}

}  // namespace

std::string Printable(const std::string& text)
{
    std::string printable;
    for (const char c : ReadableName(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            printable += escaped;
        } else {
            printable += c;
        }
    }
    return printable;
}

ConsoleFrontEnd::ConsoleFrontEnd(OverwriteChoice overwrite, int images, bool folderListed, std::istream& in,
                                 std::ostream& out, std::ostream& errors, bool interactive,
                                 bool showProgress)
    : m_overwrite(overwrite), m_images(images), m_folderListed(folderListed), m_in(in), m_out(out), m_errors(errors),
      m_interactive(interactive), m_showProgress(showProgress)
{
}

void ConsoleFrontEnd::CatchInterrupt()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, OnInterrupt);
#endif
}

void ConsoleFrontEnd::Error(const std::string& text, const std::string& reason)
{
    ClearProgressLine();
    m_errors << "fovella-cli: " << Printable(OneLine(text));
    if (!reason.empty())
        m_errors << " (" << Printable(WithoutPath(reason)) << ")";
    m_errors << "\n";
}

void ConsoleFrontEnd::RunRefused(RunRefusal why)
{
    Error(why == RunRefusal::OutputFolder ? "The selected directory does not exist and cannot be created!"
                                          : "Focal length should be positive.");
}

void ConsoleFrontEnd::FileFailed(const FileFailure& failure)
{
    switch (failure.stage) {
    case FileStage::Open: Error("Failed to open " + failure.path, failure.reason); break;
    case FileStage::Scale: Error("Focal length should be positive.\n" + failure.path); break;
    case FileStage::Undistort: Error("Failed to undistort " + failure.path, failure.reason); break;
    case FileStage::Save: Error("Failed to save " + failure.output, failure.reason); break;
    }
}

void ConsoleFrontEnd::FileSkipped(const FileSkip& skip)
{
    ClearProgressLine();
    switch (skip.why) {
    case SkipReason::NoExifFocal:
        m_errors << "fovella-cli: skipped " << Printable(skip.path) << ": no EXIF focal length\n";
        break;
    case SkipReason::ResultExists:
        m_errors << "fovella-cli: skipped " << Printable(skip.output) << ": it exists (" << m_skipWhy << ")\n";
        break;
    case SkipReason::AlreadyCorrected:
        m_errors << "fovella-cli: " << Printable(skip.path) << ": " << AlreadyCorrectedText(skip.markedScale)
                 << "\n";
        break;
    case SkipReason::NoStraightLines:
        m_errors << "fovella-cli: " << Printable(skip.path) << ": no straight lines found\n";
        break;
    case SkipReason::NoBarrelDistortion:
        m_errors << "fovella-cli: " << Printable(skip.path) << ": no barrel distortion found\n";
        break;
    }
}

void ConsoleFrontEnd::RunCompleted(const BatchCounts& counts)
{
    ClearProgressLine();
    if (m_folderListed)
        m_out << "Total number of files in folder: " << counts.totalFiles << "\n"
              << "Total number of image files in folder: " << counts.imageFiles << "\n";
    else
        m_out << "Total number of image files: " << counts.imageFiles << "\n";
    m_out << "Total number of processed and saved image files: " << counts.savedFiles << "\n";
}

OverwriteAnswer ConsoleFrontEnd::AskOverwrite(const std::string& output)
{
    switch (m_overwrite) {
    case OverwriteChoice::All: return OverwriteAnswer::OverwriteAll;
    case OverwriteChoice::Skip:
        // Asked for: the result is there, as a rerun after an interrupted job wants.
        ++m_kept;
        return Skip("--overwrite skip");
    case OverwriteChoice::Cancel: return OverwriteAnswer::Cancel;
    case OverwriteChoice::Ask: break;
    }
    if (!m_interactive)
        return Skip("no terminal to ask; --overwrite chooses");
    ClearProgressLine();
    const char* exists = IsSameFile(output, m_currentPath)
                             ? "\" already exists and is the source itself: overwriting replaces the original."
                             : "\" already exists.";
    for (;;) {
        m_errors << "File \"" << Printable(output) << exists
                 << " [o]verwrite, overwrite [a]ll, [s]kip, [c]ancel? " << std::flush;
        std::string answer;
        if (!std::getline(m_in, answer))
            return OverwriteAnswer::Cancel;
        switch (answer.empty() ? '\0' : answer[0]) {
        case 'o': case 'O': return OverwriteAnswer::Overwrite;
        case 'a': case 'A': return OverwriteAnswer::OverwriteAll;
        case 's': case 'S': return Skip("answered skip");
        case 'c': case 'C': return OverwriteAnswer::Cancel;
        }
    }
}

OverwriteAnswer ConsoleFrontEnd::Skip(const char* why)
{
    m_skipWhy = why;
    return OverwriteAnswer::Skip;
}

void ConsoleFrontEnd::RunEnded() { ClearProgressLine(); }

void ConsoleFrontEnd::FileStarted(const std::string& path)
{
    ++m_started;
    m_current = Printable(GetFileName(path));
    m_currentPath = path;
}

void ConsoleFrontEnd::Progress(int filePercent, int)
{
    if (!m_showProgress)
        return;
    char line[64];
    std::snprintf(line, sizeof line, "\r[%d/%d] %3d%% ", m_started, m_images, filePercent);
    m_errors << line << m_current << "\x1b[K" << std::flush;
    m_progressShown = true;
}

bool ConsoleFrontEnd::PollCancelled() { return g_interrupted != 0; }

void ConsoleFrontEnd::DescribeDryRun(const DryRunLine& line)
{
    ClearProgressLine();
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "focal length %.3f mm (%s), scale %.2f px",
                  double(line.focalMm), line.focalFromLines ? "lines" : line.focalFromExif ? "EXIF" : "manual",
                  line.scale);
    m_out << Printable(line.source) << " -> " << Printable(line.output) << ": " << numbers << "\n";
    ++m_described;
}

void ConsoleFrontEnd::ClearProgressLine()
{
    if (m_progressShown)
        m_errors << "\r\x1b[K" << std::flush;
    m_progressShown = false;
}

}  // namespace fovella::cli
