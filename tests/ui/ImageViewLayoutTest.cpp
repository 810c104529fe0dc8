#include "ui/ImageViewLayout.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

constexpr int kBar = 17;

ImageViewLayout Fresh(int w, int h, int cw, int ch)
{
    return LayOutImageView(w, h, cw, ch, ImageViewState{}, 1.0, 1.0, true, kBar);
}

TEST(ImageViewLayout, SmallerImageIsCentredWithoutBars)
{
    const ImageViewLayout layout = Fresh(100, 60, 400, 300);
    EXPECT_TRUE(layout.state.fitsX);
    EXPECT_TRUE(layout.state.fitsY);
    EXPECT_EQ(layout.areaWidth, 400);
    EXPECT_EQ(layout.originX, 150);
    EXPECT_EQ(layout.originY, 120);
}

TEST(ImageViewLayout, ExactWidthNeedsNoBar)
{
    const ImageViewLayout layout = Fresh(400, 300, 400, 300);
    EXPECT_TRUE(layout.state.fitsX);
    EXPECT_TRUE(layout.state.fitsY);
    EXPECT_EQ(layout.originX, 0);
}

TEST(ImageViewLayout, WiderImageGetsAHorizontalBarAndIsCentredVertically)
{
    const ImageViewLayout layout = Fresh(1000, 200, 400, 300);
    EXPECT_FALSE(layout.state.fitsX);
    EXPECT_TRUE(layout.state.fitsY);
    EXPECT_EQ(layout.areaHeight, 300 - kBar);
    EXPECT_EQ(layout.originY, (300 - kBar - 200) / 2);
    // Scrolled to the start, a layout centres it: (1000 - 400) / 2.
    EXPECT_EQ(layout.state.scrollX, 300);
    EXPECT_EQ(layout.originX, -300);
}

TEST(ImageViewLayout, HorizontalBarCanPushTheHeightOver)
{
    // 290 rows fit 300 but not 300 - 17: both bars.
    const ImageViewLayout layout = Fresh(1000, 290, 400, 300);
    EXPECT_FALSE(layout.state.fitsX);
    EXPECT_FALSE(layout.state.fitsY);
    EXPECT_EQ(layout.areaWidth, 400 - kBar);
    EXPECT_EQ(layout.areaHeight, 300 - kBar);
}

TEST(ImageViewLayout, VerticalBarCanPushTheWidthOver)
{
    const ImageViewLayout layout = Fresh(395, 1000, 400, 300);
    EXPECT_FALSE(layout.state.fitsY);
    EXPECT_FALSE(layout.state.fitsX);
    EXPECT_EQ(layout.areaHeight, 300 - kBar);
}

TEST(ImageViewLayout, HigherImageGetsOnlyAVerticalBar)
{
    const ImageViewLayout layout = Fresh(200, 1000, 400, 300);
    EXPECT_TRUE(layout.state.fitsX);
    EXPECT_FALSE(layout.state.fitsY);
    EXPECT_EQ(layout.areaWidth, 400 - kBar);
    EXPECT_EQ(layout.originX, (400 - kBar - 200) / 2);
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

}  // namespace
}  // namespace fovella
