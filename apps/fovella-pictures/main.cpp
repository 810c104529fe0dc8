// fovella-pictures: renders the window, the about box and the help window
// offscreen into PNG files, for the README and for checking the layout by
// eye, and draws the desktop icon. On a screen of higher density
// (QT_SCALE_FACTOR=2) it renders the window alone, its files named
// with "@2x".
//   fovella-pictures OUTPUT_FOLDER SAMPLE_IMAGE FOCAL_MM
//   fovella-pictures --icon FILE.png [SIZE]
#include "batch/dialogs/CBatchOptionsDlg.h"
#include "batch/dialogs/CBatchProgressDlg.h"
#include "batch/dialogs/COverwriteDlg.h"
#include "framework/Artwork.h"
#include "framework/FolderBrowser.h"
#include "ui/CAboutDlg.h"
#include "ui/CCorrectorDlg.h"
#include "ui/HelpWindow.h"
#include "ui/QtPlatformServices.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace fovella;

bool Write(const QPixmap& picture, const std::string& path)
{
    if (!picture.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "fovella-pictures: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("wrote %s\n", path.c_str());
    return true;
}

// Clicks button `id` of the window, as a user would.
void Click(CCorrectorDlg& window, int id)
{
    Control<QAbstractButton>(window, id)->click();
    QApplication::processEvents();
}

// The folder run's three dialogs as a run shows them.
bool RenderBatchDialogs(PlatformServices& services, const std::string& folder)
{
    FolderBrowser browser;
    CBatchOptionsDlg options(services, browser);
    options.m_strFolder = "/home/ana/Pictures/2026-06 Lisbon/undistorted";
    options.Initialise();
    options.show();
    bool written = Write(options.grab(), folder + "/batch-options.png");

    CBatchProgressDlg progress(services);
    progress.Start();
    progress.SetLabel(kBatchFolderLabel, "Undistorting directory /home/ana/Pictures/2026-06 Lisbon");
    progress.SetLabel(kBatchImageLabel, "Undistorting image IMG_0412.JPG");
    progress.SetLabel(kBatchFocalLabel, "Using EXIF focal length value: 5.800");
    progress.SetBar(kBatchImageBar, 42);
    progress.SetLabel(kBatchImagePercent, "42%");
    progress.SetBar(kBatchFolderBar, 17);
    progress.SetLabel(kBatchFolderPercent, "17%");
    QApplication::processEvents();
    written = Write(progress.grab(), folder + "/batch-progress.png") && written;
    progress.hide();

    COverwriteDlg overwrite(services);
    overwrite.m_strMessage = "File \"/home/ana/Pictures/undistorted/IMG_0412.JPG";
    overwrite.Initialise();
    overwrite.show();
    return Write(overwrite.grab(), folder + "/batch-overwrite.png") && written;
}

// The window fitted with the grid over the correction, then in the split
// view; both undone after.
bool RenderGridAndSplit(CCorrectorDlg& window, const std::string& folder, const char* suffix)
{
    Click(window, kGrid);
    bool written = Write(window.grab(), folder + "/window-grid" + suffix + ".png");
    Click(window, kGrid);
    window.SplitViewEntry().trigger();
    QApplication::processEvents();
    written = Write(window.grab(), folder + "/window-split" + suffix + ".png") && written;
    window.SplitViewEntry().trigger();
    return written;
}

int RenderWindow(const std::string& folder, const std::string& samplePath, const char* focalMm)
{
    QtPlatformServices services;
    CCorrectorDlg window(services);
    window.Initialise();
    window.show();
    QApplication::processEvents();
    const bool dense = qApp->devicePixelRatio() > 1;
    const char* suffix = dense ? "@2x" : "";
    bool written = Write(window.grab(), folder + "/window-start" + suffix + ".png");

    // The sample opened, its focal length typed and corrected: the view
    // shows the correction fitted, with the grid and split, then at 200 %,
    // then the original there.
    if (!window.OpenImageFile(samplePath))
        return 1;
    Control<QLineEdit>(window, kFocalEdit)->setText(focalMm);
    Click(window, kUndistort);
    written = Write(window.grab(), folder + "/window-corrected" + suffix + ".png") && written;
    written = RenderGridAndSplit(window, folder, suffix) && written;
    if (dense)
        return written ? 0 : 1;
    while (Control<QLabel>(window, kZoomLabel)->text() != "200%" && Control<QWidget>(window, kZoomIn)->isEnabled())
        Click(window, kZoomIn);
    written = Write(window.grab(), folder + "/window-200.png") && written;
    Click(window, kShowOriginal);
    written = Write(window.grab(), folder + "/window-original.png") && written;

    // The window at its smallest and grown; then back.
    window.resize(1, 1);
    QApplication::processEvents();
    written = Write(window.grab(), folder + "/window-minimum.png") && written;
    window.resize(1400, 860);
    QApplication::processEvents();
    written = Write(window.grab(), folder + "/window-grown.png") && written;
    written = RenderBatchDialogs(services, folder) && written;

    CAboutDlg about(services);
    about.Initialise();
    about.show();
    written = Write(about.grab(), folder + "/about.png") && written;

    HelpWindow help;
    help.ShowContents();
    QApplication::processEvents();
    written = Write(help.grab(), folder + "/help.png") && written;
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--icon") {
        const int size = argc == 4 ? std::atoi(argv[3]) : 256;
        return size > 0 && Write(QPixmap::fromImage(ApplicationIconImage(size)), argv[2]) ? 0 : 1;
    }
    if (argc == 4)
        return RenderWindow(argv[1], argv[2], argv[3]);
    std::fprintf(stderr, "usage: fovella-pictures OUTPUT_FOLDER SAMPLE_IMAGE FOCAL_MM\n"
                         "       fovella-pictures --icon FILE.png [SIZE]\n");
    return 2;
}
