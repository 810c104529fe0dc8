// The desktop's folder chooser, opening on the last folder picked through
// the same browser: the window keeps one while it is open, so that each
// folder run's options start where the last pick was (nothing is
// remembered across runs of the program).
#pragma once

#include <string>

namespace fovella {

class PlatformServices;

class FolderBrowser {
public:
    // True, with `folder` set to the chosen folder's path, when the user
    // chose one; false, leaving `folder` and the remembered folder as they
    // were, when the chooser was cancelled or gave no path.
    bool Browse(PlatformServices& services, std::string& folder);

private:
    std::string m_last;  // empty until the first pick
};

}  // namespace fovella
