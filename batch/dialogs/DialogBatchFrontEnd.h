// The folder run's front end in the window: the options, progress and
// overwrite dialogs, and the run's events worded as the window's message
// boxes, through the platform services.
#pragma once

#include "batch/BatchFrontEnd.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace fovella {

class CBatchProgressDlg;
class FolderBrowser;
class InputGuard;
class PlatformServices;

// The check box of the run's messages about single files.
extern const char kQuietFilesText[];  // "Do not show again during this run"

// The line of the summary's details for a file not saved: its name and why.
std::string NotSavedLine(const FileFailure& failure);
std::string NotSavedLine(const FileSkip& skip);

class DialogBatchFrontEnd : public BatchFrontEnd {
public:
    // `currentPath` is the window's own image, whose result the run may
    // write; `browser` picks the results' folder in the options.
    DialogBatchFrontEnd(PlatformServices& services, FolderBrowser& browser, QWidget* owner,
                        std::string currentPath);
    ~DialogBatchFrontEnd() override;

    bool ChooseOptions(BatchOptions& options) override;
    OverwriteAnswer AskOverwrite(const std::string& output) override;
    void RunRefused(RunRefusal why) override;
    void RunStarted(const std::string& folder) override;
    void RunEnded() override;
    void RunCompleted(const BatchCounts& counts) override;
    void FileFailed(const FileFailure& failure) override;
    void FileSkipped(const FileSkip& skip) override;
    void FileStarted(const std::string& path) override;
    void FocalChosen(float focalMm, bool fromExif) override;
    void Progress(int filePercent, int runPercent) override;
    bool PollCancelled() override;
    void ResultSaved(const std::string& source, const std::string& output) override;

    // As the progress dialog's Cancel: the run stops at its next report,
    // even when asked before the progress dialog is up.
    void Cancel() { m_cancelRequested = true; }
    // What the refusal of a focal length that gives no positive scale says;
    // "Focal length should be positive." unless set.
    void SetFocalRefusalText(std::string text) { m_focalRefusal = std::move(text); }
    // A corrected copy of the window's own image was written.
    bool SavedCurrentImage() const { return m_savedCurrent; }

private:
    // `reason`, the lower layer's account, goes to the log; the user reads
    // the window's own text.
    void Show(const std::string& text, const char* title, bool error, const std::string& reason = {});
    // A message about one file, with `reason` in its details and the check
    // box that silences the rest of the run's messages about single files.
    void ShowForFile(const std::string& text, const char* title, bool error, const std::string& reason = {});

    PlatformServices& m_services;
    FolderBrowser& m_browser;
    QWidget* m_owner;
    std::string m_currentPath;
    std::unique_ptr<InputGuard> m_guard;  // while the run goes on
    std::unique_ptr<CBatchProgressDlg> m_progress;
    bool m_savedCurrent = false;
    bool m_cancelRequested = false;
    std::string m_focalRefusal = "Focal length should be positive.";
    std::string m_currentFile;  // the file whose turn it is
    bool m_quietFiles = false;  // "Do not show again during this run" was checked
    std::vector<std::string> m_notSaved;  // a line for each image file not saved
};

}  // namespace fovella
