// The part of a picture that a view shows: the picture resized as it is
// stored (AreaResizer: averaged where reduced, whole pixels where
// enlarged) and turned upright by its orientation, made for one rectangle
// only. The picture is read where it is; nothing the size of the whole
// picture is made.
#pragma once

#include "image/AreaResize.h"
#include "image/DibImage.h"
#include "image/Orientation.h"

namespace fovella {

// Keeps its scratch memory between calls: one per view. Not thread-safe.
class ShownRegion {
public:
    // Makes `region` of `picture` resized and turned by `orientation` so
    // that it measures `shownWidth` x `shownHeight` (the upright sides) into
    // `out`:
    // top-down, the picture's pixel type, region-sized. The region must lie
    // inside the resized picture and the picture must be valid, with 8-bit
    // samples. False when `out` cannot be allocated.
    bool Make(const Image& picture, const Orientation& orientation, int shownWidth, int shownHeight,
              const PixelRect& region, DibImage& out);

private:
    AreaResizer m_resizer;
    DibImage m_stored;  // the region as stored, before it is turned
};

}  // namespace fovella
