// The commands of one photograph, as a user reaches them: open, browse the
// folder, correct, zoom, compare and save, on real files.
#include "tests/ui/CorrectorDlgFixture.h"

#include "batch/dialogs/CJpegQualityDlg.h"
#include "batch/dialogs/CProgressDlg.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "ui/CImageView.h"
#include "session/Zoom.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QSlider>
#include <QWheelEvent>

#include "tests/ui/QtPrinters.h"

namespace fovella {
namespace {

using WorkflowTest = CorrectorDlgTest;

bool Checked(QAbstractButton* button) { return button->isChecked(); }

TEST_F(WorkflowTest, OpeningSetsTitleExifStateFitAndPreview)
{
    const DibImage jpeg = test::WriteGradientFile(photos.File("a.jpg"), 640, 480, test::ExifWithFocal(18, 1));
    Open(photos.File("a.jpg"));
    ASSERT_EQ(services.openRequests.size(), 1u);
    EXPECT_EQ(services.openRequests[0].filter,
              "JPEG Files (*.jpg; *.jpeg)|*.jpg; *.jpeg|BMP Files (*.bmp)|*.bmp|PNG Files (*.png)|*.png|"
              "Image Files (*.jpg; *.jpeg; *.bmp; *.png)|*.jpg; *.jpeg; *.bmp; *.png||");
    EXPECT_EQ(services.openRequests[0].defaultExtension, "jpg");
    EXPECT_EQ(services.openRequests[0].initialName, "");
    EXPECT_EQ(services.openRequests[0].initialFolder, "");  // nothing open: where the chooser was
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("a.jpg") + " - Fovella");

    // The EXIF focal length is used at once: box checked, value shown, edit locked.
    EXPECT_TRUE(Get(kUseExif)->isEnabled());
    EXPECT_TRUE(Checked(Get<QAbstractButton>(kUseExif)));
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "18.000");
    EXPECT_FALSE(Get(kFocalEdit)->isEnabled());
    const QRect full = dialog.Preview().GetFullClientRect();
    DibImage reduced, expected;
    jpeg.ScaleBy(FitRatio(full.width(), full.height(), 640, 480), reduced);
    ASSERT_TRUE(LensModel().Undistort(reduced, expected, PixelScale(18.f, reduced.Width(), reduced.Height(), 1.0)));
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), expected));

    // Fitted: the whole picture in the view, the label truncating the ratio.
    const QRect view = dialog.View().GetFullClientRect();
    const double fit = FitRatio(view.width(), view.height(), 640, 480);
    EXPECT_EQ(Text(kZoomLabel), QString::number(int(fit * 100)) + "%");
    EXPECT_FALSE(Get(kFit)->isEnabled());
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), jpeg));
    for (int id : {kSave, kShowOriginal})
        EXPECT_FALSE(Get(id)->isEnabled()) << id;

    // Unchecked, the box keeps the EXIF value; checked again it restores it.
    Click(kUseExif);
    EXPECT_TRUE(Get(kFocalEdit)->isEnabled());
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "18.000");
    Get<QLineEdit>(kFocalEdit)->setText("7");
    Click(kUseExif);
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "18.000");
    EXPECT_FALSE(Get(kFocalEdit)->isEnabled());

    // A PNG has no EXIF block: the box goes off, the typed value stays.
    Click(kUseExif);
    Get<QLineEdit>(kFocalEdit)->setText("7");
    test::WriteGradientFile(photos.File("b.png"), 30, 20);
    Open(photos.File("b.png"));
    ASSERT_EQ(services.openRequests.size(), 2u);
    EXPECT_EQ(services.openRequests[1].initialFolder, photos.Path());  // beside the open picture
    EXPECT_FALSE(Get(kUseExif)->isEnabled());
    EXPECT_FALSE(Checked(Get<QAbstractButton>(kUseExif)));
    EXPECT_TRUE(Get(kFocalEdit)->isEnabled());
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "7");
}

