// What fovella-cli does with its inputs.
#pragma once

#include "apps/fovella-cli/CommandLine.h"

#include <ostream>

namespace fovella::cli {

// Corrects options.inputs[0] into options.output. The exit status: 0 when
// the output was written, 1 when the input could not be read, had no usable
// focal length, or the output could not be written (reason on `errors`).
int CorrectFile(const Options& options, std::ostream& errors);

// Prints one line per input: size, format and EXIF focal length. 0 when
// every file could be read, else 1.
int DescribeFiles(const Options& options, std::ostream& out, std::ostream& errors);

}  // namespace fovella::cli
