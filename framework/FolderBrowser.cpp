#include "framework/FolderBrowser.h"

#include "framework/PlatformServices.h"

namespace fovella {

bool FolderBrowser::Browse(PlatformServices& services, std::string& folder)
{
    std::string chosen = m_last;
    if (!services.BrowseForFolder("", chosen) || chosen.empty())
        return false;
    m_last = chosen;
    folder = chosen;
    return true;
}

}  // namespace fovella
