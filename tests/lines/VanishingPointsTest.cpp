// The bend under which edge segments converge: lines of a scene seen in
// perspective (two families meeting in points inside and beside the
// picture, one of parallel verticals), seen through a barrel lens, give the
// lens's bend back, and none when there are too few segments, or too few
// lines, to point anywhere.
#include "lines/VanishingPoints.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fovella {
namespace {

// A 1200 x 800 plane: centre (599.5, 399.5), half diagonal 721.1 pixels.
const PlaneToCentred kPlane{599.5, 399.5, 1 / std::hypot(600.0, 400.0)};

// The straight line from a to b (plane pixels, as corrected), a point a
// pixel, where a lens of strength x shows it.
EdgeChain SeenLine(EdgePoint a, EdgePoint b, double strength)
{
    EdgeChain chain;
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    for (double t = 0; t <= length; t += 1) {
        const double x = a.x + (b.x - a.x) * t / length, y = a.y + (b.y - a.y) * t / length;
        const double u = (x - kPlane.centreX) * kPlane.perPixel, v = (y - kPlane.centreY) * kPlane.perPixel;
        const double rho = std::hypot(u, v);
        const double factor = strength > 0 && rho > 0 ? std::asinh(strength * rho) / (strength * rho) : 1.0;
        chain.push_back({kPlane.centreX + u * factor / kPlane.perPixel, kPlane.centreY + v * factor / kPlane.perPixel});
    }
    return chain;
}

// Lines towards a point, from x = x0 to x = x1, at heights spread over the
// picture at x0.
std::vector<EdgeChain> Pencil(EdgePoint towards, double x0, double x1, double strength)
{
    std::vector<EdgeChain> lines;
    for (double y0 = 60; y0 < 760; y0 += 90) {
        const double t = (x1 - x0) / (towards.x - x0);
        lines.push_back(SeenLine({x0, y0}, {x1, y0 + (towards.y - y0) * t}, strength));
    }
    return lines;
}

std::vector<EdgeChain> Scene(double strength)
{
    std::vector<EdgeChain> chains = Pencil({2600, 330}, 40, 560, strength);  // a wall receding to the right
    for (EdgeChain& line : Pencil({-1900, 450}, 1160, 640, strength))        // and one to the left
        chains.push_back(std::move(line));
    for (double x = 70; x < 1150; x += 115)  // their upright edges
        chains.push_back(SeenLine({x, 30}, {x, 770}, strength));
    return chains;
}

TEST(VanishingPoints, LinesInPerspectiveGiveTheLensBendBack)
{
    for (const double strength : {0.0, 0.5, 1.0, 1.4}) {
        const std::optional<double> bend = ConvergingBend(Scene(strength), kPlane);
        ASSERT_TRUE(bend.has_value()) << strength;
        EXPECT_NEAR(*bend, strength * strength, 0.005 + 0.01 * strength * strength) << strength;
    }
    // A few short pieces point at nothing, nor do the pieces of a line
    // through the centre, which every bend leaves on one line.
    const std::vector<EdgeChain> few{SeenLine({100, 100}, {140, 100}, 0.5), SeenLine({500, 700}, {500, 740}, 0.5)};
    EXPECT_FALSE(ConvergingBend(few, kPlane).has_value());
    EXPECT_FALSE(ConvergingBend({SeenLine({40, 399.5}, {1160, 399.5}, 0.5)}, kPlane).has_value());
}

}  // namespace
}  // namespace fovella
