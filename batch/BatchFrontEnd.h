// What the batch run needs from whoever shows it: the window's dialogs, the
// command line, or a test. The run asks (the options, the overwrite
// question, whether the user cancelled) and reports what happened as the
// events of BatchEvents.h, which each front end words in its own way. Every
// call comes from the thread that started the run.
#pragma once

#include "batch/BatchEvents.h"
#include "batch/BatchOptions.h"

#include <string>

namespace fovella {

// The four answers of the overwrite question.
enum class OverwriteAnswer { Overwrite, OverwriteAll, Skip, Cancel };

class BatchFrontEnd {
public:
    virtual ~BatchFrontEnd() = default;

    // Shows the options, filled in; false when the user does not go on.
    virtual bool ChooseOptions(BatchOptions& options) = 0;
    // The result file `output` exists already: what to do with it.
    virtual OverwriteAnswer AskOverwrite(const std::string& output) = 0;
    // Handles what is pending (a Cancel press among it); true once cancelled.
    virtual bool PollCancelled() = 0;

    // The run did not start; nothing was written.
    virtual void RunRefused(RunRefusal why) = 0;
    // The run over `label` (what it names: a folder, or the inputs) begins,
    // before the first file; RunEnded follows it always, after the summary
    // or at a cancel.
    virtual void RunStarted(const std::string& label) = 0;
    virtual void RunEnded() = 0;
    // Every listed file was handled; not called when the run was cancelled.
    virtual void RunCompleted(const BatchCounts& counts) = 0;

    // An image file was loaded and is about to be corrected.
    virtual void FileStarted(const std::string& path) = 0;
    // The focal length it will be corrected with, in millimetres, and
    // whether it came from the file's EXIF block (else it was typed).
    virtual void FocalChosen(float focalMm, bool fromExif) = 0;
    // Whole per-cents of the current file and of the whole list, which
    // counts every listed file, images or not.
    virtual void Progress(int filePercent, int runPercent) = 0;
    // The result of `source` was written to `output`.
    virtual void ResultSaved(const std::string& source, const std::string& output) = 0;
    // An image file was not saved, and why.
    virtual void FileFailed(const FileFailure& failure) = 0;
    virtual void FileSkipped(const FileSkip&) {}

    // A dry run describes each file instead of correcting it.
    virtual void DescribeDryRun(const DryRunLine&) {}};

}  // namespace fovella
