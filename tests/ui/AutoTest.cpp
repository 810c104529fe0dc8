// "Auto" in the window: bars drawn through a barrel lens of known strength,
// estimated on a thread of its own while the window stays responsive, the
// answer shown in the controls, the preview and the lines drawn over both.
#include "tests/ui/CorrectorDlgFixture.h"

#include "apps/fovella-cli/CommandLine.h"
#include "apps/fovella-cli/Commands.h"
#include "codecs/ImageFile.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "lines/LineEstimator.h"
#include "session/Zoom.h"
#include "tests/support/ConsoleInStrings.h"
#include "tests/support/LineScene.h"
#include "ui/CImageView.h"

#include <QGuiApplication>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace fovella {
namespace {

// The scene's strength R / m, and the EXIF focal length whose scale the
// slider must take to 0.60 of to reach it.
constexpr int kWidth = 900, kHeight = 600;
constexpr double kStrength = 0.7;
constexpr int kExifFocal = 7;

class AutoTest : public CorrectorDlgTest {
protected:
    // The scene as `name`: a JPEG with the EXIF focal length, or a PNG. Or,
    // with `redAgainstBlue`, a JPEG without EXIF whose bars differ in the
    // JPEG's luma alone, which an even mean of the colours cannot see.
    void WriteScene(const std::string& name, int width = kWidth, int height = kHeight, double strength = kStrength,
                    bool redAgainstBlue = false)
    {
        DibImage scene;
        ASSERT_TRUE(test::DrawLineScene(scene, width, height, strength, 4));
        if (redAgainstBlue)
            for (int y = 0; y < height; ++y)
                for (std::uint8_t* pixel = scene.Rows()[y]; pixel < scene.Rows()[y] + 3 * width; pixel += 3) {
                    pixel[0] = std::uint8_t(200 * pixel[0] / 255);
                    pixel[1] = 100;
                    pixel[2] = std::uint8_t(200 - pixel[0]);
                }
        ImageFile file;
        if (FormatOfPath(name) == Jpeg && !redAgainstBlue)
            file.SetExifBlock(test::ExifWithFocal(kExifFocal, 1));
        ASSERT_TRUE(file.Save(photos.File(name), scene, Unknown, 95, 1)) << file.Error();
    }
    // The scene's own scale, R over the strength.
    static double SceneScale() { return std::hypot(kWidth, kHeight) / 2 / kStrength; }
    // fovella-cli with `arguments`, which must succeed: what it printed.
    static std::string CommandLine(const std::vector<std::string>& arguments)
    {
        cli::Options options;
        std::string error;
        EXPECT_TRUE(cli::ParseCommandLine(arguments, options, error)) << error;
        test::ConsoleInStrings console;
        EXPECT_EQ(console.Correct(options), 0) << console.errors.str();
        return console.out.str();
    }
    // No line drawn over either view.
    void ExpectNoLines()
    {
        EXPECT_EQ(OrangePixels(*dialog.View().viewport()), 0);
        EXPECT_EQ(OrangePixels(*dialog.Preview().viewport()), 0);
    }
    // Presses Auto and waits for its answer.
    void PressAuto()
    {
        Click(kAuto);
        ASSERT_TRUE(QTest::qWaitFor([this] { return Get(kAuto)->isEnabled(); }, 60000));
    }
    // The view's pixels in the overlay's orange.
    static int OrangePixels(QWidget& view)
    {
        const QImage image = view.grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == CImageView::kOverlayColour;
        return count;
    }
    // The preview the window must show: the open picture reduced and
    // corrected at `focal` and `fineTune`.
    DibImage ExpectedPreview(float focal, double fineTune)
    {
        const QRect room = dialog.Preview().GetFullClientRect();
        DibImage reduced, expected;
        const DibImage& source = *CorrectorDlgProbe::Source(dialog);
        source.ScaleBy(FitRatio(room.width(), room.height(), source.Width(), source.Height()), reduced);
        EXPECT_TRUE(LensModel().Undistort(reduced, expected,
                                          PixelScale(focal, reduced.Width(), reduced.Height(), fineTune)));
        return expected;
    }
};

TEST_F(AutoTest, WithExifTheSliderCarriesTheEstimateAndTheLinesAreDrawnUntilTheNextChange)
{
    WriteScene("scene.jpg");
    Open(photos.File("scene.jpg"));
    ASSERT_TRUE(Get(kAuto)->isEnabled());
    PressAuto();
    EXPECT_TRUE(services.messages.empty());
    ASSERT_NEAR(SceneScale() / PixelScale(kExifFocal, kWidth, kHeight, 1.0), 0.60, 0.005);
    EXPECT_EQ(Get<QSlider>(kFineTune)->value(), 25);
    EXPECT_EQ(Text(kFineTuneLabel), "0.60");
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "7.000");
    EXPECT_TRUE(Get<QAbstractButton>(kUseExif)->isChecked());
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), ExpectedPreview(kExifFocal, 0.6)));
    EXPECT_GT(OrangePixels(*dialog.View().viewport()), 200);
    EXPECT_GT(OrangePixels(*dialog.Preview().viewport()), 100);

    Get<QSlider>(kFineTune)->setValue(26);
    ExpectNoLines();
}

