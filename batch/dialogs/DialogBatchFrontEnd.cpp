#include "batch/dialogs/DialogBatchFrontEnd.h"
#include "batch/DecimalNumber.h"

#include "batch/dialogs/CBatchOptionsDlg.h"
#include "batch/dialogs/CBatchProgressDlg.h"
#include "batch/dialogs/COverwriteDlg.h"
#include "framework/InputGuard.h"
#include "framework/PlatformServices.h"
#include "fs/PathString.h"
#include "fs/ReadableName.h"
#include "metadata/CorrectionMark.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <iostream>

namespace fovella {

namespace {

std::string Percent(int value) { return std::to_string(value) + "%"; }

// An empty suffix names the source as its own result.
bool IsSameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error);
}

// `reason` without the name it starts with ("'/p/a.jpg': not a JPEG file"
// is "not a JPEG file" of /p/a.jpg).
std::string Fault(const std::string& reason, const std::string& name)
{
    const std::string prefix = "'" + name + "': ";
    return reason.compare(0, prefix.size(), prefix) == 0 ? reason.substr(prefix.size()) : reason;
}

}  // namespace

const char kQuietFilesText[] = "Do not show again during this run";

std::string NotSavedLine(const FileFailure& failure)
{
    const std::string name = ReadableName(failure.path);
    switch (failure.stage) {
    case FileStage::Open: return name + ": failed to open: " + ReadableName(Fault(failure.reason, failure.path));
    case FileStage::Scale: return name + ": focal length should be positive";
    case FileStage::Undistort:
        return name + ": failed to undistort: " + ReadableName(Fault(failure.reason, failure.path));
    case FileStage::Save:
        return name + ": failed to save " + ReadableName(failure.output) + ": " +
               ReadableName(Fault(failure.reason, failure.output));
    }
    return name;
}

std::string NotSavedLine(const FileSkip& skip)
{
    const std::string name = ReadableName(skip.path);
    switch (skip.why) {
    case SkipReason::NoExifFocal: return name + ": skipped: no EXIF focal length";
    case SkipReason::ResultExists: return name + ": skipped: " + ReadableName(skip.output) + " exists";
    case SkipReason::AlreadyCorrected: return name + ": skipped: " + AlreadyCorrectedText(skip.markedScale);
    case SkipReason::NoStraightLines: return name + ": skipped: no straight lines found";
    case SkipReason::NoBarrelDistortion: return name + ": skipped: no barrel distortion found";
    }
    return name;
}

DialogBatchFrontEnd::DialogBatchFrontEnd(PlatformServices& services, FolderBrowser& browser, QWidget* owner,
                                         std::string currentPath)
    : m_services(services), m_browser(browser), m_owner(owner), m_currentPath(std::move(currentPath))
{
}

DialogBatchFrontEnd::~DialogBatchFrontEnd() = default;

bool DialogBatchFrontEnd::ChooseOptions(BatchOptions& options)
{
    CBatchOptionsDlg dialog(m_services, m_browser, m_owner);
    dialog.m_strFolder = options.folder;
    dialog.m_nFocalUsage = int(options.focalUsage);
    dialog.m_bUseFineTune = options.useFineTune ? 1 : 0;
    if (dialog.DoModal() != CBatchOptionsDlg::Accepted)
        return false;
    options.saveMode = SaveMode(dialog.m_nSaveMode);
    options.folder = dialog.m_strFolder;
    options.suffix = dialog.m_strSuffix;
    options.quality = dialog.m_nQuality;
    options.focalUsage = FocalUsage(dialog.m_nFocalUsage);
    options.useFineTune = dialog.m_bUseFineTune != 0;
    return true;
}

void DialogBatchFrontEnd::Show(const std::string& text, const char* title, bool error, const std::string& reason)
{
    if (!reason.empty())
        std::cerr << "fovella: " << reason << "\n";
    m_services.ShowMessage(text, title, error ? MessageIcon::Error : MessageIcon::Warning, MessageButtons::Ok);
}

void DialogBatchFrontEnd::ShowForFile(const std::string& text, const char* title, bool error,
                                      const std::string& reason)
{
    if (!reason.empty())
        std::cerr << "fovella: " << reason << "\n";
    if (m_quietFiles)
        return;
    MessageExtras extras{ReadableName(reason), kQuietFilesText, false, {}};
    m_services.ShowMessage(text, title, error ? MessageIcon::Error : MessageIcon::Warning, MessageButtons::Ok,
                           &extras);
    m_quietFiles = extras.checked;
}

void DialogBatchFrontEnd::RunRefused(RunRefusal why)
{
    switch (why) {
    case RunRefusal::FocalNotPositive: Show(m_focalRefusal, "Undistort", false); break;
    case RunRefusal::OutputFolder:
        Show("The selected directory does not exist and cannot be created!", "Undistort Directory", true);
        break;
    }
}

