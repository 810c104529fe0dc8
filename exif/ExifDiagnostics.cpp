#include "exif/ExifDiagnostics.h"

namespace fovella {

std::string NamedDiagnostics(const std::string& path, const std::string& diagnostics)
{
    std::string named;
    for (std::size_t start = 0; start < diagnostics.size();) {
        std::size_t end = diagnostics.find('\n', start);
        end = end == std::string::npos ? diagnostics.size() : end + 1;
        named += "'" + path + "': " + diagnostics.substr(start, end - start);
        start = end;
    }
    if (!named.empty() && named.back() != '\n')
        named += '\n';
    return named;
}

}  // namespace fovella
