#include "ui/DisplayBridge.h"

#include "image/NearestResize.h"

#include <QPainter>
#include <QRect>

namespace fovella {

namespace {

const QList<QRgb>& GreyPalette()
{
    static const QList<QRgb> palette = [] {
        QList<QRgb> entries;
        for (int i = 0; i < 256; ++i)
            entries.append(qRgb(i, i, i));
        return entries;
    }();
    return palette;
}

}  // namespace

QImage WrapRows(const DibImage& image)
{
    if (!image.IsValid() || image.GetSampleType() != SampleU8)
        return {};
    const auto stride = static_cast<qsizetype>(image.RowBytes());
    switch (image.GetPixelType()) {
    case Gray: {
        QImage rows(image.Bits(), image.Width(), image.Height(), stride, QImage::Format_Indexed8);
        rows.setColorTable(GreyPalette());
        return rows;
    }
    case Rgb:
    case Bgr:
        return QImage(image.Bits(), image.Width(), image.Height(), stride, QImage::Format_BGR888);
    default:
        return {};
    }
}

bool DrawZoomedRegion(QPainter& painter, const QPoint& at, const DibImage& picture, const QSize& zoomed,
                      const QRect& region, DibImage& canvas)
{
    const QRect part = region & QRect(QPoint(0, 0), zoomed);
    if (part.isEmpty() || WrapRows(picture).isNull())
        return false;
    // Top-down, so that the canvas's memory rows are its picture rows.
    if (!canvas.Create(part.width(), part.height(), picture.GetPixelType(), SampleU8, TopDown))
        return false;
    CopyScaledRegion(picture, zoomed.width(), zoomed.height(), part.x(), part.y(), part.width(), part.height(),
                     canvas.Rows()[0], std::ptrdiff_t(canvas.RowBytes()));
    painter.drawImage(at + (part.topLeft() - region.topLeft()), WrapRows(canvas));
    return true;
}

}  // namespace fovella
