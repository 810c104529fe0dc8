#include "ui/ImageViewLayout.h"

#include <gtest/gtest.h>

#include <iterator>
#include <utility>

namespace fovella {
namespace {

constexpr int kBar = 17;

ImageViewLayout Fresh(int w, int h, int cw, int ch)
{
    return LayOutImageView(w, h, cw, ch, ImageViewState{}, 1.0, 1.0, true, kBar);
}

// A fresh layout of a picture in a 400 x 300 view; kAny where a case does
// not pin a value down.
constexpr int kAny = -99999;

TEST(ImageViewLayout, FreshLayoutsTakeTheBarsTheyNeedAndCentre)
{
    const struct {
        const char* what;
        int width, height;
        bool fitsX, fitsY;
        int areaWidth, areaHeight, originX, originY, scrollX;
    } cases[] = {
        {"smaller: centred without bars", 100, 60, true, true, 400, kAny, 150, 120, kAny},
        {"exactly as large: no bar", 400, 300, true, true, kAny, kAny, 0, kAny, kAny},
        // Scrolled to the start, a layout centres it: (1000 - 400) / 2.
        {"wider: a bar across, centred down", 1000, 200, false, true, kAny, 300 - kBar, -300, (300 - kBar - 200) / 2,
         300},
        // 290 rows fit 300 but not 300 - 17: both bars.
        {"the bar across pushes the height over", 1000, 290, false, false, 400 - kBar, 300 - kBar, kAny, kAny, kAny},
        {"the bar down pushes the width over", 395, 1000, false, false, kAny, 300 - kBar, kAny, kAny, kAny},
        {"higher: only a bar down", 200, 1000, true, false, 400 - kBar, kAny, (400 - kBar - 200) / 2, kAny, kAny},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ImageViewLayout layout = Fresh(c.width, c.height, 400, 300);
        EXPECT_EQ(layout.state.fitsX, c.fitsX);
        EXPECT_EQ(layout.state.fitsY, c.fitsY);
        const std::pair<int, int> values[] = {{layout.areaWidth, c.areaWidth},
                                              {layout.areaHeight, c.areaHeight},
                                              {layout.originX, c.originX},
                                              {layout.originY, c.originY},
                                              {layout.state.scrollX, c.scrollX}};
        for (std::size_t i = 0; i < std::size(values); ++i)
            if (values[i].second != kAny) {
                EXPECT_EQ(values[i].first, values[i].second) << "value " << i;
            }
    }
}

TEST(ImageViewLayout, ZoomKeepsTheCentrePoint)
{
    // 800 wide in a 400-wide view, scrolled to the middle (200): the centre
    // shows image column 400. At twice the zoom that column is 800, and the
    // layout puts it in the middle again: 800 - 200 = 600.
    ImageViewState scrolled{false, true, 200, 0};
    const ImageViewLayout layout = LayOutImageView(1600, 200, 400, 300 - kBar, scrolled, 2.0, 1.0, false, kBar);
    EXPECT_EQ(layout.state.scrollX, 600);
    EXPECT_EQ(layout.originX, -600);
    // Past the end it is clamped to image - area.
    scrolled.scrollX = 700;  // (200 + 700) * 2 - 200 = 1600
    EXPECT_EQ(LayOutImageView(1600, 200, 400, 300 - kBar, scrolled, 2.0, 1.0, false, kBar).state.scrollX, 1200);
}

TEST(ImageViewLayout, EnlargedViewDropsTheBarsAndCentres)
{
    const ImageViewState barred{false, false, 120, 80};
    const ImageViewLayout layout = LayOutImageView(500, 400, 700 - kBar, 600 - kBar, barred, 1.0, 1.0, false, kBar);
    EXPECT_TRUE(layout.state.fitsX);
    EXPECT_TRUE(layout.state.fitsY);
    EXPECT_EQ(layout.areaWidth, 700);
    EXPECT_EQ(layout.originX, 100);
    EXPECT_EQ(layout.state.scrollX, 0);
}

TEST(ScrollPosition, LinesEndsPagesAndThumbAreClamped)
{
    EXPECT_EQ(ScrollPosition(10, kLineBack, 0, 1000, 400), 9);
    EXPECT_EQ(ScrollPosition(10, kToStart, 0, 1000, 400), 9);
    EXPECT_EQ(ScrollPosition(10, kToEnd, 0, 1000, 400), 11);
    EXPECT_EQ(ScrollPosition(10, kPageForward, 0, 1000, 400), 30);
    EXPECT_EQ(ScrollPosition(10, kPageBack, 0, 1000, 400), 0);
    EXPECT_EQ(ScrollPosition(10, kThumbTrack, 900, 1000, 400), 600);
    EXPECT_EQ(ScrollPosition(10, 8, 900, 1000, 400), 10);
}

struct KeptPoint {
    int cursor, oldOrigin;
    double newZoom, oldZoom;
    int image, area, scroll;
};

class ScrollKeepingPointCases : public testing::TestWithParam<KeptPoint> {};

TEST_P(ScrollKeepingPointCases, KeepsThePictureUnderTheCursor)
{
    const KeptPoint c = GetParam();
    EXPECT_EQ(ScrollKeepingPoint(c.cursor, c.oldOrigin, c.newZoom, c.oldZoom, c.image, c.area), c.scroll);
}

// Worked by hand: the picture point (cursor - oldOrigin) / oldZoom, times
// newZoom, less the cursor.
INSTANTIATE_TEST_SUITE_P(
    ByHand, ScrollKeepingPointCases,
    testing::Values(KeptPoint{100, -200, 2.0, 1.0, 2000, 400, 500},   // point 300 -> 600
                    KeptPoint{0, -200, 2.0, 1.0, 2000, 400, 400},     // the left edge keeps its point
                    KeptPoint{150, 50, 1.0, 0.5, 1000, 400, 50},      // from a centred picture: point 200
                    KeptPoint{1, 0, 1.5, 1.0, 1500, 400, 1},          // 0.5 rounds up
                    KeptPoint{399, -200, 0.5, 1.0, 500, 400, 0},      // 299.5 - 399: clamped to the start
                    KeptPoint{399, -601, 2.0, 1.0, 2000, 400, 1600},  // 1601: clamped to image - area
                    KeptPoint{200, -100, 3.0, 2.0, 300, 400, 0}));    // fits: no scrolling

TEST(PannedScroll, MovesAgainstTheDragAndStaysInside)
{
    struct Case {
        int start, dragged, image, area, scroll;
    };
    for (const Case c : {Case{100, 30, 1000, 400, 70}, Case{100, -50, 1000, 400, 150}, Case{10, 30, 1000, 400, 0},
                         Case{590, -50, 1000, 400, 600}, Case{0, -20, 300, 400, 0},
                         Case{5, -2147483647, 1000, 400, 600}})
        EXPECT_EQ(PannedScroll(c.start, c.dragged, c.image, c.area), c.scroll)
            << c.start << " dragged " << c.dragged;
}

TEST(ImageViewLayout, AnAnchorKeepsItsPointInsteadOfTheCentre)
{
    // 800 x 600 scrolled to (200, 150) in 400 x 300 with both bars; the
    // wheel at (100, 50) doubles the zoom: picture point (300, 200) is drawn
    // at (600, 400), so the scroll is (500, 350).
    const ImageViewState scrolled{false, false, 200, 150};
    const ZoomAnchor anchor{100, 50, -200, -150};
    const ImageViewLayout layout =
        LayOutImageView(1600, 1200, 400 - kBar, 300 - kBar, scrolled, 2.0, 1.0, false, kBar, &anchor);
    EXPECT_EQ(layout.state.scrollX, 500);
    EXPECT_EQ(layout.state.scrollY, 350);
    EXPECT_EQ(layout.originX, -500);
    EXPECT_EQ(layout.originY, -350);
    // At the start an anchor keeps the start rather than centring.
    const ZoomAnchor corner{0, 0, 0, 0};
    EXPECT_EQ(LayOutImageView(1600, 1200, 400, 300, ImageViewState{}, 2.0, 1.0, false, kBar, &corner).state.scrollX,
              0);
}

// A picture stored 3 x 2 turned clockwise (6) and shown at 4 x 6 from
// (10, 20): its stored top-left corner is the shown top-right one.
TEST(ViewPointOf, TurnsScalesAndMoves)
{
    const Orientation clockwise = OrientationOf(6);
    const PointF topLeft = ViewPointOf({0, 0}, clockwise, 3, 2, 4, 6, 10, 20);
    EXPECT_EQ(topLeft.x, 14);
    EXPECT_EQ(topLeft.y, 20);
    const PointF bottomRight = ViewPointOf({3, 2}, clockwise, 3, 2, 4, 6, 10, 20);
    EXPECT_EQ(bottomRight.x, 10);
    EXPECT_EQ(bottomRight.y, 26);
    const PointF middle = ViewPointOf({1.5, 0.5}, OrientationOf(1), 3, 2, 6, 4, 0, 0);
    EXPECT_EQ(middle.x, 3);
    EXPECT_EQ(middle.y, 1);
}

}  // namespace
}  // namespace fovella
