// What the batch run needs from whoever shows it: the window's dialogs or
// the command line. Every call comes from the thread that started the run.
#pragma once

#include "batch/BatchOptions.h"

#include <string>

namespace fovella {

// The icon of a modal message; Question goes with the Yes/No/Cancel buttons.
enum class MessageIcon { Warning, Error, Information, Question };

// The four answers of the overwrite question.
enum class OverwriteAnswer { Overwrite, OverwriteAll, Skip, Cancel };

// Controls of the batch progress window that the run writes to.
enum BatchControl : int {
    kImageBar = 1042,      // per-cent of the current image
    kDirectoryBar = 1022,  // per-cent of the whole list
    kImageLabel = 1043,    // "Undistorting image " + name
    kFolderLabel = 1044,   // "Undistorting directory " + folder
    kImagePercent = 1045,  // "37%"
    kFolderPercent = 1046, // "12%"
    kFocalLabel = 1047,    // "Using EXIF focal length value: 5.800"
};

// One line of a dry run: what would be done with a file.
struct DryRunLine {
    std::string source, output;
    float focalMm = 0;
    bool focalFromExif = false;
    double scale = 0;
};

class BatchFrontEnd {
public:
    virtual ~BatchFrontEnd() = default;

    // Shows the options, filled in; false when the user does not go on.
    virtual bool ChooseOptions(BatchOptions& options) = 0;
    // A modal message with a title and an icon. `reason`, when not empty, is
    // the lower layer's account of a failure (the file and the fault), for a
    // log or a terminal; the window's message is `text` alone.
    virtual void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon,
                             const std::string& reason = std::string()) = 0;
    // `text` is "File \"" and the path; the second line reads "already exists.".
    virtual OverwriteAnswer AskOverwrite(const std::string& text) = 0;

    virtual void OpenProgress() = 0;
    virtual void CloseProgress() = 0;
    virtual void SetText(BatchControl control, const std::string& text) = 0;
    virtual void SetBar(BatchControl control, int percent) = 0;
    // Handles what is pending (a Cancel press among it); true once cancelled.
    virtual bool PollCancelled() = 0;

    // A corrected copy of the window's own image was saved.
    virtual void SavedCurrentImage() {}
    // A dry run describes each file instead of correcting it.
    virtual void DescribeDryRun(const DryRunLine&) {}
};

}  // namespace fovella
