// How the user steers the view: the wheel about the cursor, the fit that
// follows the window, the keys, the grid, the space bar and the split view,
// an upright phone photograph, and what the window says of a file it
// cannot open.
#include "tests/ui/CorrectorDlgFixture.h"

#include "codecs/ImageFile.h"
#include "exif/ExifReader.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "session/Zoom.h"
#include "ui/CImageView.h"

#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/QTest>

#include "tests/ui/QtPrinters.h"

#include <cmath>
#include <functional>

namespace fovella {
namespace {

class ViewControlTest : public CorrectorDlgTest {
protected:
    // The window's keys work in the active window; the progress dialog of
    // Undistort took the activation, which a window manager gives back.
    void Activate()
    {
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
};

void Wheel(CImageView& view, QPoint at, int delta)
{
    QWheelEvent event(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &event);
}

// The picture point, in upright pixels at 100 %, under view position `at`.
QPointF PicturePointAt(const CImageView& view, QPoint at, double zoom)
{
    return QPointF(at - view.DrawOrigin()) / zoom;
}

TEST_F(ViewControlTest, TheWheelZoomsOneStepAboutThePointUnderTheCursor)
{
    test::WriteGradientFile(photos.File("a.png"), 900, 700);
    Open(photos.File("a.png"));
    Click(kZoomIn);  // from the fit to 100 %: the picture scrolls
    ASSERT_EQ(Text(kZoomLabel), "100%");
    // Near the top-left and the bottom-right corner, in and out.
    const struct {
        QPoint at;
        int delta;
        const char* label;
    } turns[] = {{{40, 30}, 120, "125%"}, {{40, 30}, 120, "150%"}, {{650, 480}, 15, "200%"},
                 {{650, 480}, -120, "150%"}, {{100, 400}, -1200, "125%"}};
    double zoom = 1.0;
    for (const auto& turn : turns) {
        const QPointF before = PicturePointAt(dialog.View(), turn.at, zoom);
        Wheel(dialog.View(), turn.at, turn.delta);
        ASSERT_EQ(Text(kZoomLabel), turn.label) << turn.at.x();
        zoom = dialog.Session().Zoom();
        const QPointF after = PicturePointAt(dialog.View(), turn.at, zoom);
        // The origin is whole view pixels: the point stays within one.
        EXPECT_LE(std::abs(after.x() - before.x()) * zoom, 1.0) << turn.label;
        EXPECT_LE(std::abs(after.y() - before.y()) * zoom, 1.0) << turn.label;
    }
    EXPECT_TRUE(Get(kFit)->isEnabled());
}

TEST_F(ViewControlTest, AFittedPictureRefitsWhenTheWindowIsResizedAndAZoomedOneStays)
{
    test::WriteGradientFile(photos.File("a.png"), 900, 700);
    Open(photos.File("a.png"));
    const auto fitLabel = [this] {
        const QRect room = dialog.View().GetFullClientRect();
        return QString::number(int(FitRatio(room.width(), room.height(), 900, 700) * 100)) + "%";
    };
    const QString atStart = Text(kZoomLabel);
    for (const QSize size : {QSize(1300, 900), QSize(700, 640)}) {
        dialog.resize(size);
        QApplication::processEvents();
        EXPECT_EQ(Text(kZoomLabel), fitLabel()) << size.width();
        EXPECT_FALSE(Get(kFit)->isEnabled()) << size.width();
        EXPECT_TRUE(dialog.Session().ZoomIsFit());
    }
    EXPECT_NE(Text(kZoomLabel), atStart);

    Click(kZoomOut);
    const QString zoomed = Text(kZoomLabel);
    dialog.resize(1300, 900);
    QApplication::processEvents();
    EXPECT_EQ(Text(kZoomLabel), zoomed);
    EXPECT_TRUE(Get(kFit)->isEnabled());
}

// Each key does what its button does, and nothing while the button is disabled.
TEST_F(ViewControlTest, TheStandardKeysPressTheirButtons)
{
    const auto key = [this](QKeyCombination keys) {
        QTest::keyClick(&dialog, keys.key(), keys.keyboardModifiers());
    };
    key(Qt::CTRL | Qt::Key_S);  // nothing to save yet
    EXPECT_TRUE(services.saveRequests.empty());
    key(Qt::CTRL | Qt::Key_Plus);
    EXPECT_EQ(Text(kZoomLabel), "");

    test::WriteGradientFile(photos.File("a.png"), 900, 700);
    services.fileAnswers = {photos.File("a.png")};
    key(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(services.openRequests.size(), 1u);
    ASSERT_TRUE(dialog.Session().Loaded());
    const QString fitted = Text(kZoomLabel);
    key(Qt::CTRL | Qt::Key_Plus);
    EXPECT_EQ(Text(kZoomLabel), "100%");
    key(Qt::CTRL | Qt::Key_Equal);
    EXPECT_EQ(Text(kZoomLabel), "125%");
    key(Qt::CTRL | Qt::Key_Minus);
    key(Qt::CTRL | Qt::Key_Minus);
    EXPECT_EQ(Text(kZoomLabel), "67%");
    key(Qt::CTRL | Qt::Key_0);
    EXPECT_EQ(Text(kZoomLabel), fitted);
    key(QKeyCombination(Qt::Key_F1));
    EXPECT_EQ(services.helpShown, 1);

    Get<QLineEdit>(kFocalEdit)->setText("5");
    Click(kUndistort);
    Activate();
    key(Qt::CTRL | Qt::Key_S);  // the chooser, cancelled
    EXPECT_EQ(services.saveRequests.size(), 1u);
    // Ctrl+Q asks as Exit does; Cancel stays, No ends.
    services.messageAnswers = {MessageAnswer::Cancel};
    key(Qt::CTRL | Qt::Key_Q);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Undistorted image has not been saved. Would you like to save it?");
    EXPECT_TRUE(dialog.isVisible());
    services.messageAnswers = {MessageAnswer::No};
    key(Qt::CTRL | Qt::Key_Q);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ViewControlTest, TheSliderTakesTheArrowKeysOnlyOnceClicked)
{
    OpenCorrected("a.png");
    auto* slider = Get<QSlider>(kFineTune);
    // After a button's click, Tab and the arrow keys walk the buttons, never onto the slider.
    Click(kUndistort);
    Get(kUndistort)->setFocus();
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(dialog.focusWidget(), i % 2 ? Qt::Key_Tab : Qt::Key_Right);
        ASSERT_NE(dialog.focusWidget(), slider) << i;
    }
    EXPECT_EQ(slider->value(), 50);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() / 2, slider->height() / 2));
    EXPECT_EQ(dialog.focusWidget(), slider);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 51);
    EXPECT_EQ(Text(kFineTuneLabel), "1.08");
}

