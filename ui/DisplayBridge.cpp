#include "ui/DisplayBridge.h"

#include <QPainter>
#include <QRect>

#include <cmath>

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

bool DrawZoomedRegion(QPainter& painter, const QPoint& at, const DibImage& picture, const Orientation& orientation,
                      const QSize& zoomed, const QRect& region, ZoomCanvas& canvas)
{
    const QRect part = region & QRect(QPoint(0, 0), zoomed);
    if (part.isEmpty() || WrapRows(picture).isNull())
        return false;
    const qreal ratio = painter.device()->devicePixelRatioF();
    const auto device = [ratio](int logical) { return int(std::lround(logical * ratio)); };
    const int left = device(part.left()), top = device(part.top());
    const PixelRect pixels{left, top, device(part.left() + part.width()) - left,
                           device(part.top() + part.height()) - top};
    if (!canvas.maker.Make(picture, orientation, device(zoomed.width()), device(zoomed.height()), pixels,
                           canvas.pixels))
        return false;
    QImage image = WrapRows(canvas.pixels);
    image.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(at - region.topLeft()) + QPointF(left, top) / ratio, image);
    return true;
}

}  // namespace fovella
