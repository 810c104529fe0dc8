// The file choosers' filter text, "description|patterns|...||", as pairs.
#pragma once

#include <string>
#include <vector>

namespace fovella {

struct FileFilter {
    std::string description;            // shown to the user as written
    std::vector<std::string> patterns;  // "*.jpg", "*.jpeg"
};

// Splits the filter text at "|" into pairs and the patterns at ";" (spaces
// around them dropped). Parsing stops at the empty field that ends the list;
// a description without patterns is dropped.
std::vector<FileFilter> ParseFileFilter(const std::string& text);

}  // namespace fovella

namespace fovella {

// The Open chooser's filter: each image file format as "<name> Files
// (<patterns>)", then all of them together as "Image Files (...)".
std::string OpenFileFilter();
// The Save chooser's filter: each image file format as "<name> (<patterns>)".
std::string SaveFileFilter();

}  // namespace fovella