// Without an EXIF value the focal length is typed, the one fovella-cli
// finds in the same file's lines, and the slider reset. Auto reads the file
// as the command line does: it sees even bars that only the JPEG's luma
// shows.
TEST_F(AutoTest, WithoutExifTheFocalLengthTheCommandLineFindsIsTypedAndTheSliderReset)
{
    for (const char* name : {"scene.png", "colours.jpg"}) {
        SCOPED_TRACE(name);
        WriteScene(name, kWidth, kHeight, kStrength, FormatOfPath(name) == Jpeg);
        Open(photos.File(name));
        Get<QSlider>(kFineTune)->setValue(70);
        PressAuto();
        EXPECT_TRUE(services.messages.empty());
        const std::string typed = Get<QLineEdit>(kFocalEdit)->text().toStdString();
        const std::string printed = CommandLine({"--dry-run", "--focal-source", "lines", photos.File(name)});
        EXPECT_NE(printed.find(": focal length " + typed + " mm (lines)"), std::string::npos) << printed;
        // Within 1 % of the focal length of the scene's own scale.
        EXPECT_NEAR(std::atof(typed.c_str()) / FocalForScale(SceneScale(), kWidth, kHeight, 1.0), 1.0, 0.01);
        EXPECT_EQ(Get<QSlider>(kFineTune)->value(), 50);
        EXPECT_EQ(Text(kFineTuneLabel), "1.00");
        EXPECT_TRUE(Get(kFocalEdit)->isEnabled());
        EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), ExpectedPreview(std::strtof(typed.c_str(), nullptr), 1.0)));
        EXPECT_GT(OrangePixels(*dialog.Preview().viewport()), 100);

        // A keystroke in the focal length ends the lines.
        Get<QLineEdit>(kFocalEdit)->setText("5");
        ExpectNoLines();
    }
}

TEST_F(AutoTest, NothingFoundIsSaidAndNothingChanges)
{
    const struct {
        const char* name;
        double strength;  // < 0: one flat grey, no lines at all
        const char* message;
        const char* why;  // how the explanation begins
    } cases[] = {
        {"flat.png", -1, "No straight lines found", "No long straight edge was found."},
        {"straight.png", 0, "No barrel distortion found", "The "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.strength < 0) {
            DibImage flat;
            ASSERT_TRUE(flat.Create(400, 300, Rgb, SampleU8, TopDown));
            for (int y = 0; y < 300; ++y)
                std::fill_n(flat.Rows()[y], 3 * 400, std::uint8_t(150));
            ImageFile file;
            ASSERT_TRUE(file.Save(photos.File(c.name), flat, Unknown, 100, 0));
        } else {
            WriteScene(c.name, kWidth, kHeight, c.strength);
        }
        Open(photos.File(c.name));
        Get<QLineEdit>(kFocalEdit)->setText("4.5");
        Get<QSlider>(kFineTune)->setValue(60);
        const DibImage before = dialog.Preview().Picture();
        services.messages.clear();
        PressAuto();
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, c.message);
        EXPECT_EQ(services.messages[0].caption, "Auto");
        EXPECT_EQ(services.messages[0].icon, MessageIcon::Information);
        const std::string& explanation = services.messages[0].explanation;
        EXPECT_EQ(explanation.rfind(c.why, 0), 0u) << explanation;
        EXPECT_NE(explanation.find(" The focal length in the box, 4.500 mm (perhaps from the picture before)"),
                  std::string::npos)
            << explanation;
        EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "4.5");
        EXPECT_EQ(Get<QSlider>(kFineTune)->value(), 60);
        EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), before));
        ExpectNoLines();
    }
}

// The window takes events while the estimate runs, and Esc, the close box or
// the window's end during it stop the thread before anything goes.
TEST_F(AutoTest, TheWindowStaysResponsiveAndClosingDuringTheEstimateIsSafe)
{
    WriteScene("large.jpg", 1500, 1000);
    Open(photos.File("large.jpg"));
    QTRY_VERIFY(dialog.Session().Pending() == nullptr);  // read on another thread, first seen reduced
    Get<QLineEdit>(kFocalEdit)->setText("4.5");
    Click(kAuto);
    EXPECT_FALSE(Get(kAuto)->isEnabled());
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    // A command during the estimate is done at once.
    const int zoomStep = CorrectorDlgProbe::ZoomIndex(dialog);
    Click(kZoomIn);
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), zoomStep + 1);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Session().AutoRunning());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Whatever the thread posted before it stopped is dropped.
    QTest::qWait(200);
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "4.5");
    EXPECT_TRUE(services.messages.empty());

    // A window destroyed during the estimate.
    auto other = std::make_unique<CCorrectorDlg>(services);
    other->Initialise();
    other->show();
    other->OpenImageFile(photos.File("large.jpg"));
    Control<QAbstractButton>(*other, kAuto)->click();
    EXPECT_TRUE(other->Session().AutoRunning());
    other.reset();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::qWait(200);
}

// Auto, then Undistort and Save: the bytes fovella-cli writes with the
// focal length and the fine tune the window shows.
TEST_F(AutoTest, SavedAfterAutoIsWhatTheCommandLineWritesWithTheShownSettings)
{
    WriteScene("scene.jpg");
    Open(photos.File("scene.jpg"));
    PressAuto();
    ASSERT_NE(Get<QSlider>(kFineTune)->value(), 50);
    Click(kUndistort);
    test::ScratchDir out;
    for (const char* name : {"window.bmp", "window.jpg"}) {
        services.fileAnswers = {out.File(name)};
        if (FormatOfPath(name) == Jpeg)
            QTimer::singleShot(0, [] {
                Control<QAbstractButton>(*QApplication::activeModalWidget(), kIdOk)->click();
            });
        Click(kSave);
        const std::string extension = GetExtension(name);
        const std::string expected = out.File("cli." + extension);
        CommandLine({"-f", Get<QLineEdit>(kFocalEdit)->text().toStdString(), "--fine-tune",
                     Text(kFineTuneLabel).toStdString(), "-q", "95", photos.File("scene.jpg"), "-o", expected});
        EXPECT_EQ(test::ReadFileBytes(out.File(name)), test::ReadFileBytes(expected)) << name;
    }
    EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace fovella
