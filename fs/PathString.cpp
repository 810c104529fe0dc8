#include "fs/PathString.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fovella {

namespace {

std::string::size_type LastSeparator(const std::string& path, const PathRules& rules)
{
    return path.rfind(rules.separator);
}

}  // namespace

std::string CleanPath(std::string text, const PathRules& rules)
{
    if (rules.windows)
        std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

std::string GetDirectory(const std::string& path, const PathRules& rules)
{
    const auto p = LastSeparator(path, rules);
    if (p == std::string::npos)
        return std::string();
    const bool keepSeparator = p == 0 || (rules.windows && path[p - 1] == ':');
    return path.substr(0, keepSeparator ? p + 1 : p);
}

std::string GetFileName(const std::string& path, const PathRules& rules)
{
    const auto p = LastSeparator(path, rules);
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string GetFileStem(const std::string& path, const PathRules& rules)
{
    const std::string name = GetFileName(path, rules);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string GetExtension(const std::string& path, const PathRules& rules)
{
    const std::string name = GetFileName(path, rules);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name,
                     const std::string& extension, const PathRules& rules)
{
    std::string result = folder;
    if (!folder.empty() && folder.back() != rules.separator)
        result += rules.separator;
    result += name;
    if (!extension.empty()) {
        if (extension.front() != '.')
            result += '.';
        result += extension;
    }
    return CleanPath(std::move(result), rules);
}

PathString JoinPath(const std::string& folder, const std::string& name,
                    const std::string& extension)
{
    return PathString(JoinPath(folder, name, extension, kNativePaths));
}

bool IsFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool GetCurrentDir(PathString& out)
{
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error)
        return false;
    out = current.string();
    return true;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(a[k])) != std::tolower(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

}  // namespace fovella
