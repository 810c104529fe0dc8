// What a batch run reports of itself, as facts for its front end to word:
// the window shows its message boxes, the terminal prints its lines, the
// tests record them. Every file of the list that is not saved is one
// FileFailure or one FileSkip, naming the file and why.
#pragma once

#include <string>

namespace fovella {

// Where a file's way to its result ended.
enum class FileStage {
    Open,       // the reader refused it, or its picture is larger than the memory limit
    Scale,      // its focal length and the fine tune give no positive scale
    Undistort,  // the remap refused the picture (a scale too large, no memory)
    Save,       // its result could not be written or put in place, or another
                // result of the run has its name
};

struct FileFailure {
    FileStage stage;
    std::string path;    // the source
    std::string output;  // its result's path (Save only)
    std::string reason;  // the lower layer's account, naming the file and the
                         // fault, for a log or a terminal; empty for Scale
};

// Why a file was left alone on purpose.
enum class SkipReason {
    NoExifFocal,       // the options take the focal length from EXIF only, and it has none
    ResultExists,      // its result exists, and the overwrite answer was to skip it
    AlreadyCorrected,  // it carries the mark of an earlier correction (a result)
    NoStraightLines,     // the scale was to come from its lines, and it has too few
    NoBarrelDistortion,  // the scale was to come from its lines, and they are straight already
};

struct FileSkip {
    SkipReason why;
    std::string path;    // the source
    std::string output;  // its result's path (ResultExists only)
    double markedScale = 0;  // the scale of the earlier correction (AlreadyCorrected only)
};

// Why a run did not start.
enum class RunRefusal {
    FocalNotPositive,  // the window's image gives no positive scale
    OutputFolder,      // the results' folder does not exist and cannot be made
};

// The run's counts, for its summary.
struct BatchCounts {
    int totalFiles = 0;  // listed files, images or not
    int imageFiles = 0;  // listed files taken as images
    int savedFiles = 0;  // result files written
};

// One line of a dry run: what would be done with a file.
struct DryRunLine {
    std::string source, output;
    float focalMm = 0;
    bool focalFromExif = false;
    bool focalFromLines = false;  // the scale found from the picture's lines
    double scale = 0;
};

}  // namespace fovella
