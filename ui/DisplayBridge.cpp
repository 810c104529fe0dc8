#include "ui/DisplayBridge.h"

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

void StretchDraw(QPainter& painter, const QRect& target, const QRect& source, const DibImage& image)
{
    const QImage rows = WrapRows(image);
    if (rows.isNull() || target.isEmpty() || source.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (image.GetRowOrder() == BottomUp) {
        // Memory holds the bottom row first: take the mirrored rows and flip
        // them back while drawing.
        const QRect stored(source.x(), image.Height() - source.y() - source.height(), source.width(),
                           source.height());
        painter.translate(target.x(), target.y() + target.height());
        painter.scale(1, -1);
        painter.drawImage(QRect(0, 0, target.width(), target.height()), rows, stored);
    } else {
        painter.drawImage(target, rows, source);
    }
    painter.restore();
}

void DrawScaled(QPainter& painter, const QRect& target, const DibImage& image)
{
    StretchDraw(painter, target, QRect(0, 0, image.Width(), image.Height()), image);
}

}  // namespace fovella
