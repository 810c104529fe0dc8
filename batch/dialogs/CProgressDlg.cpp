#include "batch/dialogs/CProgressDlg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QWindow>

namespace fovella {

namespace {

std::vector<ControlTemplate> ProgressTemplate()
{
    using K = ControlKind;
    return {
        {kProgressFileLabel, K::Label, "Undistorting file", 10, 10, 165, 8},
        {kProgressPercent, K::Label, "0 %", 85, 25, 24, 8},
        {kProgressBar, K::ProgressBar, "", 7, 34, 172, 14},
    };
}

// Long enough for a window system to map a window, short enough to pass
// unnoticed where it never reports one.
constexpr int kMappingWaitMs = 250;

}  // namespace

CProgressDlg::CProgressDlg(PlatformServices& services, QWidget* parent)
    : CTemplateDialog("Undistorting...", 186, 55, ProgressTemplate(), services, parent)
{
    // No close box: nothing can stop the remap it follows.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
    setModal(false);
}

void CProgressDlg::Start(const std::string& path)
{
    Initialise();
    Control<QLabel>(*this, kProgressFileLabel)->setText(QString::fromStdString(path));
    CentreOnScreen();
    show();
    // The window system maps a new window asynchronously: wait a moment for
    // it, taking no user input, so that the repaints during the remap show.
    QElapsedTimer waited;
    waited.start();
    do
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < kMappingWaitMs);
    repaint();
}

void CProgressDlg::SetProgress(int percent)
{
    auto* bar = Control<QProgressBar>(*this, kProgressBar);
    if (bar->value() == percent)
        return;
    bar->setValue(percent);
    auto* label = Control<QLabel>(*this, kProgressPercent);
    label->setText(QString::number(percent) + "%");
    bar->repaint();
    label->repaint();
}

}  // namespace fovella
