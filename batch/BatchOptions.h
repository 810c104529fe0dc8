// The choices of one batch run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace fovella {

enum class SaveMode : int {
    OtherFolder = 0,  // "Put processed files to another folder:"
    Suffix = 1,       // "Append file names with a suffix:"
};

enum class FocalUsage : int {
    ExifOnly = 0,     // "Use EXIF value only"
    ManualOnly = 1,   // "Use manually set value only"
    ExifOrManual = 2, // "Use EXIF value if possible, manual otherwise"
    Lines = 3,        // each file's scale found from its own straight lines
};

struct BatchOptions {
    SaveMode saveMode = SaveMode::OtherFolder;
    // Save mode 0. Empty: a folder "undistorted" beside each source.
    std::string folder;
    std::string suffix = "_u";
    int quality = 95;
    FocalUsage focalUsage = FocalUsage::ExifOnly;
    // Unchecked: the neutral factor 1; checked: the window's factor.
    bool useFineTune = false;

    // For the command line only. A single file's output path, instead of
    // the save mode's naming.
    std::string output;
    // Which listed files are image files; empty: IsImageFile (jpg, jpeg,
    // bmp, png). The command line also takes files it was named explicitly
    // in any format that can be read.
    std::function<bool(const std::string&)> isImage;
    // Files prepared at once; the results are the same for any number.
    int jobs = 1;
    // Threads that share one picture's remap when jobs is 1; with several
    // jobs each file has one, so that the cores are not oversubscribed.
    int remapThreads = 1;
    // Bytes the pictures of the files in work may take together (source
    // and result, counted from the headers); 0: DefaultMemoryLimit(). A
    // picture larger than it fails alone.
    std::uint64_t memoryLimit = 0;
    // Describe each file instead of correcting and saving it.
    bool dryRun = false;
    // Correct again files that carry the mark of an earlier correction.
    bool force = false;
};

// What the window holds when it starts a run over its image's folder.
struct BatchSource {
    std::string currentPath;  // the current image; its folder is the one run
    int width = 0, height = 0;
    bool useExif = false;     // "Use EXIF value"
    float exifFocal = 0;      // the current image's EXIF focal length, mm
    float manualFocal = 0;    // the focal length the user typed, mm
    double fineTune = 1;      // the window's fine-tune factor
};

}  // namespace fovella
