#include "batch/dialogs/DialogBatchFrontEnd.h"

#include "batch/dialogs/CBatchOptionsDlg.h"
#include "batch/dialogs/CBatchProgressDlg.h"
#include "batch/dialogs/COverwriteDlg.h"
#include "framework/PlatformServices.h"
#include "fs/PathString.h"
#include "metadata/CorrectionMark.h"

#include <cstdio>
#include <iostream>

namespace fovella {

namespace {

std::string Formatted(const char* format, double value)
{
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Percent(int value) { return std::to_string(value) + "%"; }

}  // namespace

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

void DialogBatchFrontEnd::RunRefused(RunRefusal why)
{
    switch (why) {
    case RunRefusal::FocalNotPositive: Show("Focal length should be positive.", "Undistort", false); break;
    case RunRefusal::OutputFolder:
        Show("The selected directory does not exist and cannot be created!", "Undistort Directory", true);
        break;
    }
}

void DialogBatchFrontEnd::FileFailed(const FileFailure& failure)
{
    switch (failure.stage) {
    case FileStage::Open: Show("Failed to open " + failure.path, "Open", true, failure.reason); break;
    case FileStage::Scale: Show("Focal length should be positive.\n" + failure.path, "Undistort", false); break;
    case FileStage::Undistort: Show("Failed to undistort " + failure.path, "Undistort", true, failure.reason); break;
    case FileStage::Save: Show("Failed to save " + failure.output, "Save", true, failure.reason); break;
    }
}

// A file without an EXIF focal length, or whose result exists and was to
// be skipped, goes by in silence; a result of an earlier run is said, since
// the user may have meant to correct it.
void DialogBatchFrontEnd::FileSkipped(const FileSkip& skip)
{
    if (skip.why == SkipReason::AlreadyCorrected)
        Show(skip.path + ": " + AlreadyCorrectedText(skip.markedScale), "Undistort", false);
}

void DialogBatchFrontEnd::RunCompleted(const BatchCounts& counts)
{
    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "Total number of files in folder: %i\nTotal number of image files in folder: %i\n"
                  "Total number of processed and saved image files: %i",
                  counts.totalFiles, counts.imageFiles, counts.savedFiles);
    m_services.ShowMessage(summary, "Undistort Directory", MessageIcon::Information, MessageButtons::Ok);
}

OverwriteAnswer DialogBatchFrontEnd::AskOverwrite(const std::string& output)
{
    COverwriteDlg dialog(m_services, m_progress ? static_cast<QWidget*>(m_progress.get()) : m_owner);
    // No closing quote: the second line reads "already exists.".
    dialog.m_strMessage = "File \"" + output;
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
    m_progress = std::make_unique<CBatchProgressDlg>(m_services, m_owner);
    m_progress->m_bCancelled = 0;
    m_progress->Start();
    m_progress->SetLabel(kBatchFolderLabel, "Undistorting directory " + folder);
}

void DialogBatchFrontEnd::RunEnded() { m_progress.reset(); }

void DialogBatchFrontEnd::FileStarted(const std::string& path)
{
    m_progress->SetLabel(kBatchImageLabel, "Undistorting image " + GetFileName(path));
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
