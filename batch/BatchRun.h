// The batch run: every image file of a list (or of the current image's
// folder) corrected with one set of options, without Qt. It talks to its
// front end only through BatchFrontEnd, from the thread that calls it.
#pragma once

#include "batch/BatchFrontEnd.h"
#include "batch/BatchOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fovella {

// Seconds spent, summed over the files.
struct BatchTimes {
    double load = 0, remap = 0, save = 0;
};

enum class BatchOutcome {
    NotStarted,  // refused or declined before the first file
    Completed,   // every file was handled; RunCompleted was reported
    Cancelled,   // stopped by the user; no RunCompleted
};

struct BatchResult {
    BatchOutcome outcome = BatchOutcome::NotStarted;
    BatchCounts counts;
    BatchTimes times;
};

class BatchRun {
public:
    explicit BatchRun(BatchFrontEnd& frontEnd) : m_frontEnd(frontEnd) {}

    // The window's "Undistort Dir": checks the current image's scale, asks
    // for the options, and runs over every file directly in its folder, a
    // job on every core.
    BatchResult RunFolder(const BatchSource& source);

    // Runs over `files` in their order, with `options.jobs` jobs (the files
    // written are the same for any number). `manualFocal` is the typed focal
    // length, `fineTune` the window's factor (used when the options say so),
    // and `label` what the run is over (a folder, or the inputs).
    BatchResult RunFiles(const std::vector<std::string>& files, const BatchOptions& options,
                         float manualFocal, double fineTune, const std::string& label);

private:
    BatchFrontEnd& m_frontEnd;
};

// How a run over `imageFiles` image files shares the machine's cores: a
// single picture, or a single job, takes every core for its remap;
// otherwise `jobs` files at once (0: one per core), each remapped on one.
void ShareCores(BatchOptions& options, int imageFiles, int jobs = 0);
// Half of the machine's memory: what a run's pictures may take together
// unless the options say otherwise.
std::uint64_t DefaultMemoryLimit();
// Where a source's result goes under `options` (empty folder in save mode
// 0: "undistorted" beside the source).
std::string BatchOutputPath(const std::string& source, const BatchOptions& options);
// The typed focal length: the number the whole text writes, with a decimal
// point or comma ("5,8" is 5.8); else the leading number as the C library's
// atof reads it ("12abc" is 12, "abc" 0).
float ReadFocalText(const std::string& text);

}  // namespace fovella
