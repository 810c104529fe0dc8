// The image view's geometry, apart from any widget: whether scroll bars are
// needed, where the picture is drawn, and how scrolling, zooming about a
// point and dragging move it. Sizes are the picture's at the zoom it is
// shown at, in the view's (logical) pixels; it is centred when it fits and
// scrolls when it does not.
#pragma once

#include "image/Orientation.h"

namespace fovella {

struct ImageViewState {
    bool fitsX = true, fitsY = true;  // no horizontal / vertical bar
    int scrollX = 0, scrollY = 0;     // first image column and row shown when scrolled
};

struct ImageViewLayout {
    ImageViewState state;
    int areaWidth = 0, areaHeight = 0;  // the client area less the bars
    int originX = 0, originY = 0;       // where the picture's top-left corner is drawn
};

// A point of the view that a zoom change keeps under itself (the cursor
// of a wheel turn), and where the picture was drawn before the change.
struct ZoomAnchor {
    int x = 0, y = 0;
    int originX = 0, originY = 0;
};

// Lays out an image of `imageWidth` x `imageHeight` in a client area that
// measures `clientWidth` x `clientHeight` with the bars of `previous` shown.
// `newZoom` / `oldZoom` keep the image point at the centre when the zoom
// changed, or the one under `anchor` when it is given; `reset` starts from
// the top-left; `bar` is a scroll bar's width.
ImageViewLayout LayOutImageView(int imageWidth, int imageHeight, int clientWidth, int clientHeight,
                                const ImageViewState& previous, double newZoom, double oldZoom,
                                bool reset, int bar, const ZoomAnchor* anchor = nullptr);

// Along one axis: the scroll position that keeps the picture point under
// view coordinate `cursor` there when the zoom goes from `oldZoom` to
// `newZoom`, the picture having been drawn from `oldOrigin`; clamped to
// 0 .. imageSize - areaSize.
int ScrollKeepingPoint(int cursor, int oldOrigin, double newZoom, double oldZoom, int imageSize, int areaSize);

// Along one axis: the scroll position after the picture was dragged by
// `dragged` pixels (positive: to the right or down) from `startScroll`,
// clamped to 0 .. imageSize - areaSize.
int PannedScroll(int startScroll, int dragged, int imageSize, int areaSize);

// Scroll-bar codes, as the window system numbers them.
enum ScrollCode : int {
    kLineBack = 0, kLineForward = 1, kPageBack = 2, kPageForward = 3,
    kThumbPosition = 4, kThumbTrack = 5, kToStart = 6, kToEnd = 7,
};

// The scroll position after `code` (a line or an end is one pixel, a page
// 20), clamped to 0 .. imageSize - clientSize.
int ScrollPosition(int position, int code, int thumb, int imageSize, int clientSize);


// Where continuous point `stored` of a picture stored at `storedWidth` x
// `storedHeight` is drawn in the view: turned by `orientation`, scaled to
// the shown size `zoomedWidth` x `zoomedHeight` and moved to `originX`,
// `originY`.
PointF ViewPointOf(PointF stored, const Orientation& orientation, int storedWidth, int storedHeight,
                   int zoomedWidth, int zoomedHeight, int originX, int originY);

}  // namespace fovella
