#include "apps/fovella-cli/CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace fovella::cli {

namespace {

// The whole text must be a finite number.
bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(value);
}

}  // namespace

std::string UsageText()
{
    return "Usage: fovella-cli [OPTIONS] INPUT -o OUTPUT\n"
           "       fovella-cli --info FILE...\n"
           "Removes barrel distortion from the photograph INPUT and writes OUTPUT.\n"
           "Reads JPEG, BMP, PNG, TIFF, PCX and TGA; writes JPEG, BMP and PNG, chosen\n"
           "by the extension. JPEG output keeps the source's EXIF block.\n"
           "\n"
           "  -f, --focal MM           focal length the photograph was taken with, in mm\n"
           "      --focal-source SRC   exif, manual or auto (default: the file's EXIF\n"
           "                           focal length when it has one, else -f)\n"
           "      --fine-tune F        factor on the correction's scale (default 1;\n"
           "                           0.2 to 5 on the window's slider)\n"
           "  -q, --quality N          JPEG quality, 0 to 100 (default 95)\n"
           "  -o FILE                  the corrected file\n"
           "      --info               print size, format and EXIF focal length of each\n"
           "                           FILE; writes nothing\n"
           "  -h, --help               this text\n"
           "      --version            the program's version\n";
}

bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error)
{
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        std::string text;
        auto value = [&]() {
            if (k + 1 >= arguments.size()) {
                error = "option " + argument + " needs a value";
                return false;
            }
            text = arguments[++k];
            return true;
        };
        double number = 0;
        if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--info") {
            options.info = true;
        } else if (argument == "-f" || argument == "--focal") {
            if (!value())
                return false;
            if (!ParseNumber(text, number) || !std::isfinite(float(number)) || float(number) <= 0) {
                error = "focal length '" + text + "' is not a positive number of millimetres";
                return false;
            }
            options.focalMm = float(number);
            options.focalGiven = true;
        } else if (argument == "--focal-source") {
            if (!value())
                return false;
            if (text == "auto")
                options.focalSource = FocalSource::Auto;
            else if (text == "exif")
                options.focalSource = FocalSource::Exif;
            else if (text == "manual")
                options.focalSource = FocalSource::Manual;
            else {
                error = "focal source '" + text + "' is not one of exif, manual, auto";
                return false;
            }
        } else if (argument == "--fine-tune") {
            if (!value())
                return false;
            if (!ParseNumber(text, options.fineTune) || options.fineTune <= 0) {
                error = "fine-tune factor '" + text + "' is not a positive number";
                return false;
            }
        } else if (argument == "-q" || argument == "--quality") {
            if (!value())
                return false;
            if (!ParseNumber(text, number) || number < 0 || number > 100 || number != std::floor(number)) {
                error = "quality '" + text + "' is not a whole number from 0 to 100";
                return false;
            }
            options.quality = int(number);
        } else if (argument == "-o" || argument == "--output") {
            if (!value())
                return false;
            options.output = text;
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "unknown option " + argument;
            return false;
        } else {
            options.inputs.push_back(argument);
        }
    }
    if (options.help || options.version)
        return true;
    if (options.inputs.empty()) {
        error = options.info ? "no file to describe" : "no input file";
        return false;
    }
    if (options.info)
        return true;
    if (options.inputs.size() > 1) {
        error = "more than one input file: '" + options.inputs[0] + "' and '" + options.inputs[1] + "'";
        return false;
    }
    if (options.output.empty()) {
        error = "no output file (-o FILE)";
        return false;
    }
    if (options.focalSource == FocalSource::Manual && !options.focalGiven) {
        error = "no focal length (-f MM) for --focal-source manual";
        return false;
    }
    return true;
}

}  // namespace fovella::cli
