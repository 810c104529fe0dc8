// Pieces of one edge, broken by an occlusion, a knot in the wood or a
// stretch of low contrast, joined back into the long chain they were: a
// line's sag under the correction grows with the square of its length,
// so long chains carry most of what there is to know.
#pragma once

#include "lines/EdgeChains.h"

#include <vector>

namespace fovella {

// Joins the end of one chain to the start of another (a chain runs with
// its dark side on one hand, so pieces of one edge run the same way) when
// the gap is at most `maxGap` pixels and the second starts where the first
// one's direction leads, within a pixel and a fiftieth of the gap, in
// nearly the same direction. Each head goes to the nearest tail that leads
// to it, and chains are followed in the order given; deterministic.
// The pieces are moved into the chains, not copied.
std::vector<EdgeChain> JoinCollinearChains(std::vector<EdgeChain> pieces, double maxGap);

}  // namespace fovella
