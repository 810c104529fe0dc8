// A photograph large for the view: shown at once from its reduced decode,
// current once read, and every command on it waiting for it; the window
// closed or another file opened meanwhile without harm.
#include "tests/ui/CorrectorDlgFixture.h"

#include "ui/CImageView.h"
#include "session/Zoom.h"

#include <QtTest/QTest>

#include "tests/ui/QtPrinters.h"

namespace fovella {
namespace {

class OpenWhileReadingTest : public CorrectorDlgTest {
protected:
    // 3001 x 2001 fits the view at about a quarter: its first look is
    // decoded at a quarter, 751 x 501.
    void SetUp() override
    {
        CorrectorDlgTest::SetUp();
        large = test::WriteGradientFile(photos.File("large.jpg"), 3001, 2001, test::ExifWithFocal(18, 1));
    }
    bool Reading() const { return dialog.Session().Pending() != nullptr; }
    double Fit()
    {
        const QRect room = dialog.View().GetFullClientRect();
        return FitRatio(room.width(), room.height(), 3001, 2001);
    }

    DibImage large;
};

TEST_F(OpenWhileReadingTest, FirstShowsTheReducedPictureAtFitAndAZoomWaitsForTheWhole)
{
    Open(photos.File("large.jpg"));
    ASSERT_TRUE(Reading());
    EXPECT_EQ(dialog.View().Picture().Width(), 751);
    EXPECT_EQ(dialog.View().Picture().Height(), 501);
    // Fitted: as wide or as high as the room.
    const QRect room = dialog.View().GetFullClientRect();
    const QSize shown = dialog.View().ZoomedSize();
    EXPECT_TRUE(shown.width() <= room.width() && shown.height() <= room.height()) << shown.width();
    EXPECT_TRUE(shown.width() >= room.width() - 1 || shown.height() >= room.height() - 1) << shown.height();
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("large.jpg") + " - Fovella");
    EXPECT_EQ(Text(kZoomLabel), QString::number(int(Fit() * 100)) + "%");
    for (int id : {kUndistort, kUndistortDir, kZoomIn, kZoomOut, kFineTune})
        EXPECT_TRUE(Get(id)->isEnabled()) << id;
    for (int id : {kSave, kShowOriginal, kFit, kUseExif})
        EXPECT_FALSE(Get(id)->isEnabled()) << id;

    // "+" before the reading is done: the whole picture, one step above the fit.
    Click(kZoomIn);
    EXPECT_FALSE(Reading());
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), large));
    const int step = kZoomStepsPercent[std::size_t(NearestZoomStep(Fit()) + 1)];
    EXPECT_EQ(Text(kZoomLabel), QString::number(step) + "%");
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "18.000");
    EXPECT_TRUE(Get(kUseExif)->isEnabled());
}

TEST_F(OpenWhileReadingTest, OnceReadThePictureIsFittedAndPreviewedAsAnyOpenedOne)
{
    Open(photos.File("large.jpg"));
    ASSERT_TRUE(Reading());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Reading(); }, 10000));
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), large));
    EXPECT_EQ(Text(kZoomLabel), QString::number(int(Fit() * 100)) + "%");
    EXPECT_FALSE(Get(kFit)->isEnabled());

    // The preview that stays is the one of the whole picture.
    CorrectorSession plain;
    ASSERT_TRUE(plain.Open(photos.File("large.jpg")));
    const QRect room = dialog.Preview().GetFullClientRect();
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), *plain.Preview(room.width(), room.height())));

    // Undistort then corrects it as it would any picture.
    Click(kUndistort);
    ASSERT_TRUE(plain.Undistort());
    ASSERT_NE(dialog.Session().Corrected(), nullptr);
    EXPECT_TRUE(SamePixels(*dialog.Session().Corrected(), *plain.Corrected()));
}

TEST_F(OpenWhileReadingTest, AFileBrokenWhileItIsReadLeavesThePictureBefore)
{
    const DibImage before = test::WriteGradientFile(photos.File("before.png"), 64, 48);
    Open(photos.File("before.png"));
    Open(photos.File("large.jpg"));
    ASSERT_TRUE(Reading());
    test::WriteFileBytes(photos.File("large.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 0, 0});
    Click(kZoomOut);  // waits for the reading, which fails, then zooms the picture before
    EXPECT_FALSE(Reading());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.rfind("Opening file failed!", 0), 0u) << services.messages[0].text;
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("before.png") + " - Fovella");
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), before));
}

TEST_F(OpenWhileReadingTest, AnotherOpenOrClosingTheWindowWhileReadingIsSafe)
{
    const DibImage small = test::WriteGradientFile(photos.File("small.png"), 64, 48);
    Open(photos.File("large.jpg"));
    ASSERT_TRUE(Reading());
    dialog.OpenFromOutside(photos.File("small.png"));
    EXPECT_FALSE(Reading());
    EXPECT_TRUE(SamePixels(dialog.View().Picture(), small));
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("small.png") + " - Fovella");

    for (int round = 0; round < 3; ++round) {
        auto* window = new CCorrectorDlg(services);
        window->Initialise();
        window->show();
        window->OpenFromOutside(photos.File("large.jpg"));
        ASSERT_NE(window->Session().Pending(), nullptr);
        if (round == 1)
            QApplication::processEvents();
        delete window;  // its reading thread is waited for; its notice never arrives
        QApplication::processEvents();
    }
    EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace fovella
