#include "ui/ImageViewLayout.h"

#include <algorithm>
#include <cmath>

namespace fovella {

namespace {

struct Axis {
    bool fits;
    int position;
    int origin;
};

// One axis after the bars are decided: centred when it fits; otherwise the
// position keeps the image point at the client's centre across the zoom
// change, or centres the picture when it was scrolled to the start.
Axis LayOutAxis(bool fits, int position, int image, int area, int client, double newZoom,
                double oldZoom)
{
    if (fits)
        return {true, 0, (area - image) / 2};
    int next;
    if (position != 0) {
        const double t = (client / 2 + position) * newZoom / oldZoom - area / 2;
        const double v = std::max(t, 0.0);
        next = int(v < image - area ? v : image - area);
    } else {
        next = (image - area) / 2;
    }
    return {false, next, -next};
}

}  // namespace

ImageViewLayout LayOutImageView(int w, int h, int clientWidth, int clientHeight,
                                const ImageViewState& previous, double newZoom, double oldZoom,
                                bool reset, int bar)
{
    int scrollX = reset ? 0 : previous.scrollX;
    int scrollY = reset ? 0 : previous.scrollY;
    // The room without the bars that are shown now.
    int width = clientWidth + (previous.fitsY ? 0 : bar);
    int height = clientHeight + (previous.fitsX ? 0 : bar);

    bool fitsX = w <= width;
    bool fitsY = h <= height;
    if (!fitsX) {
        height -= bar;
        if (fitsY)
            fitsY = h <= height;
    }
    if (!fitsY) {
        width -= bar;
        if (fitsX) {
            fitsX = w <= width;
            if (!fitsX)
                height -= bar;
        }
    }
    if (fitsX)
        scrollX = 0;
    if (fitsY)
        scrollY = 0;

    const Axis x = LayOutAxis(fitsX, scrollX, w, width, clientWidth, newZoom, oldZoom);
    const Axis y = LayOutAxis(fitsY, scrollY, h, height, clientHeight, newZoom, oldZoom);
    ImageViewLayout layout;
    layout.state = {fitsX, fitsY, x.position, y.position};
    layout.areaWidth = width;
    layout.areaHeight = height;
    layout.originX = x.origin;
    layout.originY = y.origin;
    return layout;
}

int ScrollPosition(int position, int code, int thumb, int imageSize, int clientSize)
{
    switch (code) {
    case kLineBack:
    case kToStart: position -= 1; break;
    case kLineForward:
    case kToEnd: position += 1; break;
    case kPageBack: position -= 20; break;
    case kPageForward: position += 20; break;
    case kThumbPosition:
    case kThumbTrack: position = thumb; break;
    default: break;
    }
    const int v = std::max(position, 0);
    return v < imageSize - clientSize ? v : imageSize - clientSize;
}

}  // namespace fovella
