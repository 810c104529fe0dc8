// A line's direction from its points' moments: the half angle of
// atan2(2 suv, suu - svv), signs and all, where either of its cosine and
// sine is small and where the moments say nothing.
#include "lines/ChainStraightness.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fovella {
namespace {

TEST(ChainStraightness, PrincipalDirectionIsTheHalfAngleOfTheMoments)
{
    const struct {
        double suu, svv, suv;
    } cases[] = {
        {4, 1, 0},          // along u
        {1, 4, 0},          // along v: the cosine from the sine
        {1, 4, -0.0},       // along v, the other way
        {2, 2, 1},          // the diagonal
        {1, 9, -2},         // steep, falling
        {9, 1e-12, 1e-7},   // nearly along u
        {1e-12, 9, -1e-7},  // nearly along v
    };
    for (const auto& c : cases) {
        const double angle = 0.5 * std::atan2(2 * c.suv, c.suu - c.svv);
        const Direction d = PrincipalDirection(c.suu, c.svv, c.suv);
        EXPECT_NEAR(d.cos, std::cos(angle), 1e-15) << c.suu << " " << c.svv << " " << c.suv;
        EXPECT_NEAR(d.sin, std::sin(angle), 1e-15) << c.suu << " " << c.svv << " " << c.suv;
    }
    // Points all in one place have no direction; the line is taken along u.
    EXPECT_EQ(PrincipalDirection(0, 0, 0).cos, 1);
    EXPECT_EQ(PrincipalDirection(0, 0, 0).sin, 0);
}

}  // namespace
}  // namespace fovella
