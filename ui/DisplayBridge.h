// Draws DibImages through Qt: a DibImage's own rows are wrapped as a QImage
// without copying them. Three-byte pixels are read blue, green, red, so Bgr
// shows true colours and Rgb shows red and blue exchanged; Gray goes
// through a grey palette. Rectangles are in picture coordinates, (0, 0) at
// the top-left, for either row order.
#pragma once

#include "image/DibImage.h"
#include "image/ShownRegion.h"

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

// Scratch memory of DrawZoomedRegion, kept by the caller from one paint to
// the next so that repainting allocates nothing once it has grown.
struct ZoomCanvas {
    ShownRegion maker;
    DibImage pixels;
};

// Draws the part `region` of `picture`, turned upright by `orientation` and
// resized to `zoomed` (the upright picture's sides), with the region's
// top-left corner at `at`. Sizes and positions are the painter's logical
// pixels; the pixels are made at its device pixels (the device pixel
// ratio), so that a screen of twice the density shows twice the detail:
// averaged where the picture is reduced, whole pixels where it is enlarged
// (ShownRegion). Only the region is made, in `canvas`. `region` is clipped
// to the resized picture. False, with nothing drawn, for a picture that
// cannot be drawn or a canvas that cannot be allocated.
bool DrawZoomedRegion(QPainter& painter, const QPoint& at, const DibImage& picture, const Orientation& orientation,
                      const QSize& zoomed, const QRect& region, ZoomCanvas& canvas);

}  // namespace fovella
