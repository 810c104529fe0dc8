// The about box: the program's name and version, the maker's logo and link.
#pragma once

#include "framework/CTemplateDialog.h"

namespace fovella {

enum : int { kAboutLink = 1069 };

class CAboutDlg : public CTemplateDialog {
public:
    explicit CAboutDlg(PlatformServices& services, QWidget* parent = nullptr);

protected:
    void OnInitDialog() override;
};

}  // namespace fovella
