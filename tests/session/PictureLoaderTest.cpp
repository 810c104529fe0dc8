// Pictures prepared ahead and first looks: whatever the window read in the
// background, the session ends with the very picture, EXIF block and
// results of a plain open; files changed or broken meanwhile are read afresh.
#include "session/CorrectorSession.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace fovella {

namespace {

class PreparedOpenTest : public testing::Test {
protected:
    // What `session` shows and computes is what a fresh session that opened
    // `name` plainly shows and computes: pixels, EXIF, focal length, the
    // correction and the bytes of its saved file.
    void ExpectAsPlainOpen(CorrectorSession& session, const std::string& name)
    {
        SCOPED_TRACE(name);
        CorrectorSession plain;
        ASSERT_TRUE(plain.Open(photos.File(name)));
        ASSERT_TRUE(session.Loaded());
        EXPECT_EQ(session.Path().str(), photos.File(name));
        EXPECT_TRUE(SamePixels(*session.Source(), *plain.Source()));
        EXPECT_EQ(session.ExifBlock(), plain.ExifBlock());
        EXPECT_EQ(session.ExifFocal(), plain.ExifFocal());
        if (plain.ExifFocal()) {  // else the text typed before stays
            EXPECT_EQ(session.FocalText(), plain.FocalText());
        }
        EXPECT_EQ(session.FolderRun().width, plain.FolderRun().width);
        for (CorrectorSession* each : {&session, &plain}) {
            each->SetFocalSource(FocalSource::Typed);
            each->SetFocalText("6.5");
            ASSERT_TRUE(each->Undistort());
        }
        EXPECT_TRUE(SamePixels(*session.Corrected(), *plain.Corrected()));
        ASSERT_TRUE(session.Save(results.File("prepared.jpg"), 90));
        ASSERT_TRUE(plain.Save(results.File("plain.jpg"), 90));
        EXPECT_EQ(test::ReadFileBytes(results.File("prepared.jpg")), test::ReadFileBytes(results.File("plain.jpg")));
    }

