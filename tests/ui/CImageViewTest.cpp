#include "ui/CImageView.h"

#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>

#include "tests/ui/QtPrinters.h"

#include <gtest/gtest.h>

#include <memory>

namespace fovella {
namespace {

DibImage Picture(int width, int height)
{
    DibImage image;
    EXPECT_TRUE(image.Create(width, height, Bgr, SampleU8, BottomUp));
    test::FillGradient(image, width + height);
    return image;
}

// A view of 300 x 200 pixels in a shown window. `cw` x `ch` is its client
// area without bars, `bar` a bar's width.
class ImageViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        view = new CImageView(&window);
        view->Create(QRect(10, 10, 300, 200));
        window.show();
        QApplication::processEvents();
        cw = view->viewport()->width();
        ch = view->viewport()->height();
        bar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    }

    // Shows a `width` x `height` picture at `newZoom`, lays out as a paint
    // after a change would.
    void Show(int width, int height, double newZoom = 1, double oldZoom = 1, bool reset = true)
    {
        view->SetImage(std::make_shared<DibImage>(Picture(width, height)), newZoom, oldZoom, reset);
        view->viewport()->grab();
        QApplication::processEvents();
    }
    bool HorizontalBar() const { return view->horizontalScrollBar()->isVisible(); }
    bool VerticalBar() const { return view->verticalScrollBar()->isVisible(); }
    int CentreX() const { return -view->DrawOrigin().x() + view->viewport()->width() / 2; }

    QWidget window;
    CImageView* view = nullptr;
    int cw = 0, ch = 0, bar = 0;
};

TEST_F(ImageViewTest, SmallerImageIsCentredOnWhiteWithoutBars)
{
    Show(100, 60);
    EXPECT_FALSE(HorizontalBar());
    EXPECT_FALSE(VerticalBar());
    EXPECT_EQ(view->DrawOrigin(), QPoint((cw - 100) / 2, (ch - 60) / 2));
    const QImage shown = view->viewport()->grab().toImage();
    const QPoint origin = view->DrawOrigin();
    const DibImage& image = view->Picture();
    const std::uint8_t* top = image.Rows()[image.Height() - 1];  // bottom-up: last row is the top
    EXPECT_EQ(shown.pixel(origin), qRgb(top[2], top[1], top[0]));
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(origin.x() + 100, origin.y() + 59), qRgb(255, 255, 255));
}

TEST_F(ImageViewTest, OneByOneImageShowsPlainWhite)
{
    Show(1, 1);
    const QImage shown = view->viewport()->grab().toImage();
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 7)
            ASSERT_EQ(shown.pixel(x, y), qRgb(255, 255, 255));
}

