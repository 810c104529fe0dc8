// Corrects one image file into another, as fovella-cli does.
#pragma once

#include "apps/fovella-cli/CommandLine.h"

#include <ostream>

namespace fovella::cli {

// Exit status of the program: 0 when the output was written, 1 when the
// input could not be read or the output not written (reason on `errors`).
int CorrectFile(const Options& options, std::ostream& errors);

}  // namespace fovella::cli
