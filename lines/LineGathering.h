// Chains that lie on one straight line of the scene, gathered into one.
//
// A line crossed by joints, posts or shadows is seen as many short chains;
// joined end to end across gaps only where one piece points at the next,
// most stay apart. Seen through the correction that the chains voted for,
// the pieces of one line fall on one straight line again, however far
// apart: gathered, they make the long evidence that a line's sag, which grows
// with the cube of the radius, is measured best from.
#pragma once

#include "lines/ChainStraightness.h"
#include "lines/EdgeChains.h"

#include <vector>

namespace fovella {

// Where a chain's points lie relative to the centre of correction, in half
// diagonals: u = (x - centreX) * perPixel, v = (y - centreY) * perPixel.
struct PlaneToCentred {
    double centreX, centreY, perPixel;  // half diagonals a pixel spans
};

// Gathers `chains` that, corrected with `strength`, lie along one line:
// every corrected point within `tolerance` (half diagonals) of the line
// fitted to all of them, each chain running the same way as the seed. The
// longest chains are seeds; a gathered chain holds its members' points
// ordered along the line. Chains gathered into none are returned as they
// are. Deterministic. The chains are moved into the result, not copied.
std::vector<EdgeChain> GatherChainsOnOneLine(std::vector<EdgeChain> chains, double strength,
                                             const PlaneToCentred& toCentred, double tolerance);

}  // namespace fovella
