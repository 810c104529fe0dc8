#include "batch/dialogs/CBatchProgressDlg.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

namespace fovella {

namespace {

std::vector<ControlTemplate> BatchProgressTemplate()
{
    using K = ControlKind;
    return {
        {kBatchImageLabel, K::Label, "Undistorting image", 7, 10, 263, 8},
        {kBatchFocalLabel, K::Label, "Using focal length", 7, 20, 263, 8},
        {kBatchFineTuneLabel, K::Label, "Using Fine tune", 7, 31, 263, 8},
        {kBatchImagePercent, K::Label, "0 %", 130, 40, 20, 8},
        {kBatchImageBar, K::ProgressBar, "", 7, 55, 265, 14},
        {kBatchFolderLabel, K::Label, "Undistorting directory", 8, 85, 262, 8},
        {kBatchFolderPercent, K::Label, "0 %", 130, 95, 20, 8},
        {kBatchFolderBar, K::ProgressBar, "", 7, 108, 265, 14},
        {kIdCancel, K::PushButton, "Cancel", 115, 135, 50, 14},
    };
}

}  // namespace

CBatchProgressDlg::CBatchProgressDlg(PlatformServices& services, QWidget* parent)
    : CTemplateDialog("Undistorting Directory...", 279, 156, BatchProgressTemplate(), services, parent)
{
    // No close box: Cancel is the way to stop.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
}

void CBatchProgressDlg::Start()
{
    Initialise();
    CentreOnScreen();
    show();
}

void CBatchProgressDlg::SetLabel(int id, const std::string& text)
{
    Control<QLabel>(*this, id)->setText(QString::fromStdString(text));
}

void CBatchProgressDlg::SetBar(int id, int percent) { Control<QProgressBar>(*this, id)->setValue(percent); }

void PumpMessages() { QCoreApplication::processEvents(); }

}  // namespace fovella
