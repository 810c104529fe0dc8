#include "ui/FileFilter.h"

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
