// What fovella-cli does with its inputs.
#pragma once

#include "apps/fovella-cli/CommandLine.h"

#include <iosfwd>

namespace fovella::cli {

struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& errors;
    bool interactive;   // standard input is a terminal
    bool showProgress;  // standard error is a terminal
};

// Corrects every image of the inputs with the batch run. The exit status:
// 0 when every image file was saved (or, for --dry-run, described), 1 when
// some were not or the run could not start, 130 when cancelled.
int CorrectFiles(const Options& options, Console& console);

// Prints one line per input: size, format and EXIF focal length. 0 when
// every file could be read, else 1.
int DescribeFiles(const Options& options, Console& console);

}  // namespace fovella::cli
