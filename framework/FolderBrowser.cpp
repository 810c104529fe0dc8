#include "framework/FolderBrowser.h"

#include "framework/PlatformServices.h"

namespace fovella {

namespace {

// The last folder picked; empty until the first pick.
std::string& LastFolder()
{
    static std::string last;
    return last;
}

}  // namespace

bool BrowseForFolder(PlatformServices& services, std::string& folder)
{
    std::string chosen = LastFolder();
    if (!services.BrowseForFolder("", chosen) || chosen.empty())
        return false;
    LastFolder() = chosen;
    folder = chosen;
    return true;
}

}  // namespace fovella
