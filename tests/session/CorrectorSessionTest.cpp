// The window's commands on real files, without a window: what each one
// changes in the session and what it refuses.
#include "session/CorrectorSession.h"

#include "codecs/ImageFile.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "metadata/CorrectionMark.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace fovella {

namespace {

class SessionTest : public testing::Test {
protected:
    test::ScratchDir photos;
    CorrectorSession session;
};

TEST_F(SessionTest, OpenTakesThePictureAndItsExifFocalOrKeepsEverythingWhenItFails)
{
    test::WriteFileBytes(photos.File("broken.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'});
    const DibImage jpeg = test::WriteGradientFile(photos.File("a.jpg"), 40, 30, test::ExifWithFocal(18, 1));
    const DibImage png = test::WriteGradientFile(photos.File("b.png"), 31, 20);
    struct Case {
        const char* name;
        const DibImage* picture;  // null: the open fails
        FocalSource source;
        const char* focalText;
    };
    // The typed "7" survives a picture with EXIF only in the text it replaced.
    const Case cases[] = {
        {"a.jpg", &jpeg, FocalSource::Exif, "18.000"},
        {"b.png", &png, FocalSource::Typed, "18.000"},
        {"missing.png", nullptr, FocalSource::Typed, "7"},
        {"broken.jpg", nullptr, FocalSource::Typed, "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.picture)
            session.SetFocalText("7");
        const std::shared_ptr<DibImage> before = session.Source();
        const SessionOutcome opened = session.Open(photos.File(c.name));
        if (c.picture) {
            ASSERT_TRUE(opened) << opened.reason;
            EXPECT_TRUE(SamePixels(*session.Source(), *c.picture));
            EXPECT_EQ(session.Path().str(), photos.File(c.name));
            EXPECT_TRUE(session.ShowsOriginal());
        } else {
            EXPECT_EQ(opened.code, SessionOutcome::OpenFailed);
            EXPECT_NE(opened.reason.find(c.name), std::string::npos) << opened.reason;
            EXPECT_EQ(session.Source(), before);
            EXPECT_EQ(session.Path().str(), photos.File("b.png"));
        }
        EXPECT_EQ(session.GetFocalSource(), c.source);
        EXPECT_EQ(session.FocalText(), c.focalText);
        EXPECT_EQ(session.ExifFocal().has_value(), c.source == FocalSource::Exif);
        EXPECT_FALSE(session.IsCorrected());
    }
}

TEST_F(SessionTest, PreviousAndNextWalkTheImageFilesOfTheListingWithoutWrapping)
{
    // Listed by name: a.jpg, an.txt, b.png, d.JPG, e.tif; three are image files.
    for (const char* name : {"a.jpg", "b.png", "d.JPG"})
        test::WriteGradientFile(photos.File(name), 8, 6);
    test::WriteFileBytes(photos.File("an.txt"), {'n', 'o'});
    test::WriteFileBytes(photos.File("e.tif"), {'n', 'o'});
    enum Step { Previous, Next };
    const struct {
        Step step;
        SessionOutcome::Code code;
        const char* open;
        bool hasPrevious, hasNext;
    } walk[] = {
        {Previous, SessionOutcome::Done, "a.jpg", false, true},
        // A step past an end, which the disabled arrow never asks for, opens
        // nothing and leaves both arrows off.
        {Previous, SessionOutcome::Unchanged, "a.jpg", false, false},
        {Next, SessionOutcome::Done, "b.png", true, true},
        {Next, SessionOutcome::Done, "d.JPG", true, false},
        {Next, SessionOutcome::Unchanged, "d.JPG", false, false},
    };
    ASSERT_TRUE(session.OpenInFolder(photos.File("b.png")));
    EXPECT_TRUE(session.HasPrevious());
    EXPECT_TRUE(session.HasNext());
    for (const auto& s : walk) {
        const SessionOutcome moved = s.step == Previous ? session.Previous() : session.Next();
        EXPECT_EQ(moved.code, s.code) << s.open;
        EXPECT_EQ(session.Path().str(), photos.File(s.open));
        EXPECT_EQ(session.HasPrevious(), s.hasPrevious) << s.open;
        EXPECT_EQ(session.HasNext(), s.hasNext) << s.open;
    }
    // A failed open still takes the arrows from the folder of the open picture.
    EXPECT_EQ(session.OpenInFolder(photos.File("an.txt")).code, SessionOutcome::OpenFailed);
    EXPECT_EQ(session.Path().str(), photos.File("d.JPG"));
    EXPECT_TRUE(session.HasPrevious());
    EXPECT_FALSE(session.HasNext());
}

TEST_F(SessionTest, UndistortRefusesWhatTheRemapCannotTakeAndKeepsTheCorrectionBefore)
{
    const DibImage source = test::WriteGradientFile(photos.File("a.bmp"), 41, 30);
    ASSERT_TRUE(session.Open(photos.File("a.bmp")));
    EXPECT_EQ(session.Undistort().code, SessionOutcome::FocalNotPositive);  // nothing typed
    session.SetFocalText("5");
    session.SetFineTunePosition(60);
    ASSERT_TRUE(session.Undistort());
    DibImage expected;
    const double scale = PixelScale(5.f, 41, 30, FineTuneFactor(60));
    ASSERT_TRUE(LensModel().Undistort(source, expected, scale));
    EXPECT_TRUE(SamePixels(*session.Corrected(), expected));
    EXPECT_EQ(session.CorrectedWith().scale, scale);
    EXPECT_EQ(session.CorrectedWith().fineTunePosition, 60);
    EXPECT_TRUE(session.Unsaved());
    EXPECT_FALSE(session.ShowsOriginal());
    EXPECT_EQ(session.Shown(), session.Corrected());

    const std::shared_ptr<DibImage> correction = session.Corrected();
    const std::pair<const char*, SessionOutcome::Code> refusals[] = {
        {"abc", SessionOutcome::FocalNotPositive}, {"-2", SessionOutcome::FocalNotPositive},
        {"inf", SessionOutcome::FocalNotFinite}};
    for (const auto& [text, code] : refusals) {
        session.SetFocalText(text);
        EXPECT_EQ(session.CheckUndistort().code, code) << text;
        EXPECT_EQ(session.Undistort().code, code) << text;
        EXPECT_EQ(session.Corrected(), correction) << text;
    }
    // Opening the picture again drops its correction: nothing is left to lose.
    ASSERT_TRUE(session.Open(photos.File("a.bmp")));
    EXPECT_FALSE(session.IsCorrected());
    EXPECT_FALSE(session.Unsaved());
}

TEST_F(SessionTest, SaveWritesTheCommandLinesBytesAndStaysUnsavedWhenItFails)
{
    test::ScratchDir out;
    const std::vector<std::uint8_t> exif = test::ExifWithFocal(18, 1);
    test::WriteGradientFile(photos.File("a.jpg"), 40, 30, exif, 3);
    ASSERT_TRUE(session.Open(photos.File("a.jpg")));
    ASSERT_TRUE(session.Undistort());
    ImageFile file;
    DibImage source, corrected;
    ASSERT_TRUE(file.Load(photos.File("a.jpg"), source, Unknown, KeepExif));
    ASSERT_TRUE(LensModel().Undistort(source, corrected, PixelScale(18.f, 40, 30, 1.0)));

    const std::pair<const char*, SessionOutcome::Code> cases[] = {
        {"out.gif", SessionOutcome::WrongExtension}, {"missing/out.png", SessionOutcome::SaveFailed},
        {"out.bmp", SessionOutcome::Done},           {"out.JPG", SessionOutcome::Done},
    };
    for (const auto& [name, code] : cases) {
        SCOPED_TRACE(name);
        const bool unsavedBefore = session.Unsaved();
        EXPECT_EQ(session.Save(out.File(name), 80).code, code);
        if (code != SessionOutcome::Done) {
            EXPECT_EQ(session.Unsaved(), unsavedBefore);
            continue;
        }
        EXPECT_FALSE(session.Unsaved());
        // The source's EXIF block and the mark of the correction's scale.
        PhotoMetadata marked;
        marked.exif = exif;
        file.SetMetadata(MarkedAsCorrected(marked, PixelScale(18.f, 40, 30, 1.0)));
        ASSERT_TRUE(file.Save(out.File(std::string("expected-") + name), corrected, Unknown, 80, 1));
        EXPECT_EQ(test::ReadFileBytes(out.File(name)), test::ReadFileBytes(out.File(std::string("expected-") + name)));
    }
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"expected-out.JPG", "expected-out.bmp", "out.JPG", "out.bmp"}));
    EXPECT_EQ(session.Corrected()->GetPixelType(), Bgr);  // as the view draws it
}

TEST_F(SessionTest, ZoomStepsFromTheFitAndStaysWhereTheViewRefuses)
{
    // A view that shows at most 300 %; the calls it got, as new and old zoom.
    std::vector<std::pair<double, double>> shown;
    const CorrectorSession::ShowAtZoom view = [&](double newZoom, double oldZoom) {
        shown.emplace_back(newZoom, oldZoom);
        return newZoom <= 3.0;
    };
    EXPECT_EQ(session.Fit(730, 500, view).code, SessionOutcome::Unchanged);  // nothing open
    EXPECT_FALSE(session.CanZoomIn());

    test::WriteGradientFile(photos.File("wide.png"), 1598, 300);
    ASSERT_TRUE(session.Open(photos.File("wide.png")));
    ASSERT_TRUE(session.Fit(730, 500, view));
    EXPECT_EQ(session.Zoom(), 730.0 / 1598);
    EXPECT_EQ(session.ZoomIndex(), 11);  // 50 %, the nearest step
    EXPECT_FALSE(session.FitDiffers(730, 500));
    EXPECT_TRUE(session.FitDiffers(731, 500));

    ASSERT_TRUE(session.StepZoom(+1, view));
    EXPECT_EQ(session.Zoom(), 0.67);
    EXPECT_EQ(shown.back(), std::make_pair(0.67, 730.0 / 1598));
    EXPECT_EQ(session.SetZoom(0.67, false, view).code, SessionOutcome::Unchanged);
    while (session.Zoom() < 3.0)
        ASSERT_TRUE(session.StepZoom(+1, view));
    EXPECT_EQ(session.ZoomIndex(), 17);
    EXPECT_EQ(session.StepZoom(+1, view).code, SessionOutcome::TooLargeToShow);
    EXPECT_EQ(session.ZoomIndex(), 17);
    EXPECT_EQ(session.Zoom(), 3.0);
    while (session.CanZoomOut())
        ASSERT_TRUE(session.StepZoom(-1, view));
    EXPECT_EQ(session.Zoom(), 0.01);
    EXPECT_EQ(session.StepZoom(-1, view).code, SessionOutcome::Unchanged);
    EXPECT_EQ(session.ZoomIndex(), 0);
}

// An EXIF block whose one directory holds the orientation `tag`.
std::vector<std::uint8_t> ExifWithOrientation(std::uint8_t tag)
{
    return {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,  // header, directory at 8
            1,   0,   0x12, 0x01, 3, 0, 1, 0, 0, 0, tag, 0, 0, 0,    // Orientation, one SHORT
            0,   0,   0,   0};                                       // no next directory
}

// A picture stored on its side is fitted, and previewed, as it is seen
// upright; it is corrected as stored.
TEST_F(SessionTest, OrientationTurnsTheFitAndThePreviewNeverThePicture)
{
    const CorrectorSession::ShowAtZoom view = [](double, double) { return true; };
    const struct {
        std::uint8_t tag;
        int expected;
        double fit;  // of 120 x 40 stored into 400 x 300
    } cases[] = {{6, 6, 300.0 / 120}, {8, 8, 300.0 / 120}, {3, 3, 400.0 / 120}, {0, 1, 400.0 / 120},
                 {9, 1, 400.0 / 120}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.tag));
        const DibImage stored = test::WriteGradientFile(photos.File("side.jpg"), 120, 40, ExifWithOrientation(c.tag));
        ASSERT_TRUE(session.Open(photos.File("side.jpg")));
        EXPECT_EQ(session.OrientationTag(), c.expected);
        EXPECT_TRUE(SamePixels(*session.Source(), stored));
        ASSERT_TRUE(session.Fit(400, 300, view));
        EXPECT_EQ(session.Zoom(), c.fit);
        const std::shared_ptr<DibImage> preview = session.Preview(400, 300);
        EXPECT_EQ(preview->Width(), int(120 * c.fit));
        EXPECT_EQ(preview->Height(), int(40 * c.fit));
    }
    // A file without a block is upright as stored.
    test::WriteGradientFile(photos.File("plain.png"), 12, 8);
    ASSERT_TRUE(session.Open(photos.File("plain.png")));
    EXPECT_EQ(session.OrientationTag(), 1);
}

