#include "ui/CImageView.h"

#include "image/AreaResize.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>

#include "tests/ui/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace fovella {
namespace {

DibImage Picture(int width, int height)
{
    DibImage image;
    EXPECT_TRUE(image.Create(width, height, Bgr, SampleU8, BottomUp));
    test::FillGradient(image, width + height);
    return image;
}

// The colour of pixel (x, y), 0 the top row, of a bottom-up BGR picture.
QRgb PixelOf(const DibImage& picture, int x, int y)
{
    const std::uint8_t* p = picture.Rows()[picture.Height() - 1 - y] + 3 * x;
    return qRgb(p[2], p[1], p[0]);
}

// Whether `shown` is `picture` drawn one to one from `origin`, on grey.
testing::AssertionResult ShowsOnGrey(const QImage& shown, QPoint origin, const DibImage& picture)
{
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const int px = x - origin.x(), py = y - origin.y();
            const bool inside = px >= 0 && py >= 0 && px < picture.Width() && py < picture.Height();
            if (shown.pixel(x, y) != (inside ? PixelOf(picture, px, py) : CImageView::kBackground))
                return testing::AssertionFailure() << "at " << x << "," << y;
        }
    return testing::AssertionSuccess();
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

    // Shows a `width` x `height` picture at `newZoom` and lays it out.
    void Show(int width, int height, double newZoom = 1, double oldZoom = 1, bool reset = true)
    {
        view->SetImage(std::make_shared<DibImage>(Picture(width, height)), newZoom, oldZoom, reset);
        LayOut();
    }
    // Lays out as a paint after a change would.
    void LayOut()
    {
        view->viewport()->grab();
        QApplication::processEvents();
    }
    bool HorizontalBar() const { return view->horizontalScrollBar()->isVisible(); }
    bool VerticalBar() const { return view->verticalScrollBar()->isVisible(); }
    int CentreX() const { return -view->DrawOrigin().x() + view->viewport()->width() / 2; }
    QImage Grab() const { return view->viewport()->grab().toImage(); }
    // The view's pixels that are not the grey around a picture.
    int DrawnPixels() const
    {
        const QImage shown = Grab();
        int drawn = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                drawn += shown.pixel(x, y) != CImageView::kBackground;
        return drawn;
    }

    QWidget window;
    CImageView* view = nullptr;
    int cw = 0, ch = 0, bar = 0;
};

TEST_F(ImageViewTest, OneByOneImageShowsPlainGrey)
{
    Show(1, 1);
    EXPECT_EQ(DrawnPixels(), 0);
}

