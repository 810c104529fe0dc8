// Draws a DibImage through Qt without copying its pixels: the image's own
// rows are wrapped as a QImage and painted by whole pixels, as the display
// bitmap of the Windows build is stretched with COLORONCOLOR. Three-byte
// pixels are read blue, green, red, so Bgr shows true colours and Rgb shows
// red and blue exchanged; Gray goes through a grey palette. Rectangles are
// in picture coordinates, (0, 0) at the top-left, for either row order.
#pragma once

#include "image/DibImage.h"

#include <QImage>

class QPainter;
class QRect;

namespace fovella {

// The image's memory rows in memory order (a BottomUp image wrapped this way
// is upside down). Shares the image's pixels: valid while the image lives
// and is not re-created. A null QImage when the image cannot be drawn.
QImage WrapRows(const DibImage& image);

// Draws the `source` rectangle of the picture into `target`, rows and
// columns dropped or repeated, never blended. Draws nothing for an image
// that is not valid.
void StretchDraw(QPainter& painter, const QRect& target, const QRect& source, const DibImage& image);

// StretchDraw of the whole picture.
void DrawScaled(QPainter& painter, const QRect& target, const DibImage& image);

}  // namespace fovella