void DialogBatchFrontEnd::FileFailed(const FileFailure& failure)
{
    m_notSaved.push_back(NotSavedLine(failure));
    switch (failure.stage) {
    case FileStage::Open: ShowForFile("Failed to open " + ReadableName(failure.path), "Open", true, failure.reason); break;
    case FileStage::Scale:
        ShowForFile("Focal length should be positive.\n" + ReadableName(failure.path), "Undistort", false);
        break;
    case FileStage::Undistort:
        ShowForFile("Failed to undistort " + ReadableName(failure.path), "Undistort", true, failure.reason);
        break;
    case FileStage::Save: ShowForFile("Failed to save " + ReadableName(failure.output), "Save", true, failure.reason); break;
    }
}

// A file without an EXIF focal length, or whose result exists and was to
// be skipped, goes by in silence; a result of an earlier run is said, since
// the user may have meant to correct it. The summary lists them all.
void DialogBatchFrontEnd::FileSkipped(const FileSkip& skip)
{
    m_notSaved.push_back(NotSavedLine(skip));
    if (skip.why == SkipReason::AlreadyCorrected)
        ShowForFile(ReadableName(skip.path) + ": " + AlreadyCorrectedText(skip.markedScale), "Undistort", false);
}

void DialogBatchFrontEnd::RunCompleted(const BatchCounts& counts)
{
    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "Total number of files in folder: %i\nTotal number of image files in folder: %i\n"
                  "Total number of processed and saved image files: %i",
                  counts.totalFiles, counts.imageFiles, counts.savedFiles);
    // Every image file not saved, and why, for the user who unfolds it.
    MessageExtras extras;
    for (const std::string& line : m_notSaved)
        extras.details += line + "\n";
    m_services.ShowMessage(summary, "Undistort Directory", MessageIcon::Information, MessageButtons::Ok, &extras);
}

OverwriteAnswer DialogBatchFrontEnd::AskOverwrite(const std::string& output)
{
    COverwriteDlg dialog(m_services, m_progress ? static_cast<QWidget*>(m_progress.get()) : m_owner);
    // No closing quote: the second line reads "already exists.".
    dialog.m_strMessage = "File \"" + ReadableName(output);
    dialog.m_bSourceItself = IsSameFile(output, m_currentFile);
    dialog.DoModal();
    switch (dialog.m_nResult) {
    case kOverwriteOnce: return OverwriteAnswer::Overwrite;
    case kOverwriteAll: return OverwriteAnswer::OverwriteAll;
    case kOverwriteSkip: return OverwriteAnswer::Skip;
    default: return OverwriteAnswer::Cancel;
    }
}

void DialogBatchFrontEnd::RunStarted(const std::string& folder)
{
    // The window takes no input until the run has ended, but hears a close.
    m_guard = std::make_unique<InputGuard>(m_owner);
    m_progress = std::make_unique<CBatchProgressDlg>(m_services, m_owner);
    m_progress->m_bCancelled = 0;
    m_progress->Start();
    m_progress->SetLabel(kBatchFolderLabel, "Undistorting directory " + ReadableName(folder));
}

void DialogBatchFrontEnd::RunEnded()
{
    m_progress.reset();
    m_guard.reset();
}

void DialogBatchFrontEnd::FileStarted(const std::string& path)
{
    m_currentFile = path;
    m_progress->SetLabel(kBatchImageLabel, "Undistorting image " + ReadableName(GetFileName(path)));
}

void DialogBatchFrontEnd::FocalChosen(float focalMm, bool fromExif)
{
    m_progress->SetLabel(kBatchFocalLabel, Formatted(fromExif ? "Using EXIF focal length value: %.3f"
                                                              : "Using manually set focal length value: %.3f",
                                                     double(focalMm)));
}

void DialogBatchFrontEnd::Progress(int filePercent, int runPercent)
{
    m_progress->SetBar(kBatchImageBar, filePercent);
    m_progress->SetBar(kBatchFolderBar, runPercent);
    m_progress->SetLabel(kBatchFolderPercent, Percent(runPercent));
    m_progress->SetLabel(kBatchImagePercent, Percent(filePercent));
}

bool DialogBatchFrontEnd::PollCancelled()
{
    PumpMessages();
    return m_cancelRequested || (m_progress && m_progress->m_bCancelled);
}

void DialogBatchFrontEnd::ResultSaved(const std::string& source, const std::string&)
{
    if (EqualIgnoringCase(source, m_currentPath))
        m_savedCurrent = true;
}

}  // namespace fovella
