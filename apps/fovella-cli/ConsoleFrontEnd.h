// The batch run's front end on a terminal: a line on standard error for
// every file not saved (the summary on standard output), the overwrite
// question answered by the --overwrite choice or at the terminal, a progress
// line when standard error is a terminal, and Ctrl-C as Cancel.
#pragma once

#include "apps/fovella-cli/CommandLine.h"
#include "batch/BatchFrontEnd.h"

#include <iosfwd>

namespace fovella::cli {

// `text` with control characters, and bytes that are not UTF-8, shown as
// \xNN (ReadableName): a file name can neither drive the terminal nor turn
// into characters it does not hold.
std::string Printable(const std::string& text);

class ConsoleFrontEnd : public BatchFrontEnd {
public:
    // `images`: how many image files the run will meet, for "file n of N";
    // `folderListed`: whether a folder stands among the inputs, which the
    // summary then counts the files of.
    ConsoleFrontEnd(OverwriteChoice overwrite, int images, bool folderListed, std::istream& in,
                    std::ostream& out, std::ostream& errors, bool interactive, bool showProgress);

    bool ChooseOptions(BatchOptions&) override { return true; }
    OverwriteAnswer AskOverwrite(const std::string& output) override;
    void RunRefused(RunRefusal why) override;
    void RunStarted(const std::string&) override {}
    void RunEnded() override;
    void RunCompleted(const BatchCounts& counts) override;
    void FileFailed(const FileFailure& failure) override;
    void FileSkipped(const FileSkip& skip) override;
    void FileStarted(const std::string& path) override;
    void FocalChosen(float, bool) override {}
    void Progress(int filePercent, int runPercent) override;
    bool PollCancelled() override;
    void ResultSaved(const std::string&, const std::string&) override {}
    void DescribeDryRun(const DryRunLine& line) override;

    int Described() const { return m_described; }
    // Results left as they were because --overwrite skip said so.
    int Kept() const { return m_kept; }

    // Makes Ctrl-C, SIGTERM and SIGHUP set the flag that PollCancelled
    // reads, instead of ending the program in the middle of a save; a second
    // one ends it at once.
    static void CatchInterrupt();

private:
    void ClearProgressLine();
    // One line on the error stream: `text` and, when given, the reason.
    void Error(const std::string& text, const std::string& reason = {});
    // Skips the result, `why` being said once the run reports the skip.
    OverwriteAnswer Skip(const char* why);

    OverwriteChoice m_overwrite;
    int m_images;
    bool m_folderListed;
    const char* m_skipWhy = "";
    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_errors;
    bool m_interactive;
    bool m_showProgress;
    bool m_progressShown = false;
    int m_started = 0;
    int m_described = 0;
    int m_kept = 0;
    std::string m_current;      // the file being corrected, as the progress line shows it
    std::string m_currentPath;  // and as the run names it
};

}  // namespace fovella::cli
