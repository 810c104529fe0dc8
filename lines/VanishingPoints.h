// The bend under which a picture's short edge segments best converge on a
// few vanishing points.
//
// Lines that are parallel in the world meet in one point of a picture
// without distortion, whatever wall or window they lie on; a barrel bend
// turns each short piece of them by an amount that depends on where it
// lies, so that no point gathers them. This measures the bend from many
// short pieces of many lines rather than from the sag of a few long ones,
// and so is misled by other things: a bowed wall corner is a few pieces
// among hundreds here, where it is one of the longest chains to a sag.
//
// The segments: every chain cut into pieces of kSegmentPoints points, each
// fitted with a line once. For a bend, each is moved and turned as the
// correction moves and turns the picture around its middle; the vanishing
// points are found among the crossings of the longest pieces' lines (up to
// kMostVanishingPoints, each taking the pieces that point at it), and the
// bend's cost is how far each piece turns from the point nearest its
// direction, capped so that the clutter of a scene (trees, statues) costs
// the same under every bend.
#pragma once

#include "lines/EdgeChains.h"
#include "lines/LineGathering.h"

#include <optional>
#include <vector>

namespace fovella {

// The bend (b = x |x|, x = R / m) the segments of `chains` converge best
// under, searched from several starting bends; none when too few segments
// point at any vanishing point. `toCentred` places plane pixels in half
// diagonals from the centre of correction. Deterministic.
std::optional<double> ConvergingBend(const std::vector<EdgeChain>& chains, const PlaneToCentred& toCentred);

}  // namespace fovella
