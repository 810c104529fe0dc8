#include "batch/dialogs/CJpegQualityDlg.h"

#include <QLabel>
#include <QSlider>

namespace fovella {

namespace {

std::vector<ControlTemplate> QualityTemplate()
{
    using K = ControlKind;
    return {
        {kNoControlId, K::Label, "worst", 10, 9, 18, 8},
        {kNoControlId, K::Label, "best", 159, 8, 14, 8},
        {kQualityLabel, K::Label, "95", 87, 8, 10, 8},
        {kQualitySlider, K::Trackbar, "", 7, 19, 172, 19},
        {kIdOk, K::DefaultButton, "OK", 7, 38, 50, 14},
        {kIdCancel, K::PushButton, "Cancel", 129, 38, 50, 14},
    };
}

}  // namespace

CJpegQualityDlg::CJpegQualityDlg(PlatformServices& services, QWidget* parent)
    : CTemplateDialog("Choose JPEG quality", 186, 59, QualityTemplate(), services, parent)
{
    // No close box: the answer is OK or Cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
}

void CJpegQualityDlg::DoDataExchange(DataExchange& exchange) { exchange.SliderPosition(kQualitySlider, m_nQuality); }

void CJpegQualityDlg::OnInitDialog()
{
    connect(Control<QSlider>(*this, kQualitySlider), &QSlider::valueChanged, this, [this] { OnHScroll(); });
}

void CJpegQualityDlg::OnHScroll()
{
    UpdateData(true);
    Control<QLabel>(*this, kQualityLabel)->setText(QString::number(m_nQuality));
}

}  // namespace fovella
