// How the main window's controls follow its size: each keeps the rectangle
// it has in the template at the reference client size 1016 x 626, shifted or
// stretched by the whole or half of the growth (dx, dy) against it. The
// image area takes all the growth; the left panel keeps its controls
// vertically centred in it; the bottom row follows the bottom edge, and the
// zoom controls also the middle of the image area. A layout depends only on
// the size, never on the layout before it.
#pragma once

#include <utility>
#include <vector>

namespace fovella {

constexpr int kReferenceWidth = 1016, kReferenceHeight = 626;

// What a control does along one axis as the window grows by d.
enum class Follow {
    Fixed,       // stays
    HalfShift,   // moves by d / 2, truncated toward zero
    Shift,       // moves by d
    Stretch,     // stays, and its size grows by d
};

struct LayoutRule {
    int id;
    Follow across, down;
};

// The recorded controls, in the order their rectangles are recorded.
const std::vector<LayoutRule>& WindowLayoutRules();

struct Box {
    int left, top, width, height;
    bool operator==(const Box& other) const
    {
        return left == other.left && top == other.top && width == other.width && height == other.height;
    }
};

// Where a control recorded at `recorded` goes in a client area of
// `clientWidth` x `clientHeight`.
Box LaidOut(const Box& recorded, const LayoutRule& rule, int clientWidth, int clientHeight);

// The smallest client size: "+" (recorded at `zoomIn`) still starts at the
// right edge of the last control of the bottom row's start (`rowStart`,
// "Grid" beside "Show Original") as it slides left by half the shrinking, and the bottom row (`exit`), moving up by the whole of it,
// stays 2 pixels below the preview frame (`previewFrame`), which moves up by
// half. Returns width and height.
std::pair<int, int> MinimumClientSize(const Box& rowStart, const Box& zoomIn, const Box& previewFrame,
                                      const Box& exit);

}  // namespace fovella
