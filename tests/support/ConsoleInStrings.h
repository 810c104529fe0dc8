// fovella-cli's console with its input and both outputs in strings.
#pragma once

#include "apps/fovella-cli/Commands.h"

#include <sstream>

namespace fovella::test {

struct ConsoleInStrings {
    std::istringstream in;
    std::ostringstream out, errors;

    // The correction of `options`' files, as at a terminal when `interactive`.
    int Correct(const cli::Options& options, bool interactive = false)
    {
        cli::Console console{in, out, errors, interactive, false};
        return cli::CorrectFiles(options, console);
    }

    int Describe(const cli::Options& options)
    {
        cli::Console console{in, out, errors, false, false};
        return cli::DescribeFiles(options, console);
    }
};

}  // namespace fovella::test
