// Edges of a grey picture to a tenth of a pixel, linked into chains that
// run straight or bend gently: the candidates for the picture's straight
// lines.
#pragma once

#include "lines/GreyPlane.h"

#include <vector>

namespace fovella {

struct EdgePoint {
    double x, y;  // in the plane's pixels, (0, 0) the centre of its top-left pixel
};

using EdgeChain = std::vector<EdgePoint>;

// Edge points are the maxima of the smoothed gradient's magnitude across
// the edge, placed by a parabola through three samples; each is linked to
// the nearest neighbour ahead along the edge and the nearest behind whose
// gradients agree, when each is the other's choice. Chains are cut where
// they turn and kept when they hold at least `minPoints` points, in the
// order of the plane's rows. Deterministic; no state between calls.
std::vector<EdgeChain> FindEdgeChains(const GreyPlane& plane, int minPoints);

}  // namespace fovella