TEST_F(ViewControlTest, GridTogglesOnBothViewsByTheBoxAndTheKeyOffAtFirst)
{
    QTest::keyClick(&dialog, Qt::Key_G);  // nothing open: nothing to draw over
    EXPECT_FALSE(dialog.View().GridShown());
    OpenCorrected("a.png");
    Activate();
    auto* grid = Get<QAbstractButton>(kGrid);
    EXPECT_EQ(grid->text(), "&Grid");
    EXPECT_FALSE(grid->isChecked());
    // Beside "Show Original", in its row.
    EXPECT_EQ(grid->geometry().left(), Get(kShowOriginal)->geometry().right() + 7);
    const struct {
        std::function<void()> toggle;
        bool shown;
    } steps[] = {{[this] { Click(kGrid); }, true},
                 {[this] { QTest::keyClick(&dialog, Qt::Key_G); }, false},
                 {[this] { QTest::keyClick(&dialog, Qt::Key_G); }, true}};
    for (const auto& step : steps) {
        step.toggle();
        EXPECT_EQ(grid->isChecked(), step.shown);
        EXPECT_EQ(dialog.View().GridShown(), step.shown);
        EXPECT_EQ(dialog.Preview().GridShown(), step.shown);
    }
    // A G typed into the focal length box is text.
    auto* edit = Get<QLineEdit>(kFocalEdit);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_G);
    EXPECT_TRUE(dialog.View().GridShown());
}

