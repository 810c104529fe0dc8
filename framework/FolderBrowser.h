// Picks a folder through the desktop's folder chooser, which opens on the
// last folder picked while the program runs (nothing is remembered across
// runs).
#pragma once

#include <string>

namespace fovella {

class PlatformServices;

// True, with `folder` set to the chosen folder's path, when the user chose
// one; false, leaving `folder` and the remembered folder as they were, when
// the chooser was cancelled or gave no path.
bool BrowseForFolder(PlatformServices& services, std::string& folder);

}  // namespace fovella
