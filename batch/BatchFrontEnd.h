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

// One line of a dry run: what would be done with a file.
struct DryRunLine {
    std::string source, output;
    float focalMm = 0;
    bool focalFromExif = false;
    bool focalFromLines = false;  // the scale found from the picture's lines
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
    // The result file `output` exists already: what to do with it.
    virtual OverwriteAnswer AskOverwrite(const std::string& output) = 0;

    // The run over `folder` (what it names: a folder, or the inputs) begins,
    // before the first file; it ends after the summary or at a cancel.
    virtual void RunStarted(const std::string& folder) = 0;
    virtual void RunEnded() = 0;
    // An image file was loaded and is about to be corrected.
    virtual void FileStarted(const std::string& path) = 0;
    // The focal length it will be corrected with, in millimetres, and
    // whether it came from the file's EXIF block (else it was typed).
    virtual void FocalChosen(float focalMm, bool fromExif) = 0;
    // Whole per-cents of the current file and of the whole list, which
    // counts every listed file, images or not.
    virtual void Progress(int filePercent, int runPercent) = 0;
    // Handles what is pending (a Cancel press among it); true once cancelled.
    virtual bool PollCancelled() = 0;
    // The result of `source` was written to `output`.
    virtual void ResultSaved(const std::string& source, const std::string& output) = 0;

    // A dry run describes each file instead of correcting it.
    virtual void DescribeDryRun(const DryRunLine&) {}
};

}  // namespace fovella
