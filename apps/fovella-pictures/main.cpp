// fovella-pictures: renders the window, the about box and the help window
// offscreen into PNG files, for the README and for checking the layout by
// eye, and draws the desktop icon.
//   fovella-pictures OUTPUT_FOLDER SAMPLE_IMAGE FOCAL_MM
//   fovella-pictures --icon FILE.png
#include "codecs/ImageFile.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "ui/Artwork.h"
#include "ui/CAboutDlg.h"
#include "ui/CCorrectorDlg.h"
#include "ui/CImageView.h"
#include "ui/HelpWindow.h"
#include "ui/ImageViewLayout.h"
#include "ui/QtPlatformServices.h"

#include <QApplication>
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

// `image` resampled to fit `view`, as the window shows a new photograph.
DibImage Fitted(const DibImage& image, const CImageView& view)
{
    const QRect full = view.GetFullClientRect();
    DibImage fitted;
    image.ScaleBy(FitRatio(full.width(), full.height(), image.Width(), image.Height()), fitted);
    return fitted;
}

int RenderWindow(const std::string& folder, const std::string& samplePath, float focalMm)
{
    DibImage sample;
    ImageFile file;
    if (!file.Load(samplePath, sample, Unknown, 0) || !sample.ConvertPixelType(Bgr)) {
        std::fprintf(stderr, "fovella-pictures: %s\n", file.Error().c_str());
        return 1;
    }
    QtPlatformServices services;
    CCorrectorDlg window(services);
    window.Initialise();
    window.show();
    bool written = Write(window.grab(), folder + "/window-start.png");

    window.View().SetImage(Fitted(sample, window.View()), 1.0, 1.0, true);
    const DibImage reduced = Fitted(sample, window.Preview());
    DibImage corrected;
    LensModel().Undistort(reduced, corrected, PixelScale(focalMm, reduced.Width(), reduced.Height(), 1.0),
                          nullptr, nullptr);
    window.Preview().SetImage(corrected, 1.0, 1.0, true);
    QApplication::processEvents();
    written = Write(window.grab(), folder + "/window-sample.png") && written;

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
    if (argc == 3 && std::string(argv[1]) == "--icon")
        return Write(QPixmap::fromImage(ApplicationIconImage(256)), argv[2]) ? 0 : 1;
    if (argc == 4)
        return RenderWindow(argv[1], argv[2], float(std::atof(argv[3])));
    std::fprintf(stderr, "usage: fovella-pictures OUTPUT_FOLDER SAMPLE_IMAGE FOCAL_MM\n"
                         "       fovella-pictures --icon FILE.png\n");
    return 2;
}
