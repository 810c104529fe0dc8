#include "batch/dialogs/CBatchOptionsDlg.h"

#include "framework/FolderBrowser.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace fovella {

namespace {

// Template 132, in its order: also the tab order and the radio groups.
std::vector<ControlTemplate> OptionsTemplate()
{
    using K = ControlKind;
    return {
        {kIdOk, K::DefaultButton, "OK", 31, 233, 50, 14},
        {kIdCancel, K::PushButton, "Cancel", 104, 233, 50, 14},
        {kOptionsFolder, K::Edit, "", 20, 35, 100, 14},
        {kOptionsBrowse, K::PushButton, "Browse", 125, 35, 50, 14},
        {kNoControlId, K::GroupBox, "Focal length usage", 7, 151, 172, 60},
        {kOptionsExifOnly, K::RadioGroupStart, "Use EXIF value only", 15, 165, 80, 10},
        {kOptionsManualOnly, K::Radio, "Use manually set value only", 15, 180, 103, 10},
        {kOptionsExifOrManual, K::Radio, "Use EXIF value if possible, manual otherwise", 15, 195, 157, 10},
        {kNoControlId, K::GroupBox, "Save", 7, 7, 172, 88},
        {kOptionsOtherFolder, K::RadioGroupStart, "Put processed files to another folder:", 15, 20, 131, 10},
        {kOptionsSuffixMode, K::Radio, "Append file names with a suffix:", 15, 60, 115, 10},
        {kOptionsSuffix, K::Edit, "", 20, 75, 50, 14},
        {kNoControlId, K::GroupBox, "JPEG quality", 7, 98, 172, 49},
        {kOptionsQuality, K::Trackbar, "", 15, 113, 155, 21},
        {kOptionsQualityLabel, K::Label, "95", 87, 134, 15, 8},
        {kOptionsUseFineTune, K::CheckBox, "Use Fine tune", 16, 216, 60, 10},
        {kOptionsEmptySuffixNote, K::Label, "Empty: replaces the originals", 75, 78, 100, 8},
    };
}

}  // namespace

CBatchOptionsDlg::CBatchOptionsDlg(PlatformServices& services, FolderBrowser& browser, QWidget* parent)
    : CTemplateDialog("Undistort all files in current folder", 186, 254, OptionsTemplate(), services, parent),
      m_browser(browser)
{
    setFixedSize(size());
}

void CBatchOptionsDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Text(kOptionsFolder, m_strFolder);
    exchange.Radio(kOptionsExifOnly, m_nFocalUsage);
    exchange.Text(kOptionsSuffix, m_strSuffix);
    exchange.Radio(kOptionsOtherFolder, m_nSaveMode);
    exchange.SliderPosition(kOptionsQuality, m_nQuality);
    exchange.Check(kOptionsUseFineTune, m_bUseFineTune);
}

void CBatchOptionsDlg::OnInitDialog()
{
    // The template's enabled states, which match save mode 0.
    EnableControl(*this, kOptionsSuffix, false);
    for (int id : {kOptionsOtherFolder, kOptionsSuffixMode})
        connect(Control<QAbstractButton>(*this, id), &QAbstractButton::clicked, this, [this] { OnSaveMode(); });
    connect(Control<QAbstractButton>(*this, kOptionsBrowse), &QAbstractButton::clicked, this, [this] { OnBrowse(); });
    connect(Control<QSlider>(*this, kOptionsQuality), &QSlider::valueChanged, this, [this] { OnHScroll(); });
}

void CBatchOptionsDlg::OnSaveMode()
{
    UpdateData(true);
    EnableControl(*this, kOptionsFolder, m_nSaveMode == 0);
    EnableControl(*this, kOptionsBrowse, m_nSaveMode == 0);
    EnableControl(*this, kOptionsSuffix, m_nSaveMode == 1);
}

void CBatchOptionsDlg::OnBrowse()
{
    std::string folder;
    if (!m_browser.Browse(Services(), folder))
        return;
    // Only the folder changes: what the user set in the other controls stays.
    m_strFolder = folder;
    Control<QLineEdit>(*this, kOptionsFolder)->setText(QString::fromStdString(folder));
}

void CBatchOptionsDlg::OnHScroll()
{
    UpdateData(true);
    Control<QLabel>(*this, kOptionsQualityLabel)->setText(QString::number(m_nQuality));
}

}  // namespace fovella
