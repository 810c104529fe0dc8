// How every codec reports a failure: false, with "'path': reason".
#pragma once

#include <string>

namespace fovella {

inline bool FailWith(std::string* error, const std::string& path, const std::string& reason)
{
    if (error)
        *error = "'" + path + "': " + reason;
    return false;
}

}  // namespace fovella
