#include "ui/DisplayBridge.h"

#include "tests/support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace fovella {
namespace {

// Draws `region` of the picture zoomed to `zoomed` at `at` onto a magenta
// canvas of `device` pixels at `ratio`; `drawn` is whether it should draw.
QImage DrawnOn(const DibImage& image, QSize device, QPoint at, QSize zoomed, QRect region, qreal ratio = 1,
               bool drawn = true)
{
    QImage canvas(device, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    ZoomCanvas scratch;
    EXPECT_EQ(DrawZoomedRegion(painter, at, image, Orientation{}, zoomed, region, scratch), drawn);
    painter.end();
    return canvas;
}

// Draws the whole picture at `width` x `height` onto a canvas of that size.
QImage Drawn(const DibImage& image, int width, int height, bool drawn = true)
{
    const QSize size(width, height);
    return DrawnOn(image, size, QPoint(0, 0), size, QRect(QPoint(0, 0), size), 1, drawn);
}

// The pixel at picture column x and row y (0 = top) as red, green, blue.
QRgb PictureRgb(const DibImage& image, int x, int y)
{
    const int row = image.GetRowOrder() == TopDown ? y : image.Height() - 1 - y;
    const std::uint8_t* p = image.Rows()[row] + x * image.BytesPerPixel();
    switch (image.GetPixelType()) {
    case Gray: return qRgb(p[0], p[0], p[0]);
    case Bgr: return qRgb(p[2], p[1], p[0]);
    default: return qRgb(p[0], p[1], p[2]);
    }
}

DibImage Gradient(int width, int height, PixelType type, RowOrder order, int seed = 0)
{
    DibImage image;
    EXPECT_TRUE(image.Create(width, height, type, SampleU8, order));
    test::FillGradient(image, seed);
    return image;
}

TEST(DisplayBridge, GrayThroughItsPaletteBgrTrueRgbSwapped)
{
    for (PixelType type : {Gray, Bgr, Rgb}) {
        SCOPED_TRACE(int(type));
        const DibImage image = Gradient(9, 6, type, TopDown);
        const QImage drawn = Drawn(image, 9, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x) {
                QRgb expected = PictureRgb(image, x, y);
                if (type == Rgb)  // read as blue, green, red: the display's order
                    expected = qRgb(qBlue(expected), qGreen(expected), qRed(expected));
                ASSERT_EQ(drawn.pixel(x, y), expected | 0xff000000u) << x << "," << y;
            }
    }
}

TEST(DisplayBridge, BothRowOrdersDrawTheSamePicture)
{
    const DibImage bottomUp = Gradient(11, 7, Bgr, BottomUp);
    DibImage topDown;
    ASSERT_TRUE(topDown.Create(11, 7, Bgr, SampleU8, TopDown));
    for (int y = 0; y < 7; ++y)
        std::copy_n(bottomUp.Rows()[6 - y], 33, topDown.Rows()[y]);
    EXPECT_EQ(Drawn(bottomUp, 11, 7), Drawn(topDown, 11, 7));
    EXPECT_EQ(Drawn(bottomUp, 29, 3), Drawn(topDown, 29, 3));
    // The picture's top row is at the top.
    EXPECT_EQ(Drawn(bottomUp, 11, 7).pixel(4, 0), PictureRgb(bottomUp, 4, 0) | 0xff000000u);
}

TEST(DisplayBridge, EnlargingRepeatsWholePixelsAndShrinkingAverages)
{
    const DibImage image = Gradient(5, 4, Bgr, BottomUp, 3);
    const QImage doubled = Drawn(image, 10, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(doubled.pixel(x, y), PictureRgb(image, x / 2, y / 2) | 0xff000000u) << x << "," << y;

    // Halved, each pixel is the mean of a 2 x 2 block, rounded half up.
    const DibImage large = Gradient(64, 48, Bgr, TopDown, 5);
    const QImage halved = Drawn(large, 32, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) {
            int sums[3] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb p = PictureRgb(large, 2 * x + dx, 2 * y + dy);
                    sums[0] += qRed(p);
                    sums[1] += qGreen(p);
                    sums[2] += qBlue(p);
                }
            ASSERT_EQ(halved.pixel(x, y), qRgb((sums[0] + 2) / 4, (sums[1] + 2) / 4, (sums[2] + 2) / 4))
                << x << "," << y;
        }
}

// On a screen of twice the density the picture is made at device pixels:
// a 12 x 8 picture drawn 6 x 4 logical pixels large shows every one of its
// pixels, and one drawn at its own size shows each as 2 x 2.
TEST(DisplayBridge, DrawsAtTheDevicePixelsOfTheScreen)
{
    const DibImage image = Gradient(12, 8, Bgr, BottomUp, 6);
    for (const int logical : {6, 12}) {
        const QSize size(logical, logical * 2 / 3);
        const QImage canvas = DrawnOn(image, QSize(24, 16), QPoint(0, 0), size, QRect(QPoint(0, 0), size), 2);
        const int repeat = logical / 6;
        for (int y = 0; y < 8 * repeat; ++y)
            for (int x = 0; x < 12 * repeat; ++x)
                ASSERT_EQ(canvas.pixel(x, y), PictureRgb(image, x / repeat, y / repeat) | 0xff000000u)
                    << logical << " at " << x << "," << y;
        if (repeat == 1) {
            EXPECT_EQ(canvas.pixel(12, 0), QColor(Qt::magenta).rgb());
        }
    }
}

// A region drawn alone is exactly that part of the whole resized picture,
// for any position, at any size, in either row order.
TEST(DisplayBridge, ZoomedRegionEqualsThatPartOfTheWholeCopy)
{
    for (RowOrder order : {BottomUp, TopDown})
        for (PixelType type : {Bgr, Gray}) {
            const DibImage image = Gradient(37, 23, type, order, 7);
            for (const QSize zoomed : {QSize(185, 115), QSize(12, 7), QSize(37, 23), QSize(61, 40)}) {
                const QImage whole = Drawn(image, zoomed.width(), zoomed.height());
                for (const QRect region : {QRect(3, 2, 9, 5), QRect(0, 0, zoomed.width(), 1),
                                           QRect(zoomed.width() - 4, zoomed.height() - 3, 4, 3)}) {
                    ASSERT_EQ(DrawnOn(image, region.size(), QPoint(0, 0), zoomed, region), whole.copy(region)) << zoomed.width() << " " << region.x() << ","
                                                          << region.y() << " order " << order;
                }
            }
        }
}

// The picture's own rows are wrapped, not copied; a region is drawn alone,
// an invalid picture not at all.
TEST(DisplayBridge, WrapsTheOwnRowsAndDrawsOnlyTheRegionAndNothingForAnInvalidImage)
{
    const DibImage rowsOf = Gradient(7, 5, Bgr, BottomUp);
    const QImage rows = WrapRows(rowsOf);
    EXPECT_EQ(rows.constBits(), rowsOf.Bits());
    EXPECT_EQ(std::size_t(rows.bytesPerLine()), rowsOf.RowBytes());
    EXPECT_EQ(rows.width(), 7);
    EXPECT_EQ(rows.height(), 5);

    const DibImage image = Gradient(8, 8, Bgr, BottomUp, 1);
    const QImage canvas = DrawnOn(image, QSize(4, 3), QPoint(1, 1), QSize(8, 8), QRect(5, 6, 2, 2));
    EXPECT_EQ(canvas.pixel(0, 0), QColor(Qt::magenta).rgb());
    EXPECT_EQ(canvas.pixel(1, 1), PictureRgb(image, 5, 6) | 0xff000000u);
    EXPECT_EQ(canvas.pixel(2, 2), PictureRgb(image, 6, 7) | 0xff000000u);
    EXPECT_EQ(canvas.pixel(3, 2), QColor(Qt::magenta).rgb());

    DibImage invalid;
    invalid.Create(-1, 4, Bgr, SampleU8, TopDown);
    ASSERT_FALSE(invalid.IsValid());
    EXPECT_TRUE(WrapRows(invalid).isNull());
    const QImage untouched = Drawn(invalid, 3, 3, false);
    EXPECT_EQ(untouched.pixel(1, 1), QColor(Qt::magenta).rgb());
}

}  // namespace
}  // namespace fovella