// The view shows the layout that its function computes for the same sizes:
// the bars, the room they leave, the scroll range and where the picture is
// drawn. The layout's own cases are tested on the function; here each kind
// of layout once, against the real widget.
TEST_F(ImageViewTest, ShowsTheLayoutItsFunctionComputes)
{
    const struct {
        const char* what;
        int width, height;
    } cases[] = {
        {"smaller", 100, 60},
        {"exactly as wide", cw, 40},
        {"wider", cw + 60, 40},
        {"wider, then too high beside the bar", cw + 60, ch - bar / 2},
        {"higher", 40, ch + 80},
        {"larger", cw * 3, ch * 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Show(c.width, c.height);
        const ImageViewLayout expected =
            LayOutImageView(c.width, c.height, cw, ch, ImageViewState{}, 1.0, 1.0, true, bar);
        EXPECT_EQ(HorizontalBar(), !expected.state.fitsX);
        EXPECT_EQ(VerticalBar(), !expected.state.fitsY);
        EXPECT_EQ(view->viewport()->size(), QSize(expected.areaWidth, expected.areaHeight));
        EXPECT_EQ(view->DrawOrigin(), QPoint(expected.originX, expected.originY));
        EXPECT_EQ(view->GetFullClientRect().size(), QSize(cw, ch));
        if (!expected.state.fitsX) {
            EXPECT_EQ(view->horizontalScrollBar()->maximum(), c.width - expected.areaWidth);
            EXPECT_EQ(view->horizontalScrollBar()->pageStep(), expected.areaWidth);
        }
    }
}

TEST_F(ImageViewTest, ScrollCodesMoveByPixelPageAndThumbAndClamp)
{
    Show(1000, 800);
    QScrollBar* across = view->horizontalScrollBar();
    const int start = -view->DrawOrigin().x();
    ASSERT_GT(start, 20);
    across->triggerAction(QAbstractSlider::SliderToMinimum);  // Home moves one pixel only
    EXPECT_EQ(-view->DrawOrigin().x(), start - 1);
    across->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(-view->DrawOrigin().x(), start);
    across->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(-view->DrawOrigin().x(), start + 20);
    across->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(-view->DrawOrigin().x(), start + 19);
    EXPECT_EQ(across->value(), start + 19);

    const int clientWidth = view->viewport()->width();
    across->setSliderPosition(across->maximum());
    across->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(-view->DrawOrigin().x(), 1000 - clientWidth);

    QScrollBar* down = view->verticalScrollBar();
    const int top = -view->DrawOrigin().y();
    down->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(-view->DrawOrigin().y(), top - 20);
    for (int i = 0; i < 100; ++i)
        down->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(view->DrawOrigin().y(), 0);
}

TEST_F(ImageViewTest, ZoomKeepsTheCentrePointOrCentresFromTheStart)
{
    Show(800, 600);
    // Scroll off the centre, then double the zoom.
    for (int i = 0; i < 5; ++i)
        view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const int before = CentreX();
    Show(800, 600, 2.0, 1.0, false);
    EXPECT_NEAR(CentreX(), 2 * before, bar + 2);

    // Scrolled fully left, a zoom change centres instead.
    Show(800, 600);
    for (int i = 0; i < 100; ++i)
        view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    ASSERT_EQ(view->DrawOrigin().x(), 0);
    Show(800, 600, 2.0, 1.0, false);
    EXPECT_EQ(-view->DrawOrigin().x(), (1600 - view->viewport()->width()) / 2);
}

TEST_F(ImageViewTest, EnlargingTheViewKeepsTheScrollOrCentresOnceItFits)
{
    Show(600, 100);
    ASSERT_TRUE(HorizontalBar());
    view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const int scrolled = -view->DrawOrigin().x();
    view->resize(350, 200);
    view->viewport()->grab();
    QApplication::processEvents();
    ASSERT_TRUE(HorizontalBar());
    EXPECT_EQ(-view->DrawOrigin().x(), scrolled);

    window.resize(800, 400);
    view->resize(700, 290);
    view->viewport()->grab();
    QApplication::processEvents();
    view->viewport()->grab();
    EXPECT_FALSE(HorizontalBar());
    EXPECT_EQ(view->DrawOrigin().x(), (view->viewport()->width() - 600) / 2);
}

// From a scrolled picture to one that exactly fills the room without bars
// (what Fit makes): the bars go, and taking them away one after the other
// must not make the view lay itself out again and again.
TEST_F(ImageViewTest, APictureThatExactlyFillsTheRoomTakesTheBarsAway)
{
    Show(800, 600);
    ASSERT_TRUE(HorizontalBar() && VerticalBar());
    view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const QRect full = view->GetFullClientRect();
    Show(full.width(), full.height(), 1.0, 1.0, false);
    EXPECT_FALSE(HorizontalBar());
    EXPECT_FALSE(VerticalBar());
    EXPECT_EQ(view->DrawOrigin(), QPoint(0, 0));
    EXPECT_EQ(view->viewport()->size(), full.size());
}

// The view draws only what is on screen, straight from the picture: at
// every zoom and scroll position that is exactly what the whole copy made
// with ScaleBy shows there, with white around it.
TEST_F(ImageViewTest, ShowsAtAnyZoomExactlyWhatTheWholeResizedCopyShows)
{
    const auto picture = std::make_shared<DibImage>(Picture(173, 119));
    for (const double zoom : {0.17, 0.5, 1.0, 1.25, 2.0, 3.0, 5.0}) {
        DibImage copy;
        ASSERT_TRUE(picture->ScaleBy(zoom, copy));
        ASSERT_TRUE(view->SetImage(picture, zoom, 1.0, true));
        EXPECT_EQ(view->ZoomedSize(), QSize(copy.Width(), copy.Height()));
        for (const int pages : {0, 3, 1000}) {
            for (QScrollBar* bar : {view->horizontalScrollBar(), view->verticalScrollBar()})
                for (int i = 0; i < pages; ++i)
                    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            const QImage shown = view->viewport()->grab().toImage();
            const QPoint origin = view->DrawOrigin();
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) {
                    const int px = x - origin.x(), py = y - origin.y();
                    QRgb expected = qRgb(255, 255, 255);
                    if (px >= 0 && py >= 0 && px < copy.Width() && py < copy.Height()) {
                        const std::uint8_t* p = copy.Rows()[copy.Height() - 1 - py] + 3 * px;
                        expected = qRgb(p[2], p[1], p[0]);
                    }
                    ASSERT_EQ(shown.pixel(x, y), expected)
                        << "zoom " << zoom << ", " << pages << " pages, at " << x << "," << y;
                }
        }
    }
}

}  // namespace
}  // namespace fovella