TEST_F(WorkflowTest, PreviousAndNextWalkTheFoldersImagesWithoutWrapping)
{
    // Listed by name: a.jpg, an.txt, b.png, d.JPG, e.tif; only three are image files.
    for (const char* name : {"a.jpg", "b.png", "d.JPG"})
        test::WriteGradientFile(photos.File(name), 16, 12);
    test::WriteFileBytes(photos.File("an.txt"), {'n', 'o'});
    test::WriteFileBytes(photos.File("e.tif"), {'n', 'o'});
    const auto arrows = [this] {
        return std::make_pair(Get(kPrevious)->isEnabled(), Get(kNext)->isEnabled());
    };
    const auto current = [this] { return dialog.windowTitle().section(" - ", 0, 0).toStdString(); };

    Open(photos.File("b.png"));
    EXPECT_EQ(arrows(), std::make_pair(true, true));
    Click(kPrevious);
    EXPECT_EQ(current(), photos.File("a.jpg"));
    EXPECT_EQ(arrows(), std::make_pair(false, true));
    Click(kNext);
    EXPECT_EQ(current(), photos.File("b.png"));
    EXPECT_EQ(arrows(), std::make_pair(true, true));
    Click(kNext);
    EXPECT_EQ(current(), photos.File("d.JPG"));
    EXPECT_EQ(arrows(), std::make_pair(true, false));
    EXPECT_TRUE(services.messages.empty());

    // A listing that starts with a text file before the open image.
    test::ScratchDir other;
    test::WriteFileBytes(other.File("0.txt"), {'x'});
    test::WriteGradientFile(other.File("a.jpg"), 16, 12);
    Open(other.File("a.jpg"));
    EXPECT_EQ(arrows(), std::make_pair(false, false));
}

TEST_F(WorkflowTest, AFileThatCannotBeOpenedChangesNothing)
{
    const DibImage picture = OpenCorrected("a.png");
    const QString title = dialog.windowTitle();
    const DibImage* corrected = CorrectorDlgProbe::Corrected(dialog);
    const QString zoom = Text(kZoomLabel);
    test::WriteFileBytes(photos.File("broken.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'});
    for (const std::string& bad : {photos.File("missing.png"), photos.File("broken.jpg")}) {
        services.messages.clear();
        services.messageAnswers = {MessageAnswer::No};  // drop the unsaved correction
        Open(bad);
        ASSERT_EQ(services.messages.size(), 2u) << bad;
        // The reader's reason, naming the file, on the second line.
        EXPECT_EQ(services.messages[1].text.substr(0, 23 + bad.size()), "Opening file failed!\n'" + bad + "'") << bad;
        EXPECT_EQ(services.messages[1].caption, "Opening error");
        EXPECT_EQ(services.messages[1].icon, MessageIcon::Error);
        EXPECT_EQ(dialog.windowTitle(), title);
        EXPECT_TRUE(SamePixels(*CorrectorDlgProbe::Source(dialog), picture));
        EXPECT_EQ(CorrectorDlgProbe::Corrected(dialog), corrected);
        EXPECT_EQ(&dialog.View().Picture(), corrected);
        EXPECT_EQ(Text(kZoomLabel), zoom);
        for (int id : {kSave, kShowOriginal, kUndistort})
            EXPECT_TRUE(Get(id)->isEnabled()) << id;
    }
}

TEST_F(WorkflowTest, FitTakesTheExactRatioAndTheStepsGoOnFromTheNearest)
{
    // 730 / 1598 = 0.4568: the label reads 45 %, the nearest step is 50 %.
    const int fullWidth = dialog.View().GetFullClientRect().width();
    const int width = int(fullWidth / 0.4567);
    test::WriteGradientFile(photos.File("wide.bmp"), width, 300);
    Open(photos.File("wide.bmp"));
    EXPECT_EQ(Text(kZoomLabel), "45%");
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), 11);
    Click(kZoomIn);
    EXPECT_EQ(Text(kZoomLabel), "67%");
    EXPECT_TRUE(Get(kFit)->isEnabled());
    Click(kFit);
    EXPECT_EQ(Text(kZoomLabel), "45%");
    EXPECT_FALSE(Get(kFit)->isEnabled());
    Click(kZoomOut);
    EXPECT_EQ(Text(kZoomLabel), "33%");

    // The ends of the table.
    while (Get(kZoomIn)->isEnabled())
        Click(kZoomIn);
    EXPECT_EQ(Text(kZoomLabel), "500%");
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), kLastZoomStep);
    EXPECT_EQ(dialog.View().ZoomedSize(), QSize(width * 5, 1500));
    while (Get(kZoomOut)->isEnabled())
        Click(kZoomOut);
    EXPECT_EQ(Text(kZoomLabel), "1%");
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), 0);
}

