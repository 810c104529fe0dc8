#include "framework/Artwork.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace fovella {

namespace {

const QColor kNight(0x1d, 0x35, 0x57);
const QColor kDusk(0x2f, 0x5d, 0x8a);
const QColor kGlass(0xe8, 0xf1, 0xf8);
const QColor kAmber(0xf2, 0xa1, 0x3b);

// A grid seen through the lens: lines bowed outwards by barrel distortion
// left of the centre, straight right of it, as the program leaves them.
void PaintGrid(QPainter& painter, QPointF centre, double radius)
{
    const int lines = 7;
    const double step = 2 * radius / (lines - 1);
    auto bend = [&](QPointF p) {
        if (p.x() >= centre.x())
            return p;
        const QPointF d = p - centre;
        const double r2 = (d.x() * d.x() + d.y() * d.y()) / (radius * radius);
        return centre + d * (1 - 0.18 * r2);
    };
    QPen pen(kDusk, std::max(1.0, radius / 22));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int samples = 48;
    for (int i = 0; i < lines; ++i) {
        const double offset = -radius + i * step;
        QPainterPath across, down;
        for (int s = 0; s <= samples; ++s) {
            const double t = -radius * 1.2 + 2.4 * radius * s / samples;
            const QPointF a = bend(centre + QPointF(t, offset));
            const QPointF b = bend(centre + QPointF(offset, t));
            s == 0 ? across.moveTo(a) : across.lineTo(a);
            s == 0 ? down.moveTo(b) : down.lineTo(b);
        }
        painter.drawPath(across);
        painter.drawPath(down);
    }
}

// The program's mark: a lens on a dark rounded square.
void PaintLensMark(QPainter& painter, const QRectF& box)
{
    const double side = std::min(box.width(), box.height());
    const QRectF square(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    QLinearGradient night(square.topLeft(), square.bottomRight());
    night.setColorAt(0, kDusk);
    night.setColorAt(1, kNight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(night);
    painter.drawRoundedRect(square, side * 0.18, side * 0.18);

    const QPointF centre = square.center();
    const double radius = side * 0.36;
    QRadialGradient glass(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    glass.setColorAt(0, Qt::white);
    glass.setColorAt(1, kGlass);
    painter.setBrush(glass);
    painter.drawEllipse(centre, radius, radius);

    painter.save();
    QPainterPath lens;
    lens.addEllipse(centre, radius, radius);
    painter.setClipPath(lens);
    PaintGrid(painter, centre, radius);
    painter.restore();

    painter.setPen(QPen(kAmber, std::max(1.5, side * 0.05)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);
}

// The maker's logo: the mark beside a row of three rising bars, on white.
void PaintMakerLogo(QPainter& painter, const QRectF& box)
{
    painter.fillRect(box, Qt::white);
    const double side = std::min(box.height(), box.width() * 0.6) * 0.9;
    const QRectF mark(box.left() + (box.width() - side * 1.55) / 2, box.center().y() - side / 2, side,
                      side);
    PaintLensMark(painter, mark);
    const double bar = side * 0.12;
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        const double height = side * (0.4 + 0.2 * i);
        painter.setBrush(i == 2 ? kAmber : kNight);
        painter.drawRect(QRectF(mark.right() + side * 0.1 + i * bar * 1.5, mark.bottom() - height, bar,
                                height));
    }
}

QImage Paint(QSize size, void (*paint)(QPainter&, const QRectF&))
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

}  // namespace

QPixmap LoadBitmapResource(int id, QSize size)
{
    if (id != kLogoBitmap && id != kAboutBitmap)
        return {};
    return QPixmap::fromImage(Paint(size, PaintMakerLogo));
}

QImage ApplicationIconImage(int size)
{
    return Paint(QSize(size, size), PaintLensMark);
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
}

}  // namespace fovella