TEST_F(ImageViewTest, SmallerImageIsCentredOnGreyWithoutBars)
{
    Show(100, 60);
    EXPECT_FALSE(HorizontalBar());
    EXPECT_FALSE(VerticalBar());
    EXPECT_EQ(view->DrawOrigin(), QPoint((cw - 100) / 2, (ch - 60) / 2));
    EXPECT_TRUE(ShowsOnGrey(Grab(), view->DrawOrigin(), view->Picture()));
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
    // Home and End move one pixel only, a page twenty.
    for (const auto& [action, at] : {std::pair{QAbstractSlider::SliderToMinimum, start - 1},
                                     std::pair{QAbstractSlider::SliderToMaximum, start},
                                     std::pair{QAbstractSlider::SliderPageStepAdd, start + 20},
                                     std::pair{QAbstractSlider::SliderSingleStepSub, start + 19}}) {
        across->triggerAction(action);
        EXPECT_EQ(-view->DrawOrigin().x(), at) << action;
    }
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
    LayOut();
    ASSERT_TRUE(HorizontalBar());
    EXPECT_EQ(-view->DrawOrigin().x(), scrolled);

    window.resize(800, 400);
    view->resize(700, 290);
    LayOut();
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
// every zoom and scroll position that is exactly what the whole copy shows
// there, with grey around it. From 100 % up that is the copy made with
// ScaleBy (whole pixels); below, the averaged one.
TEST_F(ImageViewTest, ShowsAtAnyZoomExactlyWhatTheWholeResizedCopyShows)
{
    const auto picture = std::make_shared<DibImage>(Picture(173, 119));
    for (const double zoom : {0.17, 0.5, 0.9, 1.0, 1.25, 2.0, 3.0, 5.0}) {
        DibImage copy;
        ASSERT_TRUE(picture->ScaleBy(zoom, copy));
        if (zoom < 1)
            AreaResizer().CopyRegion(*picture, copy.Width(), copy.Height(), 0, 0, copy.Width(), copy.Height(),
                                     copy.Rows()[copy.Height() - 1], -std::ptrdiff_t(copy.RowBytes()));
        ASSERT_TRUE(view->SetImage(picture, zoom, 1.0, true));
        EXPECT_EQ(view->ZoomedSize(), QSize(copy.Width(), copy.Height()));
        for (const int pages : {0, 3, 1000}) {
            for (QScrollBar* bar : {view->horizontalScrollBar(), view->verticalScrollBar()})
                for (int i = 0; i < pages; ++i)
                    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            ASSERT_TRUE(ShowsOnGrey(Grab(), view->DrawOrigin(), copy)) << "zoom " << zoom << ", " << pages << " pages";
        }
    }
}

// A 3 x 2 picture stored as
//   1 2 3
//   4 5 6
// (six colours) and how each EXIF orientation shows it, drawn by hand.
struct Turn {
    int tag;
    int width, height;
    std::vector<int> shown;  // displayed rows, top first
};

QRgb Colour(int value) { return qRgb(40 * value, 200 - 30 * value, 10 + 20 * value); }

class ImageViewTurns : public ImageViewTest, public testing::WithParamInterface<Turn> {};

// At 1000 % every displayed pixel is a 10 x 10 block of its colour; the
// picture itself stays as stored.
TEST_P(ImageViewTurns, DrawsThePictureUpright)
{
    const Turn turn = GetParam();
    auto picture = std::make_shared<DibImage>();
    ASSERT_TRUE(picture->Create(3, 2, Bgr, SampleU8, BottomUp));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const QRgb colour = Colour(3 * y + x + 1);
            std::uint8_t* p = picture->Rows()[1 - y] + 3 * x;
            p[0] = std::uint8_t(qBlue(colour));
            p[1] = std::uint8_t(qGreen(colour));
            p[2] = std::uint8_t(qRed(colour));
        }
    const std::vector<std::uint8_t> stored(picture->Rows()[0], picture->Rows()[0] + 2 * picture->RowBytes());
    view->SetOrientation(turn.tag);
    ASSERT_TRUE(view->SetImage(picture, 10.0, 1.0, true));
    EXPECT_EQ(view->UprightSize(), QSize(turn.width, turn.height));
    EXPECT_EQ(view->ZoomedSize(), QSize(10 * turn.width, 10 * turn.height));
    const QImage shown = Grab();
    const QPoint origin = view->DrawOrigin();
    for (int y = 0; y < 10 * turn.height; ++y)
        for (int x = 0; x < 10 * turn.width; ++x)
            ASSERT_EQ(shown.pixel(origin + QPoint(x, y)), Colour(turn.shown[std::size_t(y / 10 * turn.width + x / 10)]))
                << "orientation " << turn.tag << " at " << x << "," << y;
    EXPECT_EQ(shown.pixel(origin + QPoint(10 * turn.width, 0)), CImageView::kBackground);
    EXPECT_EQ(std::vector<std::uint8_t>(picture->Rows()[0], picture->Rows()[0] + 2 * picture->RowBytes()), stored);
}

INSTANTIATE_TEST_SUITE_P(AllEight, ImageViewTurns,
                         testing::Values(Turn{1, 3, 2, {1, 2, 3, 4, 5, 6}}, Turn{2, 3, 2, {3, 2, 1, 6, 5, 4}},
                                         Turn{3, 3, 2, {6, 5, 4, 3, 2, 1}}, Turn{4, 3, 2, {4, 5, 6, 1, 2, 3}},
                                         Turn{5, 2, 3, {1, 4, 2, 5, 3, 6}}, Turn{6, 2, 3, {4, 1, 5, 2, 6, 3}},
                                         Turn{7, 2, 3, {6, 3, 5, 2, 4, 1}}, Turn{8, 2, 3, {3, 6, 2, 5, 1, 4}}),
                         [](const testing::TestParamInfo<Turn>& info) {
                             return "Orientation" + std::to_string(info.param.tag);
                         });