TEST_F(ViewControlTest, HoldingTheSpaceBarShowsTheOriginalUntilReleased)
{
    OpenCorrected("a.png");
    const DibImage* source = CorrectorDlgProbe::Source(dialog);
    const DibImage* corrected = CorrectorDlgProbe::Corrected(dialog);
    QWidget* focused = Get(kUndistort);
    focused->setFocus();
    const auto space = [&](QEvent::Type type, bool repeat) {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, " ", repeat);
        QApplication::sendEvent(focused, &event);
    };
    space(QEvent::KeyPress, false);
    EXPECT_EQ(&dialog.View().Picture(), source);
    EXPECT_TRUE(Get<QAbstractButton>(kShowOriginal)->isChecked());
    space(QEvent::KeyRelease, true);  // the key repeating while held
    space(QEvent::KeyPress, true);
    EXPECT_EQ(&dialog.View().Picture(), source);
    space(QEvent::KeyRelease, false);
    EXPECT_EQ(&dialog.View().Picture(), corrected);
    EXPECT_FALSE(Get<QAbstractButton>(kShowOriginal)->isChecked());
    EXPECT_TRUE(services.messages.empty());  // the focused button was not pressed
    EXPECT_EQ(dialog.Session().CorrectedWith().scale, PixelScale(5.f, 64, 48, 1.0));

    // With "Show Original" down, the release goes back to the original.
    Click(kShowOriginal);
    space(QEvent::KeyPress, false);
    space(QEvent::KeyRelease, false);
    EXPECT_EQ(&dialog.View().Picture(), source);
}

TEST_F(ViewControlTest, TheSplitViewIsOfferedWhileThereIsACorrection)
{
    test::WriteGradientFile(photos.File("b.png"), 64, 48);
    QAction& split = dialog.SplitViewEntry();
    EXPECT_TRUE(dialog.SystemMenu().actions().contains(&split));
    EXPECT_TRUE(split.isCheckable());
    EXPECT_FALSE(split.isEnabled());
    OpenCorrected("a.png");
    ASSERT_TRUE(split.isEnabled());
    split.trigger();
    EXPECT_TRUE(split.isChecked());
    ASSERT_TRUE(dialog.View().IsSplit());
    EXPECT_EQ(&dialog.View().Picture(), CorrectorDlgProbe::Corrected(dialog));

    Click(kShowOriginal);  // the original alone, then the split again
    EXPECT_FALSE(dialog.View().IsSplit());
    Click(kShowOriginal);
    EXPECT_TRUE(dialog.View().IsSplit());

    // The next picture has no correction: the entry waits, still checked.
    services.messageAnswers = {MessageAnswer::No};
    Open(photos.File("b.png"));
    EXPECT_FALSE(split.isEnabled());
    EXPECT_TRUE(split.isChecked());
    EXPECT_FALSE(dialog.View().IsSplit());
    Get<QLineEdit>(kFocalEdit)->setText("5");
    Click(kUndistort);
    EXPECT_TRUE(dialog.View().IsSplit());
    split.trigger();
    EXPECT_FALSE(dialog.View().IsSplit());
}

TEST_F(ViewControlTest, TheEmptyViewSaysHowToBegin)
{
    const QImage shown = dialog.View().viewport()->grab().toImage();
    const QRect middle(shown.width() / 4, shown.height() / 2 - 10, shown.width() / 2, 20);
    int light = 0;
    for (int y = middle.top(); y <= middle.bottom(); ++y)
        for (int x = middle.left(); x <= middle.right(); ++x)
            light += qGray(shown.pixel(x, y)) > 0xb0;
    EXPECT_GT(light, 30);  // the hint's letters on the grey
    EXPECT_EQ(shown.pixel(2, 2), CImageView::kBackground);
}

