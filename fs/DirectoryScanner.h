// The files directly inside a folder: what a folder run takes and what the
// window steps through with previous and next.
//
// Entries come in name order, compared without regard to case (the order in
// which Windows lists a folder), so that browsing and batch order are the
// same everywhere. Hidden entries are listed like any other; sub-folders are
// not. The working directory is never changed.
#pragma once

#include "fs/PathString.h"

#include <string>
#include <vector>

namespace fovella {

class DirectoryScanner {
public:
    // Lists the entries of `folder` (the working directory when empty) that
    // are not folders, after those of any earlier Scan. False, with the
    // reason in Error(), when `folder` cannot be listed.
    bool Scan(const std::string& folder);
    const std::string& Error() const { return m_error; }

    const std::vector<PathString>& Files() const { return m_files; }

private:
    std::vector<PathString> m_files;
    std::string m_error;
};

}  // namespace fovella