// A wheel turn goes to the handler with the cursor's place; zoomed about
// that place, the same picture pixel stays under the cursor.
TEST_F(ImageViewTest, WheelTurnsGoToTheHandlerAndZoomAboutTheCursor)
{
    const auto picture = std::make_shared<DibImage>(Picture(800, 600));
    ASSERT_TRUE(view->SetImage(picture, 1.0, 1.0, true));
    view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    std::vector<std::pair<int, QPoint>> turns;
    view->SetWheelHandler([&turns](int delta, const QPoint& at) { turns.emplace_back(delta, at); });
    const QPoint cursor(57, 43);
    QWheelEvent wheel(cursor, view->viewport()->mapToGlobal(cursor), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    ASSERT_EQ(turns.size(), 1u);
    EXPECT_EQ(turns[0].first, -120);
    EXPECT_EQ(turns[0].second, cursor);

    for (const double zoom : {2.0, 3.0, 5.0}) {
        ASSERT_TRUE(view->SetImage(picture, 1.0, zoom, false));
        const QPoint before = view->DrawOrigin();
        const QRgb under = Grab().pixel(cursor);
        ASSERT_TRUE(view->SetImage(picture, zoom, 1.0, false, &cursor));
        EXPECT_EQ(Grab().pixel(cursor), under) << zoom;
        EXPECT_EQ(cursor - view->DrawOrigin(), zoom * (cursor - before)) << zoom;
    }
}

// Dragging with the left button moves the picture with the mouse, as far
// as the picture goes; the bars follow.
TEST_F(ImageViewTest, DraggingPansWithinThePicture)
{
    Show(800, 600);
    const QPoint before = view->DrawOrigin();
    QWidget* area = view->viewport();
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(area, QPoint(70, 80));
    EXPECT_EQ(view->DrawOrigin(), before + QPoint(-30, -20));
    QTest::mouseMove(area, QPoint(130, 90));
    EXPECT_EQ(view->DrawOrigin(), before + QPoint(30, -10));
    EXPECT_EQ(view->horizontalScrollBar()->value(), -view->DrawOrigin().x());
    EXPECT_EQ(view->verticalScrollBar()->value(), -view->DrawOrigin().y());
    QTest::mouseMove(area, QPoint(-5000, -5000));
    EXPECT_EQ(view->DrawOrigin(), QPoint(area->width() - 800, area->height() - 600));
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, QPoint(-5000, -5000));
    const QPoint released = view->DrawOrigin();
    QTest::mouseMove(area, QPoint(100, 100));
    EXPECT_EQ(view->DrawOrigin(), released);
}