// A phone photograph stored on its side is shown upright in both views and
// fitted upright; what is corrected and saved is the picture as stored.
TEST_F(ViewControlTest, APortraitPhotographIsShownUprightAndSavedAsStored)
{
    FOVELLA_REQUIRE_TESTDATA(data);
    const std::string path = data + "/jpeg/camera/metadata-extractor-images/Samsung_GT-I9000_Galaxy_S.jpg";
    Open(path);
    ASSERT_TRUE(dialog.Session().Loaded());
    EXPECT_EQ(dialog.Session().OrientationTag(), 6);
    EXPECT_EQ(dialog.View().OrientationTag(), 6);
    EXPECT_EQ(dialog.Preview().OrientationTag(), 6);
    EXPECT_EQ(dialog.View().UprightSize(), QSize(480, 640));
    const QRect room = dialog.View().GetFullClientRect();
    EXPECT_EQ(dialog.Session().Zoom(), FitRatio(room.width(), room.height(), 480, 640));
    EXPECT_EQ(dialog.View().ZoomedSize().width() < dialog.View().ZoomedSize().height(), true);
    // The preview reduced to fit upright.
    const QRect previewRoom = dialog.Preview().GetFullClientRect();
    const double previewRatio = FitRatio(previewRoom.width(), previewRoom.height(), 480, 640);
    EXPECT_EQ(dialog.Preview().Picture().Width(), int(640 * previewRatio));

    Click(kUndistort);
    test::ScratchDir out;
    // BMP, which holds nothing but the pixels: the remap of the stored picture.
    services.fileAnswers = {out.File("saved.bmp")};
    Click(kSave);
    ImageFile file;
    DibImage source, corrected;
    ASSERT_TRUE(file.Load(path, source, Unknown, 0));
    ASSERT_TRUE(LensModel().Undistort(source, corrected, dialog.Session().CorrectedWith().scale));
    ASSERT_TRUE(file.Save(out.File("expected.bmp"), corrected, Unknown, 100, 0));
    EXPECT_EQ(test::ReadFileBytes(out.File("saved.bmp")), test::ReadFileBytes(out.File("expected.bmp")));
    // A JPEG keeps the tag, so that it shows upright elsewhere.
    services.fileAnswers = {out.File("saved.jpg")};
    QTimer::singleShot(0, [] { Control<QAbstractButton>(*QApplication::activeModalWidget(), kIdOk)->click(); });
    Click(kSave);
    DibImage saved;
    ASSERT_TRUE(file.Load(out.File("saved.jpg"), saved, Unknown, KeepExif)) << file.Error();
    std::vector<std::uint8_t> block;
    file.GetExifBlock(block);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(ReadExif(block.data(), block.size()).Orientation, 6);
    EXPECT_EQ(saved.Width(), 640);
}

// Pictures the window cannot hold are named for what they are, under the
// window's own message.
TEST_F(ViewControlTest, APngTheWindowCannotHoldIsNamedInTheMessage)
{
    FOVELLA_REQUIRE_TESTDATA(data);
    const struct {
        const char* name;
        const char* reason;
    } files[] = {{"basn2c16.png", "a 16-bit colour PNG, which cannot be held here"},
                 {"basn6a08.png", "an 8-bit colour PNG with transparency, which cannot be held here"},
                 {"basn3p08.png", "a palette PNG, which is not read"},
                 {"basn4a08.png", "an 8-bit grey PNG with transparency, which is not read"}};
    for (const auto& file : files) {
        const std::string path = data + "/png/pngsuite/" + file.name;
        services.messages.clear();
        Open(path);
        ASSERT_EQ(services.messages.size(), 1u) << file.name;
        EXPECT_EQ(services.messages[0].text, "Opening file failed!\n'" + path + "': " + file.reason);
        EXPECT_FALSE(dialog.Session().Loaded());
    }
}

}  // namespace
}  // namespace fovella
