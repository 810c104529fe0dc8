// The files of a folder, and optionally of its sub-folders to a depth.
//
// Entries come in name order, compared without regard to case (the order in
// which Windows lists a folder), so that browsing and batch order are the
// same everywhere. Hidden entries are listed like any other. The working
// directory is never changed. A scanner serves one listing: Scan appends.
#pragma once

#include "fs/PathString.h"

#include <string>
#include <vector>

namespace fovella {

class DirectoryScanner {
public:
    virtual ~DirectoryScanner() = default;

    // Lists the files matching `mask` ("*" and "?", case ignored) in
    // `folder` (the working directory when empty) and, depth-first, in its
    // sub-folders while `depth` allows: 0 lists nothing, 1 the folder's own
    // files (its direct sub-folders still go to Subfolders()). A sub-folder
    // that cannot be read adds nothing; false, with the reason in Error(),
    // when `folder` itself cannot be listed.
    bool Scan(const std::string& mask, const std::string& folder, int depth);
    const std::string& Error() const { return m_error; }

    const std::vector<PathString>& Files() const { return m_files; }
    const std::vector<PathString>& Subfolders() const { return m_subfolders; }

private:
    // False when `folder` cannot be listed.
    bool ScanFolder(const std::string& folder, int depth);

    PathString m_root;
    std::string m_mask;
    std::vector<PathString> m_files;
    std::vector<PathString> m_subfolders;
    std::string m_error;
};

// True when `name` matches `mask`: "*" any run, "?" any one character,
// letters compared without regard to case.
bool MatchesMask(const std::string& name, const std::string& mask);

}  // namespace fovella
