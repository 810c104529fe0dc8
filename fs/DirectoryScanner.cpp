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

bool MatchesMask(const std::string& name, const std::string& mask)
{
    // Iterative wildcard match with one backtracking point.
    std::size_t n = 0, m = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (star != std::string::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool DirectoryScanner::Scan(const std::string& mask, const std::string& folder, int depth)
{
    m_mask = mask;
    if (folder.empty()) {
        PathString current;
        if (GetCurrentDir(current))
            m_root = current;
    } else {
        m_root = folder;
    }
    return ScanFolder(m_root, depth);
}

bool DirectoryScanner::ScanFolder(const std::string& folder, int depth)
{
    if (depth <= 0)
        return true;
    std::vector<std::string> files, folders;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        m_error = error.message();
        return false;
    }
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code statusError;
        // An entry whose kind cannot be told is taken for a folder.
        const bool isDirectory = it->is_directory(statusError) || statusError;
        if (isDirectory)
            folders.push_back(name);
        else if (MatchesMask(name, m_mask))
            files.push_back(name);
    }
    std::sort(files.begin(), files.end(), NameOrder);
    std::sort(folders.begin(), folders.end(), NameOrder);
    for (const std::string& name : files)
        m_files.push_back(JoinPath(folder, name, ""));
    for (const std::string& name : folders) {
        const PathString path = JoinPath(folder, name, "");
        m_subfolders.push_back(path);
        ScanFolder(path, depth - 1);
    }
    return true;
}

}  // namespace fovella
