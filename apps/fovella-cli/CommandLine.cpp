#include "apps/fovella-cli/CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace fovella::cli {

namespace {

// The whole text must be a finite number greater than 0.
bool ParsePositive(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(value) && value > 0;
}

}  // namespace

std::string UsageText()
{
    return "Usage: fovella-cli -f MM [--fine-tune F] INPUT -o OUTPUT\n"
           "Removes barrel distortion from the photograph INPUT and writes OUTPUT.\n"
           "\n"
           "  -f, --focal MM     focal length the photograph was taken with, in mm\n"
           "      --fine-tune F  factor on the correction's scale (default 1;\n"
           "                     0.2 to 5 on the window's slider)\n"
           "  -o FILE            the corrected file (BMP)\n"
           "  -h, --help         this text\n"
           "      --version      the program's version\n";
}

bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error)
{
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        auto value = [&](std::string& out) {
            if (k + 1 >= arguments.size()) {
                error = "option " + argument + " needs a value";
                return false;
            }
            out = arguments[++k];
            return true;
        };
        std::string text;
        if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "-f" || argument == "--focal") {
            double focal = 0;
            if (!value(text))
                return false;
            if (!ParsePositive(text, focal) || !std::isfinite(float(focal)) || float(focal) <= 0) {
                error = "focal length '" + text + "' is not a positive number of millimetres";
                return false;
            }
            options.focalMm = float(focal);
            options.focalGiven = true;
        } else if (argument == "--fine-tune") {
            if (!value(text))
                return false;
            if (!ParsePositive(text, options.fineTune)) {
                error = "fine-tune factor '" + text + "' is not a positive number";
                return false;
            }
        } else if (argument == "-o" || argument == "--output") {
            if (!value(options.output))
                return false;
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "unknown option " + argument;
            return false;
        } else if (options.input.empty()) {
            options.input = argument;
        } else {
            error = "more than one input file: '" + options.input + "' and '" + argument + "'";
            return false;
        }
    }
    if (options.help || options.version)
        return true;
    if (options.input.empty()) {
        error = "no input file";
        return false;
    }
    if (options.output.empty()) {
        error = "no output file (-o FILE)";
        return false;
    }
    if (!options.focalGiven) {
        error = "no focal length (-f MM)";
        return false;
    }
    return true;
}

}  // namespace fovella::cli