    test::ScratchDir photos, results;
};

TEST_F(PreparedOpenTest, NeighboursPreparedAheadAreThePicturesAPlainOpenReads)
{
    test::WriteGradientFile(photos.File("a.jpg"), 41, 30, test::ExifWithFocal(18, 1), 1);
    test::WriteGradientFile(photos.File("b.jpg"), 37, 29, test::ExifWithFocal(24, 1), 2);
    test::WriteGradientFile(photos.File("c.png"), 33, 21, {}, 3);
    CorrectorSession session;
    ASSERT_TRUE(session.OpenInFolder(photos.File("a.jpg")));
    session.Loader().WaitIdle();
    EXPECT_TRUE(session.Loader().Ready(photos.File("b.jpg")));
    EXPECT_FALSE(session.Loader().Ready(photos.File("c.png")));  // two away

    ASSERT_TRUE(session.Next());
    ExpectAsPlainOpen(session, "b.jpg");
    session.Loader().WaitIdle();
    // The picture left behind is kept as the previous one.
    EXPECT_TRUE(session.Loader().Ready(photos.File("a.jpg")));
    EXPECT_TRUE(session.Loader().Ready(photos.File("c.png")));
    ASSERT_TRUE(session.Next());
    ExpectAsPlainOpen(session, "c.png");
    ASSERT_TRUE(session.Previous());
    ExpectAsPlainOpen(session, "b.jpg");
    ASSERT_TRUE(session.Previous());
    ExpectAsPlainOpen(session, "a.jpg");
    EXPECT_FALSE(session.HasPrevious());
}

TEST_F(PreparedOpenTest, AChangedNeighbourIsReadAfreshAndABrokenOneFailsAsWhenNotPrepared)
{
    test::WriteGradientFile(photos.File("a.jpg"), 20, 10, {}, 1);
    test::WriteGradientFile(photos.File("b.jpg"), 20, 10, {}, 2);
    test::WriteFileBytes(photos.File("c.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'});
    CorrectorSession session;
    ASSERT_TRUE(session.OpenInFolder(photos.File("a.jpg")));
    session.Loader().WaitIdle();
    ASSERT_TRUE(session.Loader().Ready(photos.File("b.jpg")));
    // Rewritten after it was prepared: another size, other pixels.
    test::WriteGradientFile(photos.File("b.jpg"), 26, 12, test::ExifWithFocal(35, 1), 7);
    ASSERT_TRUE(session.Next());
    ExpectAsPlainOpen(session, "b.jpg");
    EXPECT_EQ(session.Source()->Width(), 26);

    session.Loader().WaitIdle();
    const std::shared_ptr<DibImage> before = session.Source();
    const SessionOutcome broken = session.Next();
    EXPECT_EQ(broken.code, SessionOutcome::OpenFailed);
    EXPECT_NE(broken.reason.find("c.jpg"), std::string::npos) << broken.reason;
    EXPECT_EQ(session.Source(), before);
    EXPECT_EQ(session.Path().str(), photos.File("b.jpg"));
}

// A JPEG the view's room shows at half its size or less is first seen
// decoded reduced, by the largest factor that still fills the fit.
struct FirstLookCase {
    int roomWidth, roomHeight;
    int factor;  // 1: read whole at once
};

class FirstLookTest : public PreparedOpenTest, public testing::WithParamInterface<FirstLookCase> {};

TEST_P(FirstLookTest, ShowsTheReducedPictureThenTheWholeAsAPlainOpen)
{
    const FirstLookCase c = GetParam();
    test::WriteGradientFile(photos.File("old.png"), 30, 20);
    test::WriteGradientFile(photos.File("x.jpg"), 803, 601, test::ExifWithFocal(18, 1));
    CorrectorSession session;
    ASSERT_TRUE(session.Open(photos.File("old.png")));
    std::atomic<int> notices{0};
    session.SetReadNotice([&notices] { ++notices; });
    session.SetRoom(c.roomWidth, c.roomHeight);

    const SessionOutcome opened = session.OpenInFolder(photos.File("x.jpg"));
    if (c.factor == 1) {
        ASSERT_TRUE(opened) << opened.reason;
        EXPECT_EQ(session.Pending(), nullptr);
    } else {
        ASSERT_EQ(opened.code, SessionOutcome::Loading);
        const PendingOpen* pending = session.Pending();
        ASSERT_NE(pending, nullptr);
        EXPECT_EQ(pending->glimpse->Width(), (803 + c.factor - 1) / c.factor);
        EXPECT_EQ(pending->glimpse->Height(), (601 + c.factor - 1) / c.factor);
        EXPECT_EQ(pending->fullWidth, 803);
        EXPECT_EQ(pending->fullHeight, 601);
        // The picture before stays current, its preview replaced by the first look's.
        EXPECT_EQ(session.Path().str(), photos.File("old.png"));
        EXPECT_EQ(session.Source()->Width(), 30);
        DibImage firstLookReduced;  // no focal length typed: the preview is not corrected
        pending->glimpse->ScaleBy(FitRatio(100, 100, pending->glimpse->Width(), pending->glimpse->Height()),
                                  firstLookReduced);
        EXPECT_TRUE(SamePixels(*session.Preview(100, 100), firstLookReduced));
        ASSERT_TRUE(session.FinishOpen());
        EXPECT_EQ(session.Pending(), nullptr);
        EXPECT_GE(notices.load(), 1);
        EXPECT_FALSE(session.HasNext());
        EXPECT_TRUE(session.HasPrevious());  // old.png, set once x.jpg was current
    }
    session.SetReadNotice(nullptr);
    ExpectAsPlainOpen(session, "x.jpg");
}

// 803 x 601 fits 100 x 75 at 0.1245 (an eighth fills it), 200 x 150 at
// 0.2490 (a quarter), 401 x 300 at 0.4988 (a half), 402 x 301 at 0.5006.
INSTANTIATE_TEST_SUITE_P(Rooms, FirstLookTest,
                         testing::Values(FirstLookCase{100, 75, 8}, FirstLookCase{200, 150, 4},
                                         FirstLookCase{401, 300, 2}, FirstLookCase{402, 301, 1},
                                         FirstLookCase{0, 0, 1}));

TEST_F(PreparedOpenTest, AFileBrokenWhileItIsReadLeavesThePictureBeforeAndItsCorrection)
{
    test::WriteGradientFile(photos.File("old.png"), 30, 20);
    test::WriteGradientFile(photos.File("x.jpg"), 803, 601);
    CorrectorSession session;
    ASSERT_TRUE(session.Open(photos.File("old.png")));
    session.SetFocalText("5");
    ASSERT_TRUE(session.Undistort());
    const std::shared_ptr<DibImage> corrected = session.Corrected();
    session.SetRoom(100, 75);
    ASSERT_EQ(session.Open(photos.File("x.jpg")).code, SessionOutcome::Loading);
    // Whether the reading saw the old bytes or these, the file now is broken.
    test::WriteFileBytes(photos.File("x.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 0, 0});
    const SessionOutcome finished = session.FinishOpen();
    EXPECT_EQ(finished.code, SessionOutcome::OpenFailed);
    EXPECT_NE(finished.reason.find("x.jpg"), std::string::npos) << finished.reason;
    EXPECT_EQ(session.Path().str(), photos.File("old.png"));
    EXPECT_EQ(session.Corrected(), corrected);
    EXPECT_EQ(session.FinishOpen().code, SessionOutcome::Unchanged);
}

TEST_F(PreparedOpenTest, AnotherOpenOrTheSessionsEndWhileAPictureIsReadIsSafe)
{
    test::WriteGradientFile(photos.File("small.png"), 30, 20, {}, 4);
    test::WriteGradientFile(photos.File("x.jpg"), 1603, 1201);
    for (int round = 0; round < 3; ++round) {
        auto session = std::make_unique<CorrectorSession>();
        session->SetRoom(100, 75);
        session->SetReadNotice([] {});
        ASSERT_EQ(session->OpenInFolder(photos.File("x.jpg")).code, SessionOutcome::Loading);
        if (round == 0)
            continue;  // ends while reading
        // Replaced by another open: the pending one is dropped.
        ASSERT_TRUE(session->OpenInFolder(photos.File("small.png")));
        EXPECT_EQ(session->Pending(), nullptr);
        EXPECT_EQ(session->FinishOpen().code, SessionOutcome::Unchanged);
        if (round == 2)
            ExpectAsPlainOpen(*session, "small.png");
    }
}

}  // namespace
}  // namespace fovella
