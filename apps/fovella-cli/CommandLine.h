// The command line of fovella-cli, parsed without side effects.
#pragma once

#include <string>
#include <vector>

namespace fovella::cli {

struct Options {
    bool help = false;
    bool version = false;
    float focalMm = 0;       // -f/--focal, rounded to single precision
    bool focalGiven = false;
    double fineTune = 1;     // --fine-tune
    std::string input;
    std::string output;      // -o
};

// Fills `options` from the arguments after the program name. False, with a
// one-line reason, for an unknown option, a missing value, a number that is
// not a finite positive number, or a missing input or output.
bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error);

// The text printed by --help.
std::string UsageText();

}  // namespace fovella::cli