// The zoom is "fit" from a fit to the next step; a refused step keeps it.
TEST_F(SessionTest, TheFitLastsUntilAStepIsTaken)
{
    const CorrectorSession::ShowAtZoom upTo100 = [](double newZoom, double) { return newZoom <= 1.0; };
    test::WriteGradientFile(photos.File("a.png"), 1000, 1000);
    ASSERT_TRUE(session.Open(photos.File("a.png")));
    EXPECT_FALSE(session.ZoomIsFit());
    ASSERT_TRUE(session.Fit(995, 995, upTo100));
    EXPECT_TRUE(session.ZoomIsFit());
    EXPECT_EQ(session.ZoomIndex(), 13);  // 100 %
    EXPECT_EQ(session.StepZoom(+1, upTo100).code, SessionOutcome::TooLargeToShow);
    EXPECT_TRUE(session.ZoomIsFit());
    ASSERT_TRUE(session.StepZoom(-1, upTo100));
    EXPECT_FALSE(session.ZoomIsFit());
    ASSERT_TRUE(session.SetZoom(0.5, true, upTo100));  // the same zoom shown again
    EXPECT_FALSE(session.ZoomIsFit());
    ASSERT_TRUE(session.Fit(500, 500, upTo100));
    EXPECT_TRUE(session.ZoomIsFit());
}

// The split view is a setting; it shows only with a correction to compare
// and while the original is not asked for.
TEST_F(SessionTest, TheSplitViewShowsOnlyWithACorrectionAndNotOverTheOriginal)
{
    test::WriteGradientFile(photos.File("a.png"), 40, 30);
    session.SetSplitView(true);
    EXPECT_FALSE(session.SplitShown());
    ASSERT_TRUE(session.Open(photos.File("a.png")));
    session.SetFocalText("5");
    EXPECT_FALSE(session.SplitShown());
    ASSERT_TRUE(session.Undistort());
    EXPECT_TRUE(session.SplitShown());
    session.SetShowOriginal(true);
    EXPECT_FALSE(session.SplitShown());
    session.SetShowOriginal(false);
    session.SetSplitView(false);
    EXPECT_FALSE(session.SplitShown());
    EXPECT_FALSE(session.GridShown());  // a setting of its own, off at first
}

}  // namespace
}  // namespace fovella
