// Gathering the pieces of one line: pieces of a line seen through a barrel
// lens, with gaps between them, are gathered under the lens's correction
// and only under it; a parallel line two pixels off and the other side of
// a bar (running the other way) stay apart.
#include "lines/LineGathering.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fovella {
namespace {

// A 1000 x 800 plane: centre (499.5, 399.5), half diagonal 640.3 pixels.
const PlaneToCentred kPlane{499.5, 399.5, 1 / std::hypot(500.0, 400.0)};

// Points of the corrected line x = lineX (plane pixels) from row y0 to
// row y1, one a pixel, where a lens of strength x shows them: the
// distorted radius is asinh(x rho) / x of the corrected one.
EdgeChain SeenPiece(double lineX, int y0, int y1, double strength)
{
    EdgeChain piece;
    const int step = y1 > y0 ? 1 : -1;
    for (int y = y0; y != y1; y += step) {
        const double u = (lineX - kPlane.centreX) * kPlane.perPixel, v = (y - kPlane.centreY) * kPlane.perPixel;
        const double rho = std::hypot(u, v);
        const double factor = std::asinh(strength * rho) / (strength * rho);
        piece.push_back({kPlane.centreX + u * factor / kPlane.perPixel, kPlane.centreY + v * factor / kPlane.perPixel});
    }
    return piece;
}

TEST(LineGathering, PiecesOfOneLineAreGatheredUnderTheirCorrectionOnly)
{
    const double strength = 0.8;
    // Three pieces of the line x = 80, near the left border, with gaps of
    // 100 and 150 rows, given out of order; a piece of x = 82; the other
    // side of the same edge, running up.
    const std::vector<EdgeChain> chains{SeenPiece(80, 300, 500, strength), SeenPiece(80, 20, 200, strength),
                                        SeenPiece(80, 650, 780, strength), SeenPiece(82, 520, 640, strength),
                                        SeenPiece(80, 640, 520, strength)};
    const double tolerance = 1.5 * kPlane.perPixel;

    const std::vector<EdgeChain> gathered = GatherChainsOnOneLine(chains, strength, kPlane, tolerance);
    ASSERT_EQ(gathered.size(), 3u);
    // The longest first, its pieces in the order of travel: rows 20 to 780.
    EXPECT_EQ(gathered[0].size(), 200u + 180u + 130u);
    EXPECT_NEAR(gathered[0].front().y, SeenPiece(80, 20, 21, strength)[0].y, 1e-9);
    EXPECT_NEAR(gathered[0].back().y, SeenPiece(80, 779, 780, strength)[0].y, 1e-9);
    for (std::size_t k = 1; k < gathered[0].size(); ++k)
        EXPECT_GT(gathered[0][k].y, gathered[0][k - 1].y) << "point " << k;
    EXPECT_EQ(gathered[1].size(), 120u);
    EXPECT_EQ(gathered[2].size(), 120u);

    // Uncorrected, the line bows by several pixels: the longest piece
    // gathers none of the others.
    const std::vector<EdgeChain> straight = GatherChainsOnOneLine(chains, 0.0, kPlane, tolerance);
    EXPECT_GT(straight.size(), 3u);
    EXPECT_EQ(straight[0].size(), 200u);
}

TEST(LineGathering, NoChainsGiveNone)
{
    EXPECT_TRUE(GatherChainsOnOneLine({}, 0.5, kPlane, 0.01).empty());
}

}  // namespace
}  // namespace fovella
