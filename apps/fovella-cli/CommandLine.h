// The command line of fovella-cli, parsed without side effects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fovella::cli {

// Where the focal length comes from.
enum class FocalSource {
    Auto,    // the file's EXIF value when it has one, else -f
    Exif,    // the file's EXIF value only; files without one are skipped
    Manual,  // -f only
    Lines,   // each file's own straight lines
};

// The answer to "the output file exists".
enum class OverwriteChoice { Ask, All, Skip, Cancel };

struct Options {
    bool help = false;
    bool version = false;
    bool info = false;       // --info: describe the inputs, write nothing
    bool dryRun = false;     // --dry-run: say what would be done, write nothing
    bool force = false;      // --force: correct again files that Fovella wrote
    bool quiet = false;      // --quiet: errors only
    std::string filesFrom;   // --files-from LIST: more input files, one per line; "-": standard input
    bool nulSeparated = false;  // -0: the list's names end with NUL, not a line break
    float focalMm = 0;       // -f/--focal, rounded to single precision
    bool focalGiven = false;
    FocalSource focalSource = FocalSource::Auto;
    double fineTune = 1;     // --fine-tune
    int quality = 95;        // -q/--quality, for JPEG output
    std::vector<std::string> inputs;  // files and folders
    std::string output;      // -o, for a single input file
    std::string outDir;      // --out-dir; empty: "undistorted" beside each source
    bool suffixGiven = false;
    std::string suffix;      // --suffix: results beside the sources
    // Ask by default; a file named with -o is replaced unless --overwrite
    // says otherwise.
    OverwriteChoice overwrite = OverwriteChoice::Ask;
    int jobs = 0;            // -j/--jobs; 0: one per core
    std::uint64_t memoryLimit = 0;  // --memory-limit, bytes; 0: half of the machine's memory
};

// Fills `options` from the arguments after the program name. Number values
// take a decimal point or a decimal comma. False, with a one-line reason,
// for an unknown option, a missing value, a value that is not a number
// (naming the option), a number out of range, options that exclude each
// other, or no input.
bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error);

// The text printed by --help.
std::string UsageText();

}  // namespace fovella::cli
