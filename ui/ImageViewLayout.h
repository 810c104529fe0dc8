// The image view's geometry, apart from any widget: whether scroll bars are
// needed, where the picture is drawn, and how scrolling moves it. The view
// draws its picture one image pixel per screen pixel; it is centred when it
// fits and scrolls when it does not.
#pragma once

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

// Lays out an image of `imageWidth` x `imageHeight` in a client area that
// measures `clientWidth` x `clientHeight` with the bars of `previous` shown.
// `newZoom` / `oldZoom` keep the image point at the centre when the zoom
// changed; `reset` starts from the top-left; `bar` is a scroll bar's width.
ImageViewLayout LayOutImageView(int imageWidth, int imageHeight, int clientWidth, int clientHeight,
                                const ImageViewState& previous, double newZoom, double oldZoom,
                                bool reset, int bar);

// Scroll-bar codes, as the window system numbers them.
enum ScrollCode : int {
    kLineBack = 0, kLineForward = 1, kPageBack = 2, kPageForward = 3,
    kThumbPosition = 4, kThumbTrack = 5, kToStart = 6, kToEnd = 7,
};

// The scroll position after `code` (a line or an end is one pixel, a page
// 20), clamped to 0 .. imageSize - clientSize.
int ScrollPosition(int position, int code, int thumb, int imageSize, int clientSize);

}  // namespace fovella
