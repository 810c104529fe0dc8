#include "ui/CAboutDlg.h"

#include "Version.h"
#include "framework/Artwork.h"
#include "framework/CLinkStatic.h"
#include "ui/MakerAddress.h"

namespace fovella {

namespace {

std::vector<ControlTemplate> AboutTemplate()
{
    return {
        {kNoControlId, ControlKind::GroupBox, "", 7, 0, 249, 66},
        {1028, ControlKind::SunkenBitmap, "136", 10, 7, 80, 52},
        {kNoControlId, ControlKind::Label, "Fovella Version " FOVELLA_VERSION, 94, 7, 160, 8},
        {kNoControlId, ControlKind::Label, "Straightens the lines a wide lens bends.", 94, 28, 160, 8},
        {kNoControlId, ControlKind::Label, "Copyright (C) 2026 Brennick.", 94, 40, 160, 8},
        {kAboutLink, ControlKind::Link, kMakerWebText, 94, 52, 84, 8},
        {1, ControlKind::DefaultButton, "OK", 107, 72, 50, 14},
    };
}

}  // namespace

CAboutDlg::CAboutDlg(PlatformServices& services, QWidget* parent)
    : CTemplateDialog("About Fovella", 263, 92, AboutTemplate(), services, parent)
{
    // A modal frame: a fixed size, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

void CAboutDlg::OnInitDialog()
{
    Control<CLinkStatic>(*this, kAboutLink)->SetLinkAddress(kMakerWebAddress);
}

}  // namespace fovella
