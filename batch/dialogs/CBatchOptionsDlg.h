// The options of a folder run: where the results go (another folder or a
// name suffix), the JPEG quality, where the focal length comes from, and
// whether the window's fine tune applies. No field is checked: an empty
// folder or suffix is taken as it is.
#pragma once

#include "framework/CTemplateDialog.h"

#include <string>

namespace fovella {

class FolderBrowser;

enum : int {
    kOptionsFolder = 1002,
    kOptionsBrowse = 1008,
    kOptionsExifOnly = 1035,
    kOptionsManualOnly = 1036,
    kOptionsExifOrManual = 1037,
    kOptionsOtherFolder = 1038,
    kOptionsSuffixMode = 1039,
    kOptionsSuffix = 1040,
    kOptionsQuality = 1025,
    kOptionsQualityLabel = 1026,
    kOptionsUseFineTune = 1058,
    kOptionsEmptySuffixNote = 1072,  // beside the suffix: what an empty one does
};

class CBatchOptionsDlg : public CTemplateDialog {
public:
    // `browser` picks the results' folder; it remembers the last pick.
    CBatchOptionsDlg(PlatformServices& services, FolderBrowser& browser, QWidget* parent = nullptr);

    std::string m_strFolder;
    int m_nFocalUsage = 0;  // 0 EXIF only, 1 manual only, 2 EXIF if possible
    std::string m_strSuffix = "_u";
    int m_nSaveMode = 0;    // 0 another folder, 1 a suffix
    int m_nQuality = 95;
    int m_bUseFineTune = 0;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;

private:
    void OnSaveMode();
    void OnBrowse();
    void OnHScroll();

    FolderBrowser& m_browser;
};

}  // namespace fovella