TEST_F(WorkflowTest, OneWheelEventIsOneStepWhateverItsSize)
{
    test::WriteGradientFile(photos.File("a.png"), 2000, 1000);
    Open(photos.File("a.png"));
    const int fitted = CorrectorDlgProbe::ZoomIndex(dialog);
    // Over the view the turn is the view's (about the cursor); elsewhere in
    // the window the dialog's (about the middle).
    QWheelEvent overView(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, 1200), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dialog.View().viewport(), &overView);
    EXPECT_TRUE(overView.isAccepted());
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), fitted + 1);
    const auto turn = [this](int delta) {
        QWheelEvent event(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&dialog, &event);
    };
    turn(1200);
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), fitted + 2);
    turn(-1);
    turn(-120);
    turn(-120);
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), fitted - 1);
}

TEST_F(WorkflowTest, UndistortShowsTheCorrectionAndShowOriginalSwapsWithoutResampling)
{
    const DibImage source = OpenCorrected("a.bmp");
    DibImage expected;
    ASSERT_TRUE(LensModel().Undistort(source, expected, PixelScale(5.f, 64, 48, 1.0)));
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), expected));
    EXPECT_FALSE(Checked(Get<QAbstractButton>(kShowOriginal)));
    EXPECT_TRUE(dialog.findChildren<CProgressDlg*>().isEmpty());  // gone with the command
    const QString zoom = Text(kZoomLabel);

    Click(kShowOriginal);
    EXPECT_EQ(&dialog.View().Picture(), CorrectorDlgProbe::Source(dialog));
    EXPECT_EQ(Text(kZoomLabel), zoom);
    Click(kShowOriginal);
    EXPECT_EQ(&dialog.View().Picture(), CorrectorDlgProbe::Corrected(dialog));

    // Not a number, with EXIF off: the preview is uncorrected and Undistort refuses.
    Get<QLineEdit>(kFocalEdit)->setText("abc");
    Click(kUndistort);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "Focal length should be positive.\nThe focal length typed, \"abc\", is not a number.");
    EXPECT_EQ(services.messages[0].caption, "Undistort");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), expected));

    // Infinite, which atof reads from "inf": the same refusal, with its reason.
    const DibImage before = dialog.Preview().Picture();
    Get<QLineEdit>(kFocalEdit)->setText("inf");
    Click(kUndistort);
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text, "Focal length should be a finite number.");
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), expected));
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), before));  // uncorrected, as for "abc"
}

TEST(ProgressDlg, NamesTheFileAndPaintsEachNewPercentage)
{
    test::ScriptedPlatformServices services;
    CProgressDlg progress(services);
    progress.Start("/photos/a.jpg");
    EXPECT_EQ(progress.windowTitle(), "Undistorting...");
    EXPECT_EQ(Control<QLabel>(progress, kProgressFileLabel)->text(), "/photos/a.jpg");
    EXPECT_EQ(Control<QLabel>(progress, kProgressPercent)->text(), "0 %");
    progress.SetProgress(42);
    EXPECT_EQ(Control<QProgressBar>(progress, kProgressBar)->value(), 42);
    EXPECT_EQ(Control<QLabel>(progress, kProgressPercent)->text(), "42%");
    EXPECT_FALSE(progress.windowFlags() & Qt::WindowCloseButtonHint);
}

// Negative EXIF focal lengths are shown as read and refused by Undistort;
// the reader's complaints reach standard error.
TEST_F(WorkflowTest, NegativeExifFocalIsShownAndRefusedAndDiagnosticsReachStandardError)
{
    test::WriteGradientFile(photos.File("neg.jpg"), 40, 30, test::ExifWithFocal(-160, 1000));
    Open(photos.File("neg.jpg"));
    EXPECT_TRUE(Checked(Get<QAbstractButton>(kUseExif)));
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "-0.160");
    Click(kUndistort);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Focal length should be positive.");
    EXPECT_FALSE(Get(kSave)->isEnabled());

    std::vector<std::uint8_t> damaged = test::ExifWithFocal(18, 1);
    damaged[6] = 'X';  // no byte order
    test::WriteGradientFile(photos.File("damaged.jpg"), 40, 30, damaged);
    testing::internal::CaptureStderr();
    Open(photos.File("damaged.jpg"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Nonfatal Error : Invalid Exif alignment marker.\n");
    EXPECT_FALSE(Get(kUseExif)->isEnabled());
}

}  // namespace
}  // namespace fovella
