#include "Version.h"
#include "apps/fovella-cli/CommandLine.h"
#include "apps/fovella-cli/Commands.h"
#include "apps/fovella-cli/ConsoleFrontEnd.h"
#include "codecs/LibraryVersions.h"

#include <iostream>
#include <sstream>
#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace fovella::cli;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    Options options;
    std::string error;
    if (arguments.empty()) {
        std::cerr << "usage: fovella-cli [OPTIONS] INPUT... ('fovella-cli --help' for more)\n";
        return 2;
    }
    if (!ParseCommandLine(arguments, options, error)) {
        std::cerr << "fovella-cli: " << error << "\n"
                  << "Try 'fovella-cli --help'.\n";
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    if (options.version) {
        std::cout << "fovella-cli " FOVELLA_VERSION "\nbuilt with " << fovella::CodecLibraries() << "\n";
        return 0;
    }
    // --quiet: errors only, no progress line, no summary.
    std::ostringstream discarded;
    Console console{std::cin, options.quiet ? discarded : std::cout, std::cerr, ::isatty(0) == 1,
                    ::isatty(2) == 1 && !options.quiet};
    if (options.info)
        return DescribeFiles(options, console);
    ConsoleFrontEnd::CatchInterrupt();
    return CorrectFiles(options, console);
}
