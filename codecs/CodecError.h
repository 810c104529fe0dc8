// How every codec reports a failure: false, with "'path': reason".
#pragma once

#include "fs/FileReplacement.h"

#include <string>

namespace fovella {

inline bool FailWith(std::string* error, const std::string& path, const std::string& reason)
{
    if (error)
        *error = "'" + path + "': " + reason;
    return false;
}

// Puts a written replacement in place; false, with its reason, when that
// fails (the target then stays as it was).
inline bool CommitOrFail(FileReplacement& out, std::string* error)
{
    if (out.Commit())
        return true;
    if (error)
        *error = out.Error();
    return false;
}

}  // namespace fovella
