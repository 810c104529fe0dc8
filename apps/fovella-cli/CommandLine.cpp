#include "apps/fovella-cli/CommandLine.h"

#include "batch/DecimalNumber.h"

#include <cmath>
#include <initializer_list>
#include <optional>
#include <utility>

namespace fovella::cli {

namespace {

// A whole number from `low` to `high`.
bool IsWhole(double number, int low, int high)
{
    return number >= low && number <= high && number == std::floor(number);
}

// A size in bytes: a number followed by K, M or G (powers of 1024), or by
// nothing, meaning M. Nothing when the text before the unit is not a number.
std::optional<double> ParseSize(const std::string& text)
{
    double scale = double(1 << 20);
    std::string number = text;
    switch (text.empty() ? '\0' : text.back()) {
    case 'K': case 'k': scale = 1024; number.pop_back(); break;
    case 'M': case 'm': number.pop_back(); break;
    case 'G': case 'g': scale = double(1u << 30); number.pop_back(); break;
    default: break;
    }
    const std::optional<double> value = ParseDecimal(number);
    if (!value)
        return std::nullopt;
    return *value * scale;
}

// The text must name one of the choices.
template <class T>
bool ParseChoice(const std::string& text, std::initializer_list<std::pair<const char*, T>> choices, T& value)
{
    for (const auto& [name, choice] : choices)
        if (text == name) {
            value = choice;
            return true;
        }
    return false;
}

}  // namespace

std::string UsageText()
{
    return "Usage: fovella-cli [OPTIONS] INPUT...\n"
           "       fovella-cli [OPTIONS] FILE -o OUTPUT\n"
           "       fovella-cli --info FILE...\n"
           "Removes barrel distortion from photographs. Each INPUT is an image file\n"
           "(JPEG, BMP, PNG, TIFF, PCX, TGA) or a folder, meaning the JPEG, BMP and PNG\n"
           "files directly inside it. Results go to a folder \"undistorted\" beside each\n"
           "source unless --out-dir or --suffix says otherwise; JPEG results keep the\n"
           "source's EXIF block, JPEG and PNG results its colour profile and XMP, and\n"
           "say that they are corrected (a later run refuses them without --force).\n"
           "TIFF, PCX and TGA sources give PNG results.\n"
           "\n"
           "  -f, --focal MM           focal length the photographs were taken with, in mm\n"
           "                           (numbers take a decimal point or comma: 5.8, 5,8)\n"
           "      --focal-source SRC   exif (files without an EXIF focal length are\n"
           "                           skipped), manual (-f), or auto (default: EXIF when\n"
           "                           the file has it, else -f), or lines (the scale\n"
           "                           found from each picture's straight lines; files\n"
           "                           with none, or none bent, are not written)\n"
           "      --fine-tune F        factor on the correction's scale (default 1;\n"
           "                           0.2 to 5 on the window's slider)\n"
           "  -q, --quality N          JPEG quality, 0 to 100 (default 95)\n"
           "  --memory-limit SIZE      what the pictures in work may take together, such as\n"
           "                           800M or 6G (default: half of the machine's memory);\n"
           "                           a picture larger than it fails alone\n"
           "      --out-dir DIR        put the results into DIR, under their own names\n"
           "      --suffix S           put the results beside the sources, S added to\n"
           "                           their names (\"\" replaces the sources)\n"
           "  -o FILE                  the result of a single input file (replaced when\n"
           "                           it exists, unless --overwrite says otherwise)\n"
           "      --overwrite ANSWER   when a result exists: ask (default; skip when not\n"
           "                           on a terminal), all, skip or cancel\n"
           "  -j, --jobs N             files prepared at the same time (default: one per\n"
           "                           core); the results do not depend on it\n"
           "      --dry-run            print what would be done, write nothing\n"
           "      --force              correct again files that a run of Fovella wrote\n"
           "                           (they are refused without it)\n"
           "      --info               print size, format and EXIF focal length of each\n"
           "                           FILE; write nothing\n"
           "  -h, --help               this text\n"
           "      --files-from LIST    also correct the files named in LIST, one per line\n"
           "                           ('-': standard input); the results do not depend on\n"
           "                           how a long list is split between runs or machines\n"
           "  -0, --null               names in LIST end with a NUL byte, not a line break\n"
           "      --quiet              print errors only: no progress line, no summary\n"
           "      --version            the program's version and the libraries it was built with\n"
           "\n"
           "Exit status: 0 when every image file was saved (or, with --overwrite skip,\n"
           "its result was there already), 1 when some were not,\n"
           "2 for wrong usage, 130 when cancelled (Ctrl-C).\n";
}

bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options,
                      std::string& error)
{
    bool overwriteGiven = false;
    bool optionsEnded = false;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        std::string argument = arguments[k];
        // After "--" every argument is an input, even one that starts with "-".
        if (optionsEnded || argument == "--") {
            if (optionsEnded)
                options.inputs.push_back(argument);
            optionsEnded = true;
            continue;
        }
        // A value may be attached: "-j2", "--jobs=2".
        std::string attached;
        bool hasAttached = false;
        if (argument.size() > 2 && argument[0] == '-' && argument[1] != '-' &&
            std::string("fqoj").find(argument[1]) != std::string::npos) {
            attached = argument.substr(2);
            argument.resize(2);
            hasAttached = true;
        } else if (argument.rfind("--", 0) == 0 && argument.find('=') != std::string::npos) {
            attached = argument.substr(argument.find('=') + 1);
            argument.resize(argument.find('='));
            hasAttached = true;
        }
        std::string text;
        auto value = [&]() {
            if (hasAttached) {
                text = attached;
                return true;
            }
            if (k + 1 >= arguments.size()) {
                error = "option " + argument + " needs a value";
                return false;
            }
            text = arguments[++k];
            return true;
        };
        // The value of a number option; text that is not a number is
        // refused, naming the option as it was typed.
        double number = 0;
        auto numberValue = [&]() {
            if (!value())
                return false;
            const std::optional<double> parsed = ParseDecimal(text);
            if (!parsed) {
                error = "option " + argument + ": '" + text + "' is " + kNotANumber;
                return false;
            }
            number = *parsed;
            return true;
        };
        if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--info") {
            options.info = true;
        } else if (argument == "-f" || argument == "--focal") {
            if (!numberValue())
                return false;
            if (!std::isfinite(float(number)) || float(number) <= 0) {
                error = "option " + argument + ": focal length '" + text + "' is not a positive number of millimetres";
                return false;
            }
            options.focalMm = float(number);
            options.focalGiven = true;
        } else if (argument == "--focal-source") {
            if (!value())
                return false;
            if (!ParseChoice(text, {std::pair{"auto", FocalSource::Auto}, {"exif", FocalSource::Exif},
                                    {"manual", FocalSource::Manual}, {"lines", FocalSource::Lines}},
                             options.focalSource)) {
                error = "focal source '" + text + "' is not one of exif, manual, auto, lines";
                return false;
            }
        } else if (argument == "--fine-tune") {
            if (!numberValue())
                return false;
            if (!(number > 0)) {
                error = "option " + argument + ": fine-tune factor '" + text + "' is not a positive number";
                return false;
            }
            options.fineTune = number;
        } else if (argument == "-q" || argument == "--quality") {
            if (!numberValue())
                return false;
            if (!IsWhole(number, 0, 100)) {
                error = "option " + argument + ": quality '" + text + "' is not a whole number from 0 to 100";
                return false;
            }
            options.quality = int(number);
        } else if (argument == "-o" || argument == "--output") {
            if (!value())
                return false;
            options.output = text;
        } else if (argument == "--out-dir") {
            if (!value())
                return false;
            options.outDir = text;
        } else if (argument == "--suffix") {
            if (!value())
                return false;
            options.suffix = text;
            options.suffixGiven = true;
        } else if (argument == "--overwrite") {
            if (!value())
                return false;
            if (!ParseChoice(text, {std::pair{"ask", OverwriteChoice::Ask}, {"all", OverwriteChoice::All},
                                    {"skip", OverwriteChoice::Skip}, {"cancel", OverwriteChoice::Cancel}},
                             options.overwrite)) {
                error = "overwrite answer '" + text + "' is not one of ask, all, skip, cancel";
                return false;
            }
            overwriteGiven = true;
        } else if (argument == "-j" || argument == "--jobs") {
            if (!numberValue())
                return false;
            if (!IsWhole(number, 1, 256)) {
                error = "option " + argument + ": number of jobs '" + text + "' is not a whole number from 1 to 256";
                return false;
            }
            options.jobs = int(number);
        } else if (argument == "--memory-limit") {
            if (!value())
                return false;
            const std::optional<double> bytes = ParseSize(text);
            if (!bytes) {
                error = "option " + argument + ": '" + text + "' is " + kNotANumber + " (a size such as 800M or 6G)";
                return false;
            }
            if (!(*bytes >= 1) || *bytes >= 1e19) {
                error = "option " + argument + ": memory limit '" + text + "' is not a size such as 800M or 6G";
                return false;
            }
            options.memoryLimit = std::uint64_t(*bytes);
        } else if (argument == "--files-from") {
            if (!value())
                return false;
            options.filesFrom = text;
        } else if (argument == "-0" || argument == "--null") {
            options.nulSeparated = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument == "--force") {
            options.force = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "unknown option " + argument;
            return false;
        } else {
            options.inputs.push_back(argument);
        }
    }
    if (options.help || options.version)
        return true;
    if (options.inputs.empty() && options.filesFrom.empty()) {
        error = options.info ? "no file to describe" : "no input file";
        return false;
    }
    if (options.info)
        return true;
    const int placements = !options.output.empty() + !options.outDir.empty() + options.suffixGiven;
    if (placements > 1) {
        error = "-o, --out-dir and --suffix exclude each other";
        return false;
    }
    if (!options.output.empty() && options.inputs.size() > 1) {
        error = "-o names the result of a single input file";
        return false;
    }
    // Naming the output is asking for it to be written.
    if (!options.output.empty() && !overwriteGiven)
        options.overwrite = OverwriteChoice::All;
    if (options.focalSource == FocalSource::Manual && !options.focalGiven) {
        error = "no focal length (-f MM) for --focal-source manual";
        return false;
    }
    return true;
}

}  // namespace fovella::cli
