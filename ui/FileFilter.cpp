#include "ui/FileFilter.h"

#include "codecs/ImageFormats.h"

namespace fovella {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        fields.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(const std::string& text)
{
    const std::vector<std::string> fields = Split(text, '|');
    std::vector<FileFilter> filters;
    for (std::size_t i = 0; i + 1 < fields.size() && !fields[i].empty(); i += 2) {
        FileFilter filter{fields[i], {}};
        for (const std::string& pattern : Split(fields[i + 1], ';'))
            if (const std::string p = Trimmed(pattern); !p.empty())
                filter.patterns.push_back(p);
        if (!filter.patterns.empty())
            filters.push_back(std::move(filter));
    }
    return filters;
}

}  // namespace fovella

namespace fovella {

namespace {

// "*.jpg; *.jpeg" for the image file formats (all of them when `only` is
// Unknown, else the one).
std::string Patterns(ImageFileFormat only)
{
    std::string patterns;
    for (const ImageFormatInfo& info : ImageFormats()) {
        if (!info.imageFile || (only != Unknown && info.format != only))
            continue;
        for (const char* extension : info.extensions)
            patterns += (patterns.empty() ? "*." : "; *.") + std::string(extension);
    }
    return patterns;
}

std::string FileFilterText(const char* nameSuffix, const char* allDescription)
{
    std::string filter;
    for (const ImageFormatInfo& info : ImageFormats()) {
        if (!info.imageFile)
            continue;
        const std::string patterns = Patterns(info.format);
        filter += info.name + std::string(nameSuffix) + " (" + patterns + ")|" + patterns + "|";
    }
    if (allDescription) {
        const std::string patterns = Patterns(Unknown);
        filter += allDescription + std::string(" (") + patterns + ")|" + patterns + "|";
    }
    return filter + "|";
}

}  // namespace

std::string OpenFileFilter() { return FileFilterText(" Files", "Image Files"); }

std::string SaveFileFilter() { return FileFilterText("", nullptr); }

}  // namespace fovella
