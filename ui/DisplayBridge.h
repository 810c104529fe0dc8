// Draws DibImages through Qt by whole pixels, as the display bitmap of the
// Windows build is stretched with COLORONCOLOR. A DibImage's own rows are
// wrapped as a QImage without copying them. Three-byte pixels are read
// blue, green, red, so Bgr shows true colours and Rgb shows red and blue
// exchanged; Gray goes through a grey palette. Rectangles are in picture
// coordinates, (0, 0) at the top-left, for either row order.
#pragma once

#include "image/DibImage.h"

#include <QImage>

class QPainter;
class QPoint;
class QRect;
class QSize;

namespace fovella {

// The image's memory rows in memory order (a BottomUp image wrapped this way
// is upside down). Shares the image's pixels: valid while the image lives
// and is not re-created. A null QImage when the image cannot be drawn.
QImage WrapRows(const DibImage& image);

// Draws the part `region` of `picture` resized to `zoomed` with its top-left
// corner at `at`, one pixel per screen pixel. The pixels are exactly those
// of the copy that DibImage::ScaledCopyTo would make at that size, but only
// the region is made, in `canvas` (scratch memory, kept by the caller from
// one paint to the next). `region` is clipped to the resized picture. False,
// with nothing drawn, for a picture that cannot be drawn or a canvas that
// cannot be allocated.
bool DrawZoomedRegion(QPainter& painter, const QPoint& at, const DibImage& picture, const QSize& zoomed,
                      const QRect& region, DibImage& canvas);

}  // namespace fovella