// The grid changes only the pixels of its lines, a light one and a dark
// one beside it every kGridSpacing pixels from the picture's corner, and
// only over the picture.
TEST_F(ImageViewTest, TheGridDrawsThinLinesOverThePictureOnly)
{
    Show(201, 163);
    const QImage plain = Grab();
    view->SetGridShown(true);
    const QImage grid = Grab();
    const QRect picture(view->DrawOrigin(), QSize(201, 163));
    const auto onLine = [](int offset) {
        return offset > 0 && (offset % CImageView::kGridSpacing == 0 || offset % CImageView::kGridSpacing == 1);
    };
    int changed = 0;
    for (int y = 0; y < grid.height(); ++y)
        for (int x = 0; x < grid.width(); ++x) {
            const bool line = picture.contains(x, y) &&
                              (onLine(x - picture.left()) || onLine(y - picture.top()));
            if (!line) {
                ASSERT_EQ(grid.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
            }
            changed += grid.pixel(x, y) != plain.pixel(x, y);
        }
    // Five lines across and four down, two pixels each, less their crossings.
    const int linePixels = 2 * 5 * 163 + 2 * 4 * 201 - 4 * 5 * 4;
    EXPECT_GT(changed, linePixels * 9 / 10);
    view->SetGridShown(false);
    EXPECT_EQ(Grab(), plain);
}

// Split: the left picture left of the divider, the view's own right of
// it, from the same corner; the divider follows a drag.
TEST_F(ImageViewTest, SplitViewShowsBothPicturesAndItsDividerMoves)
{
    const auto left = std::make_shared<DibImage>(Picture(240, 150));
    auto right = std::make_shared<DibImage>();
    ASSERT_TRUE(right->Create(240, 150, Bgr, SampleU8, BottomUp));
    test::FillGradient(*right, 77);
    ASSERT_TRUE(view->SetImage(right, 1.0, 1.0, true));
    view->SetSplitPicture(left);
    ASSERT_TRUE(view->IsSplit());
    for (const double share : {0.5, 0.3}) {
        view->SetSplitPosition(share);
        const int divider = view->DividerX();
        EXPECT_EQ(divider, int(std::lround(share * view->viewport()->width())));
        const QImage shown = Grab();
        const QPoint origin = view->DrawOrigin();
        for (int y = 0; y < 150; y += 7)
            for (int x = 0; x < 240; ++x) {
                const int at = origin.x() + x;
                if (at < divider - 2) {
                    ASSERT_EQ(shown.pixel(at, origin.y() + y), PixelOf(*left, x, y)) << x << "," << y;
                } else if (at >= divider + 2) {
                    ASSERT_EQ(shown.pixel(at, origin.y() + y), PixelOf(*right, x, y)) << x << "," << y;
                }
            }
    }
    QWidget* area = view->viewport();
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, QPoint(view->DividerX() + 3, 40));
    QTest::mouseMove(area, QPoint(area->width() / 4, 60));
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, QPoint(area->width() / 4, 60));
    EXPECT_DOUBLE_EQ(view->SplitPosition(), double(area->width() / 4) / area->width());
    view->SetSplitPicture(nullptr);
    EXPECT_FALSE(view->IsSplit());
    EXPECT_EQ(Grab().pixel(view->DrawOrigin()), PixelOf(*right, 0, 0));
}

// Lines given in picture coordinates turn and zoom with the picture: a
// stored row turned clockwise is a column. Cleared, the picture is as
// before.
TEST_F(ImageViewTest, OverlayLinesFollowTheTurnAndZoom)
{
    view->SetOrientation(6);
    Show(200, 150, 1.0, 1.0, true);
    const QImage plain = Grab();
    // Stored y 75.25 at 100 %: shown x = 150 - 75.25 = 74.75, the middle of
    // the pixel 74 of the picture, which the line covers whole.
    view->SetOverlay({{{0, 75.25}, {200, 75.25}}});
    const QImage lined = Grab();
    const QPoint origin = view->DrawOrigin();
    for (int y = 5; y < 195; y += 10) {
        const QRgb on = lined.pixel(origin + QPoint(74, y));
        EXPECT_NEAR(qRed(on), qRed(CImageView::kOverlayColour), 2) << y;
        EXPECT_NEAR(qGreen(on), qGreen(CImageView::kOverlayColour), 2) << y;
        EXPECT_NEAR(qBlue(on), qBlue(CImageView::kOverlayColour), 2) << y;
        EXPECT_EQ(lined.pixel(origin + QPoint(70, y)), plain.pixel(origin + QPoint(70, y)));
    }
    view->ClearOverlay();
    EXPECT_EQ(Grab(), plain);
}

// Drawn at 1 / device pixel ratio, the picture fills the device pixels one
// to one: on a screen of twice the density (the test run again with
// QT_SCALE_FACTOR=2) half the logical size shows every picture pixel.
TEST_F(ImageViewTest, EveryDevicePixelIsAPicturePixel)
{
    const qreal ratio = view->devicePixelRatioF();
    const auto picture = std::make_shared<DibImage>(Picture(242, 162));
    ASSERT_TRUE(view->SetImage(picture, 1 / ratio, 1.0, true));
    const QImage shown = Grab();
    ASSERT_EQ(shown.devicePixelRatio(), ratio);
    EXPECT_TRUE(ShowsOnGrey(shown, view->DrawOrigin() * ratio, *picture)) << "ratio " << ratio;
}

TEST_F(ImageViewTest, AnEmptyViewShowsItsHint)
{
    EXPECT_EQ(DrawnPixels(), 0);
    view->SetHint("Open or drop a photograph to begin");
    EXPECT_GT(DrawnPixels(), 100);
    // A picture replaces the hint.
    Show(30, 20);
    EXPECT_EQ(DrawnPixels(), 30 * 20);
}

}  // namespace
}  // namespace fovella
