// The EXIF reader's diagnostics as a run over many files prints them.
#pragma once

#include <string>

namespace fovella {

// `diagnostics` (lines that end in '\n', as ReadExif writes them) with each
// line led by the quoted name of the file whose block it is about:
// "'a.jpg': Nonfatal Error : ...".
std::string NamedDiagnostics(const std::string& path, const std::string& diagnostics);

}  // namespace fovella
