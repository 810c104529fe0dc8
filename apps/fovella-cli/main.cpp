#include "apps/Version.h"
#include "apps/fovella-cli/CommandLine.h"
#include "apps/fovella-cli/CorrectFile.h"

#include <iostream>

int main(int argc, char** argv)
{
    using namespace fovella::cli;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    Options options;
    std::string error;
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
        std::cout << "fovella-cli " FOVELLA_VERSION "\n";
        return 0;
    }
    if (options.info)
        return DescribeFiles(options, std::cout, std::cerr);
    return CorrectFile(options, std::cerr);
}
