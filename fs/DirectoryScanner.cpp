#include "fs/DirectoryScanner.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fovella {

namespace {

unsigned char Fold(char c) { return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c))); }

bool FoldedLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
}

// Case ignored first (bytes as unsigned, so UTF-8 names follow ASCII ones);
// names equal but for case keep a fixed order.
bool NameOrder(const std::string& a, const std::string& b)
{
    if (FoldedLess(a, b))
        return true;
    if (FoldedLess(b, a))
        return false;
    return a < b;
}

}  // namespace

bool DirectoryScanner::Scan(const std::string& folder)
{
    PathString root = folder;
    if (folder.empty() && !GetCurrentDir(root)) {
        m_error = "the working directory cannot be read";
        return false;
    }
    std::vector<std::string> files;
    std::error_code error;
    std::filesystem::directory_iterator it(root.str(), error);
    if (error) {
        m_error = error.message();
        return false;
    }
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        // An entry whose kind cannot be told is taken for a folder.
        if (!it->is_directory(statusError) && !statusError)
            files.push_back(it->path().filename().string());
    }
    std::sort(files.begin(), files.end(), NameOrder);
    for (const std::string& name : files)
        m_files.push_back(JoinPath(root, name, ""));
    return true;
}

}  // namespace fovella
